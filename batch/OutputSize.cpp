#include "OutputSize.h"

#include <algorithm>

#include "settings/Settings.h"

namespace {

// What each size takes from the settings and how its output is named.
struct TSizeProperties {
    const char* Folder;
    const char* Prefix;
    std::int32_t TSettings::*Width;
    std::int32_t TSettings::*Height;
    bool TSettings::*Enabled;
};

// Indexed by TOutputSize.
constexpr TSizeProperties kSizes[] = {
    {"Thumbnail", "Thumb_", &TSettings::ThumbWidth, &TSettings::ThumbHeight,
     &TSettings::ProcessThumb},
    {"Medium", "Medium_", &TSettings::MediumWidth, &TSettings::MediumHeight,
     &TSettings::ProcessMedium},
    {"Large", "Large_", &TSettings::LargeWidth, &TSettings::LargeHeight, &TSettings::ProcessLarge},
};

const TSizeProperties& PropertiesOf(TOutputSize Size) {
    return kSizes[Size];
}

} // namespace

QString SizeFolderName(TOutputSize Size) {
    return QString::fromLatin1(PropertiesOf(Size).Folder);
}

QString SizePrefix(TOutputSize Size) {
    return QString::fromLatin1(PropertiesOf(Size).Prefix);
}

TDimensions SizeBox(const TSettings& RunSettings, TOutputSize Size) {
    const TSizeProperties& size = PropertiesOf(Size);
    return {std::max(RunSettings.*size.Width, 1), std::max(RunSettings.*size.Height, 1)};
}

bool SizeEnabled(const TSettings& RunSettings, TOutputSize Size) {
    return RunSettings.*PropertiesOf(Size).Enabled;
}
