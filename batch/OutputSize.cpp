#include "OutputSize.h"

#include <algorithm>

#include "settings/Settings.h"

QString SizeFolderName(TOutputSize Size) {
    switch (Size) {
    case osThumb:
        return QStringLiteral("Thumbnail");
    case osMedium:
        return QStringLiteral("Medium");
    case osLarge:
        return QStringLiteral("Large");
    }
    return {};
}

QString SizePrefix(TOutputSize Size) {
    switch (Size) {
    case osThumb:
        return QStringLiteral("Thumb_");
    case osMedium:
        return QStringLiteral("Medium_");
    case osLarge:
        return QStringLiteral("Large_");
    }
    return {};
}

TDimensions SizeBox(const TSettings& RunSettings, TOutputSize Size) {
    TDimensions box;
    switch (Size) {
    case osThumb:
        box = {RunSettings.ThumbWidth, RunSettings.ThumbHeight};
        break;
    case osMedium:
        box = {RunSettings.MediumWidth, RunSettings.MediumHeight};
        break;
    case osLarge:
        box = {RunSettings.LargeWidth, RunSettings.LargeHeight};
        break;
    }
    return {std::max(box.Width, 1), std::max(box.Height, 1)};
}

bool SizeEnabled(const TSettings& RunSettings, TOutputSize Size) {
    switch (Size) {
    case osThumb:
        return RunSettings.ProcessThumb;
    case osMedium:
        return RunSettings.ProcessMedium;
    case osLarge:
        return RunSettings.ProcessLarge;
    }
    return false;
}
