#include "FileNames.h"

namespace {

constexpr char16_t kFirstEscape = 0xDC80; // stands for the byte 0x80; 0xDCFF for 0xFF

// The length of the valid UTF-8 sequence that starts at Bytes[At], and its code point; 0 when
// the bytes there are not one (overlong forms, surrogates and values past U+10FFFF included).
int ValidSequence(const QByteArray& Bytes, qsizetype At, char32_t& CodePoint) {
    const auto byte = [&Bytes](qsizetype I) { return static_cast<unsigned char>(Bytes[I]); };
    const unsigned char lead = byte(At);
    int length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        CodePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        CodePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        CodePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (At + length > Bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(At + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        CodePoint = (CodePoint << 6) | (next & 0x3F);
    }
    const bool surrogate = CodePoint >= 0xD800 && CodePoint <= 0xDFFF;
    if (CodePoint < minimum || CodePoint > 0x10FFFF || surrogate)
        return 0;
    return length;
}

bool IsEscape(char16_t Unit) {
    return Unit >= kFirstEscape && Unit <= kFirstEscape + 0x7F;
}

} // namespace

QString DecodeFileName(const QByteArray& Bytes) {
    QString name;
    name.reserve(Bytes.size());
    for (qsizetype i = 0; i < Bytes.size();) {
        const auto lead = static_cast<unsigned char>(Bytes[i]);
        if (lead < 0x80) {
            name += QChar(lead);
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        const int length = ValidSequence(Bytes, i, codePoint);
        if (length == 0) {
            name += QChar(static_cast<char16_t>(kFirstEscape + (lead - 0x80)));
            ++i;
            continue;
        }
        name += QString::fromUcs4(&codePoint, 1);
        i += length;
    }
    return name;
}

QByteArray EncodeFileName(const QString& Name) {
    QByteArray bytes;
    bytes.reserve(Name.size());
    qsizetype plainFrom = 0;
    const auto flushPlain = [&](qsizetype To) {
        if (To > plainFrom)
            bytes += QStringView(Name).sliced(plainFrom, To - plainFrom).toUtf8();
    };
    for (qsizetype i = 0; i < Name.size(); ++i) {
        const char16_t unit = Name[i].unicode();
        // An escape is a lone low surrogate; one that closes a pair is part of a character.
        const bool paired = i > 0 && Name[i - 1].isHighSurrogate();
        if (IsEscape(unit) && !paired) {
            flushPlain(i);
            bytes += static_cast<char>(unit - kFirstEscape + 0x80);
            plainFrom = i + 1;
        }
    }
    flushPlain(Name.size());
    return bytes;
}

QString FileNamePart(const QString& Path) {
    return Path.mid(Path.lastIndexOf(u'/') + 1);
}

QString FileExtension(const QString& Path) {
    const QString name = FileNamePart(Path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString FileNameWithoutExtension(const QString& Path) {
    const QString name = FileNamePart(Path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}
