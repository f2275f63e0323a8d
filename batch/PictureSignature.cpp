#include "PictureSignature.h"

#include <algorithm>
#include <string_view>

namespace {

// Bytes that a format's files carry at a fixed place.
struct TSignature {
    qsizetype Offset;
    std::string_view Bytes;
};

using namespace std::string_view_literals;

const TSignature kSignatures[] = {
    {0, "\xFF\xD8\xFF"sv},             // JPEG
    {0, "\x89PNG\r\n\x1A\n"sv},        // PNG
    {0, "\x8AMNG"sv},                  // MNG
    {0, "\x8BJNG"sv},                  // JNG
    {0, "GIF8"sv},                     // GIF
    {0, "II*\0"sv},                    // TIFF, and camera formats built on it
    {0, "MM\0*"sv},                    //
    {0, "II+\0"sv},                    // BigTIFF
    {0, "MM\0+"sv},                    //
    {0, "\0\0\0\x0CjP  \r\n\x87\n"sv}, // JPEG 2000
    {0, "\xFF\x4F\xFF\x51"sv},         // JPEG 2000 code stream
    {0, "\0\0\0\x0CJXL \r\n\x87\n"sv}, // JPEG XL
    {0, "\xFF\x0A"sv},                 // JPEG XL code stream
    {0, "8BPS"sv},                     // Photoshop
    {0, "gimp xcf"sv},                 // GIMP
    {0, "\x01\xDA"sv},                 // SGI
    {0, "\x59\xA6\x6A\x95"sv},         // Sun raster
    {0, "\xB1\x68\xDE\x3A"sv},         // multi-page PCX
    {0, "id=ImageMagick"sv},           // MIFF
    {0, "SDPX"sv},                     // DPX
    {0, "XPDS"sv},                     //
    {0, "SIMPLE  ="sv},                // FITS
    {0, "#?RADIANCE"sv},               // Radiance
    {0, "#?RGBE"sv},                   //
    {0, "/* XPM */"sv},                // X pixmap
    {0, "\xAB\x01"sv},                 // Khoros VIFF
    {0, "\x52\xCC"sv},                 // Utah RLE
    {0, "SFW9"sv},                     // Seattle Film Works
    {0, "\xFFWPC"sv},                  // WordPerfect graphics
    {0, "\x10\0\0\0"sv},               // PlayStation TIM
    {0, "LBLSIZE="sv},                 // VICAR
    {0, "MATLAB 5.0 MAT-file"sv},      // MATLAB
    {0, "FUJIFILMCCD-RAW"sv},          // Fujifilm raw
    {0, "II\x1A\0\0\0HEAPCCDR"sv},     // Canon raw
    {128, "DICM"sv},                   // DICOM
    {60, "vIMGView"sv},                // Palm database image
};

// The brands of an ISO media file that hold a picture rather than a film: HEIF, AVIF, and the
// raw format of newer Canon cameras.
const std::string_view kPictureBrands[] = {"heic"sv, "heix"sv, "hevc"sv, "hevx"sv,
                                           "heim"sv, "heis"sv, "mif1"sv, "msf1"sv,
                                           "avif"sv, "avis"sv, "crx "sv};

bool HasAt(const QByteArray& Head, qsizetype Offset, std::string_view Bytes) {
    const auto size = static_cast<qsizetype>(Bytes.size());
    return Head.size() >= Offset + size &&
           std::string_view(Head.constData() + Offset, Bytes.size()) == Bytes;
}

quint8 ByteAt(const QByteArray& Head, qsizetype Index) {
    return static_cast<quint8>(Head.at(Index));
}

quint32 Little32(const QByteArray& Head, qsizetype Index) {
    return ByteAt(Head, Index) | ByteAt(Head, Index + 1) << 8 | ByteAt(Head, Index + 2) << 16 |
           static_cast<quint32>(ByteAt(Head, Index + 3)) << 24;
}

quint32 Big32(const QByteArray& Head, qsizetype Index) {
    return static_cast<quint32>(ByteAt(Head, Index)) << 24 | ByteAt(Head, Index + 1) << 16 |
           ByteAt(Head, Index + 2) << 8 | ByteAt(Head, Index + 3);
}

bool IsPictureBrand(const QByteArray& Head, qsizetype Index) {
    return std::any_of(std::begin(kPictureBrands), std::end(kPictureBrands),
                       [&](std::string_view Brand) { return HasAt(Head, Index, Brand); });
}

// "BM" and one of the info header sizes the format has known.
bool IsBmp(const QByteArray& Head) {
    if (Head.size() < 18 || !Head.startsWith("BM")) {
        return false;
    }
    const quint32 infoSize = Little32(Head, 14);
    return infoSize == 12 || infoSize == 16 || infoSize == 40 || infoSize == 52 || infoSize == 56 ||
           infoSize == 64 || infoSize == 108 || infoSize == 124;
}

// A WebP picture in a RIFF container (an AVI film is RIFF as well).
bool IsWebP(const QByteArray& Head) {
    return HasAt(Head, 0, "RIFF"sv) && HasAt(Head, 8, "WEBP"sv);
}

// An ISO media file whose major brand, or one of its first compatible brands, is a picture's.
bool IsPictureInIsoMedia(const QByteArray& Head) {
    if (Head.size() < 16 || !HasAt(Head, 4, "ftyp"sv)) {
        return false;
    }
    if (IsPictureBrand(Head, 8)) {
        return true;
    }
    // After the major brand and the minor version, the compatible brands fill the box.
    const qsizetype boxEnd = std::min<qsizetype>(Head.size(), qsizetype{Big32(Head, 0)});
    for (qsizetype brand = 16; brand + 4 <= boxEnd; brand += 4) {
        if (IsPictureBrand(Head, brand)) {
            return true;
        }
    }
    return false;
}

// The portable any-maps: "P1" to "P7", "PF" or "Pf", then white space.
bool IsPortableMap(const QByteArray& Head) {
    if (Head.size() < 3 || Head.at(0) != 'P') {
        return false;
    }
    const char kind = Head.at(1);
    const char next = Head.at(2);
    return ((kind >= '1' && kind <= '7') || kind == 'F' || kind == 'f') &&
           (next == ' ' || next == '\t' || next == '\n' || next == '\r');
}

// An icon or cursor file: reserved 0, type 1 or 2, at least one picture.
bool IsIcon(const QByteArray& Head) {
    return Head.size() >= 6 && ByteAt(Head, 0) == 0 && ByteAt(Head, 1) == 0 &&
           (ByteAt(Head, 2) == 1 || ByteAt(Head, 2) == 2) && ByteAt(Head, 3) == 0 &&
           (ByteAt(Head, 4) != 0 || ByteAt(Head, 5) != 0);
}

// PCX has no signature beyond its first four header fields.
bool IsPcx(const QByteArray& Head) {
    if (Head.size() < 4 || ByteAt(Head, 0) != 0x0A) {
        return false;
    }
    const quint8 version = ByteAt(Head, 1);
    const quint8 bits = ByteAt(Head, 3);
    return version <= 5 && version != 1 && ByteAt(Head, 2) <= 1 &&
           (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

// Targa has no signature at all: its header's colour map flag, picture type and pixel depth
// must take values the format defines, and the picture must have a size.
bool IsTarga(const QByteArray& Head) {
    if (Head.size() < 18) {
        return false;
    }
    const quint8 mapType = ByteAt(Head, 1);
    const quint8 type = ByteAt(Head, 2);
    const quint8 depth = ByteAt(Head, 16);
    const bool width = ByteAt(Head, 12) != 0 || ByteAt(Head, 13) != 0;
    const bool height = ByteAt(Head, 14) != 0 || ByteAt(Head, 15) != 0;
    return mapType <= 1 &&
           (type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11) &&
           (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32) && width &&
           height;
}

// An X bitmap is C source: its first line defines the width.
bool IsXBitmap(const QByteArray& Head) {
    if (!Head.startsWith("#define ")) {
        return false;
    }
    return Head.left(Head.indexOf('\n')).contains("_width");
}

} // namespace

bool HasPictureSignature(const QByteArray& Head) {
    for (const TSignature& signature : kSignatures) {
        if (HasAt(Head, signature.Offset, signature.Bytes)) {
            return true;
        }
    }
    return IsBmp(Head) || IsWebP(Head) || IsPictureInIsoMedia(Head) || IsPortableMap(Head) ||
           IsIcon(Head) || IsPcx(Head) || IsTarga(Head) || IsXBitmap(Head);
}
