#pragma once

#include <QByteArray>
#include <QString>

// Case folding of the ASCII letters A to Z only: names, keys and extensions compare byte by byte
// on every system the program reads from, and no other letter changes.

inline char AsciiLower(char C) {
    return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

inline char AsciiUpper(char C) {
    return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}

inline QByteArray AsciiUpper(QByteArray Text) {
    for (char& c : Text)
        c = AsciiUpper(c);
    return Text;
}

inline QString AsciiLower(QString Text) {
    for (QChar& c : Text) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(static_cast<char16_t>(c.unicode() - u'A' + u'a'));
    }
    return Text;
}
