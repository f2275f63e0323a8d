#pragma once

#include <QString>

#include <array>
#include <cstdint>

#include "batch/TargetSize.h"

struct TSettings;

// The three output sizes; each has its box and switch in the settings, its folder and prefix.
enum TOutputSize : std::uint8_t {
    osThumb,
    osMedium,
    osLarge,
};

// The order in which a run makes the sizes of one file: each is scaled from the one before.
inline constexpr std::array<TOutputSize, 3> kRunOrder = {osLarge, osMedium, osThumb};

// "Thumbnail", "Medium" or "Large".
QString SizeFolderName(TOutputSize Size);
// "Thumb_", "Medium_" or "Large_".
QString SizePrefix(TOutputSize Size);

// The size's target box from the settings. A hand-edited settings file may hold 0 or less; such
// a side is used as 1, so the engine is never asked for an empty or negative image.
TDimensions SizeBox(const TSettings& RunSettings, TOutputSize Size);
// Whether the settings switch the size on.
bool SizeEnabled(const TSettings& RunSettings, TOutputSize Size);
