#pragma once

// Starts the engine afresh, with or without our rights rules, for tests that show what the
// fence stops.

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"

namespace vk_test {

inline void StartEngine(bool WithRights) {
    ShutDownImageMagickAPI();
    SetEngineRightsForTests(WithRights);
    MagickLoaded = LoadImageMagick("");
    SetEngineRightsForTests(true);
}

} // namespace vk_test
