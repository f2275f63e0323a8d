#include "EngineCheck.h"

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"

TEngineCheck::TEngineCheck() {
    MagickLoaded = CheckImageMagickLibrary();
}

TEngineCheck::~TEngineCheck() {
    MagickLoaded = false;
}
