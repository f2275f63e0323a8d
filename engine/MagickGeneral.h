#pragma once

#include <array>

// One picture format the engine knows: its name (also its file extension), what the engine can
// do with it ("R", "W" or "RW") and the engine's description.
struct TFilterItemType {
    const char* Name;
    const char* Mode;
    const char* Description;
};

// The engine formats offered to the picture machinery, in registration order.
extern const std::array<TFilterItemType, 102> MagickFormats;

// Items ".ext;" that the picture machinery reads itself, and items that are never previewed.
extern const char* const kMachineryExtensions;
extern const char* const kNotPreviewedExtensions;
