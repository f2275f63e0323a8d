#include "JpegHeader.h"

#include <cstdint>

namespace {

constexpr int kOrientationTag = 0x0112;
constexpr int kShortType = 3;
constexpr int kLongType = 4;

// Big- or little-endian numbers at an offset; the caller has checked the bounds.
class TReader {
public:
    TReader(QByteArrayView Bytes, bool BigEndian) : FBytes(Bytes), FBigEndian(BigEndian) {}

    qsizetype Size() const { return FBytes.size(); }
    std::uint32_t Byte(qsizetype At) const { return static_cast<std::uint8_t>(FBytes[At]); }
    std::uint32_t U16(qsizetype At) const {
        return FBigEndian ? Byte(At) << 8 | Byte(At + 1) : Byte(At + 1) << 8 | Byte(At);
    }
    std::uint32_t U32(qsizetype At) const {
        return FBigEndian ? U16(At) << 16 | U16(At + 2) : U16(At + 2) << 16 | U16(At);
    }

private:
    QByteArrayView FBytes;
    bool FBigEndian;
};

// The orientation in an EXIF block (a TIFF header and its first folder of tags); 1 when it
// holds none, or one out of range.
int ExifOrientation(QByteArrayView Tiff) {
    if (Tiff.size() < 8 || (!Tiff.startsWith(QByteArrayView("MM\0*", 4)) &&
                            !Tiff.startsWith(QByteArrayView("II*\0", 4)))) {
        return 1;
    }
    const TReader tiff(Tiff, Tiff[0] == 'M');
    const qint64 folder = tiff.U32(4);
    if (folder + 2 > tiff.Size()) {
        return 1;
    }
    const qint64 count = tiff.U16(folder);
    for (qint64 entry = folder + 2; entry < folder + 2 + 12 * count && entry + 12 <= tiff.Size();
         entry += 12) {
        if (tiff.U16(entry) != kOrientationTag) {
            continue;
        }
        const std::uint32_t type = tiff.U16(entry + 2);
        const std::uint32_t value = type == kShortType  ? tiff.U16(entry + 8)
                                    : type == kLongType ? tiff.U32(entry + 8)
                                                        : 0;
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

// The frame headers that carry the size: every SOF marker, not DHT (C4), JPG (C8) or DAC (CC).
bool IsFrameHeader(std::uint32_t Marker) {
    return Marker >= 0xC0 && Marker <= 0xCF && Marker != 0xC4 && Marker != 0xC8 && Marker != 0xCC;
}

} // namespace

std::optional<TJpegHeader> ReadJpegHeader(QByteArrayView Bytes) {
    if (!Bytes.startsWith("\xFF\xD8")) {
        return std::nullopt;
    }
    const TReader jpeg(Bytes, true);
    TJpegHeader header;
    bool exifSeen = false;
    qsizetype at = 2;
    while (at < jpeg.Size()) {
        if (jpeg.Byte(at) != 0xFF) {
            return std::nullopt; // not a marker where one must be
        }
        while (at < jpeg.Size() && jpeg.Byte(at) == 0xFF) {
            ++at; // fill bytes
        }
        if (at >= jpeg.Size()) {
            break;
        }
        const std::uint32_t marker = jpeg.Byte(at++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            continue; // markers without a segment
        }
        if (marker == 0xD9 || marker == 0xDA || at + 2 > jpeg.Size()) {
            break; // the picture data, or the end, before any frame header
        }
        const qsizetype length = jpeg.U16(at);
        if (length < 2 || at + length > jpeg.Size()) {
            break;
        }
        const QByteArrayView segment = Bytes.sliced(at + 2, length - 2);
        if (marker == 0xE1 && !exifSeen && segment.startsWith(QByteArrayView("Exif\0\0", 6))) {
            // The decoder takes the first EXIF block.
            exifSeen = true;
            header.Orientation = ExifOrientation(segment.sliced(6));
        } else if (IsFrameHeader(marker)) {
            if (segment.size() < 5) {
                break;
            }
            const TReader frame(segment, true);
            header.Stored = {static_cast<std::int32_t>(frame.U16(3)),
                             static_cast<std::int32_t>(frame.U16(1))};
            if (header.Stored.Width == 0 || header.Stored.Height == 0) {
                break; // a height given later in the data: not known here
            }
            return header;
        }
        at += length;
    }
    return std::nullopt;
}
