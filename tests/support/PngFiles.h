#pragma once

// PNG chunks built by hand, for pictures no encoder would write.

#include <QByteArray>
#include <QtEndian>

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

// A PNG of one grey pixel whose compressed comment inflates to Mebibytes MiB of zeros. Each MiB
// is deflated once after a full flush, which leaves the stream byte-aligned with an empty
// dictionary, so the same bytes can stand for every MiB.
inline QByteArray TextBombPng(int Mebibytes) {
    const QByteArray zeros(1 << 20, '\0');
    z_stream stream = {};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    QByteArray buffer(1 << 16, '\0');
    auto deflateSome = [&](const QByteArray& Input, int Flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Input.constData()));
        stream.avail_in = static_cast<uInt>(Input.size());
        QByteArray out;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = static_cast<uInt>(buffer.size());
            deflate(&stream, Flush);
            out.append(buffer.constData(),
                       buffer.size() - static_cast<qsizetype>(stream.avail_out));
        } while (stream.avail_out == 0);
        return out;
    };
    const QByteArray first = deflateSome(zeros, Z_FULL_FLUSH); // with the two-byte header
    const QByteArray block = deflateSome(zeros, Z_FULL_FLUSH);
    QByteArray tail = deflateSome(QByteArray(), Z_FINISH);
    deflateEnd(&stream);
    uLong checksum = adler32(1, reinterpret_cast<const Bytef*>(zeros.constData()), zeros.size());
    const uLong one = checksum;
    for (int i = 1; i < Mebibytes; ++i) {
        checksum = adler32_combine(checksum, one, zeros.size());
    }
    qToBigEndian<quint32>(static_cast<quint32>(checksum), tail.data() + tail.size() - 4);
    QByteArray text = first;
    text.reserve(first.size() + block.size() * Mebibytes + tail.size());
    for (int i = 1; i < Mebibytes; ++i) {
        text += block;
    }
    text += tail;

    QByteArray header(13, '\0');
    qToBigEndian<quint32>(1, header.data());
    qToBigEndian<quint32>(1, header.data() + 4);
    header[8] = 8; // bit depth; colour type 0 (grey), no interlace
    const QByteArray pixels = QByteArray::fromHex("789c6360000000020001"); // filter 0, grey 0
    return QByteArray::fromHex("89504e470d0a1a0a") + PngChunk("IHDR", header) +
           PngChunk("zTXt", QByteArray("Comment\0", 9) + text) /* keyword, deflate */ +
           PngChunk("IDAT", pixels) + PngChunk("IEND", QByteArray());
}

} // namespace vk_test
