#pragma once

// HEIF and AVIF files edited by hand: a rotation property (irot) added to a file an encoder wrote
// without one, as a phone's camera stores a picture held sideways.

#include <QByteArray>
#include <QtEndian>

#include <optional>

namespace vk_test {

namespace heif_detail {

// One ISO media box: where it starts, how long it is, where its contents start.
struct TBox {
    qsizetype At = 0;
    qsizetype Size = 0;
    qsizetype Body = 0;
};

inline quint64 Read(const QByteArray& File, qsizetype At, int Bytes) {
    quint64 value = 0;
    for (int i = 0; i < Bytes; ++i)
        value = value << 8 | static_cast<quint8>(File[At + i]);
    return value;
}

inline void Write(QByteArray& File, qsizetype At, int Bytes, quint64 Value) {
    for (int i = Bytes - 1; i >= 0; --i, Value >>= 8)
        File[At + i] = static_cast<char>(Value & 0xFF);
}

// The first box of Type among those from Begin to End; FullBox tells how many bytes of version
// and flags precede its contents.
inline std::optional<TBox> Find(const QByteArray& File, qsizetype Begin, qsizetype End,
                                const char* Type, bool FullBox = false) {
    for (qsizetype at = Begin; at + 8 <= End;) {
        const auto size = static_cast<qsizetype>(Read(File, at, 4));
        if (size < 8 || at + size > End)
            return std::nullopt;
        if (File.mid(at + 4, 4) == Type)
            return TBox{at, size, at + 8 + (FullBox ? 4 : 0)};
        at += size;
    }
    return std::nullopt;
}

inline int Count(const QByteArray& File, const TBox& Parent) {
    int count = 0;
    for (qsizetype at = Parent.Body; at < Parent.At + Parent.Size; at += Read(File, at, 4))
        ++count;
    return count;
}

// Moves every extent that iloc places by file offset (construction method 0) at or after From
// Shift bytes on.
inline bool ShiftItemLocations(QByteArray& File, const TBox& Iloc, quint64 From, quint64 Shift) {
    const int version = static_cast<quint8>(File[Iloc.At + 8]);
    qsizetype at = Iloc.Body;
    const int offsetSize = static_cast<quint8>(File[at]) >> 4;
    const int lengthSize = static_cast<quint8>(File[at]) & 0xF;
    const int baseSize = static_cast<quint8>(File[at + 1]) >> 4;
    const int indexSize = version >= 1 ? static_cast<quint8>(File[at + 1]) & 0xF : 0;
    at += 2;
    const int idSize = version < 2 ? 2 : 4;
    const auto items = Read(File, at, idSize);
    at += idSize;
    for (quint64 item = 0; item < items; ++item) {
        at += idSize;
        int method = 0;
        if (version >= 1) {
            method = static_cast<int>(Read(File, at, 2) & 0xF);
            at += 2;
        }
        at += 2; // data reference index
        const qsizetype base = at;
        const quint64 baseOffset = Read(File, base, baseSize);
        at += baseSize;
        const auto extents = Read(File, at, 2);
        at += 2;
        for (quint64 extent = 0; extent < extents; ++extent) {
            at += indexSize;
            const quint64 offset = Read(File, at, offsetSize);
            if (method == 0 && baseOffset == 0 && offset >= From)
                Write(File, at, offsetSize, offset + Shift);
            at += offsetSize + lengthSize;
        }
        if (method == 0 && baseOffset >= From)
            Write(File, base, baseSize, baseOffset + Shift);
        if (at > Iloc.At + Iloc.Size)
            return false;
    }
    return true;
}

} // namespace heif_detail

// File with an irot property on its primary picture: shown turned QuarterTurns times 90 degrees
// anticlockwise. Empty when the file is not laid out as encoders write it (one meta box, its
// properties before their associations, one-byte associations).
inline QByteArray WithHeifRotation(const QByteArray& File, int QuarterTurns) {
    using namespace heif_detail;
    const auto meta = Find(File, 0, File.size(), "meta", true);
    if (!meta)
        return {};
    const qsizetype metaEnd = meta->At + meta->Size;
    const auto pitm = Find(File, meta->Body, metaEnd, "pitm", true);
    const auto iloc = Find(File, meta->Body, metaEnd, "iloc", true);
    const auto iprp = Find(File, meta->Body, metaEnd, "iprp");
    if (!pitm || !iloc || !iprp || File[pitm->At + 8] != 0)
        return {};
    const qsizetype iprpEnd = iprp->At + iprp->Size;
    const auto ipco = Find(File, iprp->Body, iprpEnd, "ipco");
    const auto ipma = Find(File, iprp->Body, iprpEnd, "ipma", true);
    if (!ipco || !ipma || ipma->At < ipco->At || (Read(File, ipma->At + 8, 4) & 1) != 0)
        return {};
    const int ipmaVersion = static_cast<quint8>(File[ipma->At + 8]);
    const int idSize = ipmaVersion < 1 ? 2 : 4;
    const quint64 primary = Read(File, pitm->Body, 2);
    const int property = Count(File, *ipco) + 1; // indexes count from 1
    // The primary item's association list, and where it ends.
    qsizetype entry = ipma->Body + 4;
    const auto entries = Read(File, ipma->Body, 4);
    qsizetype countAt = -1;
    for (quint64 i = 0; i < entries; ++i) {
        const qsizetype count = entry + idSize;
        if (Read(File, entry, idSize) == primary)
            countAt = count;
        entry = count + 1 + static_cast<quint8>(File[count]);
        if (countAt >= 0)
            break;
    }
    if (countAt < 0 || property > 0x7F)
        return {};

    const QByteArray irot = QByteArray::fromHex("00000009") + "irot" +
                            QByteArray(1, static_cast<char>(QuarterTurns & 3));
    const qsizetype growth = irot.size() + 1;
    QByteArray edited = File;
    if (!ShiftItemLocations(edited, *iloc, static_cast<quint64>(ipco->At + ipco->Size),
                            static_cast<quint64>(growth)))
        return {};
    // The association (essential: a viewer must not show the picture unturned), then the
    // property; the later place first, so that the earlier one stays where it is.
    edited.insert(entry, static_cast<char>(0x80 | property));
    edited[countAt] = static_cast<char>(static_cast<quint8>(edited[countAt]) + 1);
    edited.insert(ipco->At + ipco->Size, irot);
    for (const TBox& box : {*meta, *iprp})
        Write(edited, box.At, 4, static_cast<quint64>(box.Size + growth));
    Write(edited, ipco->At, 4, static_cast<quint64>(ipco->Size + irot.size()));
    // ipma moved by the property's bytes.
    Write(edited, ipma->At + irot.size(), 4, static_cast<quint64>(ipma->Size + 1));
    return edited;
}

} // namespace vk_test
