#include "OutputFormat.h"

#include <array>

#include "settings/Settings.h"

namespace {

constexpr std::array<TOutputFormatInfo, 7> kFormats = {{
    {"JPEG", "jpg", true, false},
    {"PNG", "png", false, true},
    {"WEBP", "webp", true, true},
    // The engine's AVIF encoder writes no alpha channel: flattened, what was clear is white
    // rather than whatever colour the clear pixels held.
    {"AVIF", "avif", true, false},
    {"GIF", "gif", false, true},
    {"TIFF", "tif", false, true},
    // Few programs read a BMP's alpha channel: flattened, it looks the same everywhere.
    {"BMP", "bmp", false, false},
}};

struct TExtensionFormat {
    const char* Extension;
    TOutputFormat Format;
};

// The extensions whose format a run writes as it found it.
constexpr std::array<TExtensionFormat, 9> kSameFormats = {{
    {"jpg", TOutputFormat::Jpeg},
    {"jpeg", TOutputFormat::Jpeg},
    {"png", TOutputFormat::Png},
    {"webp", TOutputFormat::Webp},
    {"avif", TOutputFormat::Avif},
    {"gif", TOutputFormat::Gif},
    {"tif", TOutputFormat::Tiff},
    {"tiff", TOutputFormat::Tiff},
    {"bmp", TOutputFormat::Bmp},
}};

} // namespace

const TOutputFormatInfo& FormatInfo(TOutputFormat Format) {
    return kFormats[static_cast<std::size_t>(Format)];
}

TOutputFormat OutputFormatFor(std::int32_t Choice, const QString& SourceExtension) {
    switch (Choice) {
    case ofPng:
        return TOutputFormat::Png;
    case ofWebp:
        return TOutputFormat::Webp;
    case ofAvif:
        return TOutputFormat::Avif;
    case ofSameAsSource:
        for (const TExtensionFormat& same : kSameFormats) {
            if (SourceExtension.compare(QLatin1String(same.Extension), Qt::CaseInsensitive) == 0) {
                return same.Format;
            }
        }
        return TOutputFormat::Jpeg;
    default:
        return TOutputFormat::Jpeg;
    }
}
