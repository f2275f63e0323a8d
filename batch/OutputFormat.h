#pragma once

#include <QString>

#include <cstdint>

// The file formats a run writes.
enum class TOutputFormat : std::uint8_t { Jpeg, Png, Webp, Avif, Gif, Tiff, Bmp };

// What a run needs to know of one output format.
struct TOutputFormatInfo {
    // The engine's name of its encoder.
    const char* Coder;
    // The extension of the files, without the dot.
    const char* Extension;
    // The quality setting applies: a lossy encoder.
    bool Lossy;
    // A transparent picture stays transparent; otherwise it is flattened onto white.
    bool KeepsTransparency;
};

const TOutputFormatInfo& FormatInfo(TOutputFormat Format);

// The format a setting asks for (a TOutputFormatChoice): its own, or, for the same as the source,
// the format the source's extension names where a run can write it, else JPEG. A value that is no
// choice gives JPEG.
TOutputFormat OutputFormatFor(std::int32_t Choice, const QString& SourceExtension);
