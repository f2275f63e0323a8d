#include "EnginePreload.h"

#include <ctime>

#include "engine/EngineScope.h"

#include "engine/EnginePolicy.h"
#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"

namespace {

// The lists the engine reads from its configuration files the first time it needs them: the
// signatures that tell a format from its bytes, its messages, and its delegates (which the
// rights refuse, but which a decoder still looks up). The time zone, for the times it stamps.
void LoadConfigurationLists() {
    TExceptionRecord exception;
    const unsigned char signature[] = {0xFF, 0xD8, 0xFF};
    Magick::GetMagicInfo(signature, sizeof signature, exception.get());
    Magick::GetLocaleInfo_("*", exception.get());
    Magick::GetDelegateInfo("*", "*", exception.get());
    ::tzset();
}

} // namespace

bool StartEngineSelfContained() {
    MagickLoaded = LoadImageMagick("");
    if (!MagickLoaded || !LoadAllowedCoders()) {
        return false;
    }
    LoadConfigurationLists();
    DropEngineTemporaryFolder();
    return true;
}
