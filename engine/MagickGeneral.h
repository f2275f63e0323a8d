#pragma once

#include <array>

// One picture format the engine knows: its name (also its file extension), what the engine can
// do with it ("R", "W" or "RW") and the engine's description.
struct TFilterItemType {
    const char* Name;
    const char* Mode;
    const char* Description;
};

// The engine formats offered to the picture machinery, in registration order. Of the 80
// extensions this registers for preview, the fence (EnginePolicy.cpp) lets 53 decode, every one
// a raster format. It refuses the 27 others, whose files are then not supported: those the
// engine hands to other programs (cgm, fig, gplt, hpgl, man), fpx and p7, the write-only html,
// htm, shtml and uil, the raw samples (cmyk, gray, mono, rgb, rgba, uyvy, yuv: no size to read
// them with), and the vector, text, font, script, page and cache formats (svg, mvg, msl, txt,
// ttf, pfa, pfb, pcl, mpc).
extern const std::array<TFilterItemType, 102> MagickFormats;

// Items ".ext;" that the picture machinery reads itself, and items that are never previewed.
extern const char* const kMachineryExtensions;
extern const char* const kNotPreviewedExtensions;

// Formats newer than the table, registered after it (its rows and their order stay as they
// are): extensions of HEIF (HEIC), AVIF, WebP and JPEG XL pictures, read where the engine has
// their coders.
extern const std::array<const char*, 5> kNewerMagickExtensions;
