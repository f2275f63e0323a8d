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

// The value of an ASCII digit in Base 10 or 16 (a to f in either case); -1 for anything else.
inline int AsciiDigitValue(char16_t C, int Base) {
    if (C >= u'0' && C <= u'9')
        return C - u'0';
    if (Base == 16 && C >= u'a' && C <= u'f')
        return C - u'a' + 10;
    if (Base == 16 && C >= u'A' && C <= u'F')
        return C - u'A' + 10;
    return -1;
}
