#pragma once

// PNG chunks built by hand, for pictures no encoder would write.

#include <QByteArray>

#include <zlib.h>

namespace vk_test {

inline QByteArray BigEndian32(quint32 Value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((Value >> (24 - 8 * i)) & 0xff);
    return bytes;
}

// Length, type, data and the CRC of type and data.
inline QByteArray PngChunk(const QByteArray& Type, const QByteArray& Data) {
    const QByteArray body = Type + Data;
    const auto crc = static_cast<quint32>(
        crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size())));
    return BigEndian32(static_cast<quint32>(Data.size())) + body + BigEndian32(crc);
}

} // namespace vk_test
