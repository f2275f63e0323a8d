#include "TerminalText.h"

#include "platform/FileNames.h"

namespace {

// C0 controls, DEL, and the C1 controls, which some terminals obey as well (U+009B starts a
// control sequence).
bool IsControl(char16_t Unit) {
    return Unit < 0x20 || (Unit >= 0x7F && Unit <= 0x9F);
}

void AppendEscaped(QByteArray& Text, const QByteArray& Bytes) {
    for (const char byte : Bytes) {
        Text +=
            "\\x" + QByteArray::number(static_cast<unsigned char>(byte), 16).rightJustified(2, '0');
    }
}

} // namespace

QByteArray TerminalText(const QString& Line) {
    QByteArray text;
    text.reserve(Line.size());
    for (qsizetype i = 0; i < Line.size(); ++i) {
        const QChar unit = Line[i];
        if (unit.isHighSurrogate() && i + 1 < Line.size() && Line[i + 1].isLowSurrogate()) {
            text += QStringView(Line).sliced(i, 2).toUtf8(); // a character beyond the BMP
            ++i;
        } else if (unit.isSurrogate() || IsControl(unit.unicode())) {
            // A lone surrogate is a byte of a name that is not UTF-8 (DecodeFileName).
            AppendEscaped(text, EncodeFileName(QString(unit)));
        } else if (unit == QLatin1Char('\\')) {
            text += "\\\\";
        } else {
            text += QString(unit).toUtf8();
        }
    }
    return text;
}
