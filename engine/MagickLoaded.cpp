// Whether the engine is there, apart from the graphic class: a program that shows no picture asks
// it without linking the graphics stack.

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "platform/Errors.h"

bool MagickLoaded = false;

namespace {

// Set while a TEngineCheck found the library good: the engine runs in the workers alone.
bool CheckedForWorkers = false;

} // namespace

void TMagickImage::CheckLibraryLoaded() {
    // The flag says the start-up load (or the check) worked; where the engine runs in this
    // process, the binding says the library is still there.
    if (!MagickLoaded || !(CheckedForWorkers || MagickLibState().Loaded))
        throw EInvalidGraphic("ImageMagick library not loaded");
}

TEngineCheck::TEngineCheck() {
    MagickLoaded = CheckImageMagickLibrary();
    CheckedForWorkers = MagickLoaded;
}

TEngineCheck::~TEngineCheck() {
    MagickLoaded = false;
    CheckedForWorkers = false;
}

void ShutDownEngine() {
    MagickLoaded = false;
    UnloadImageMagick();
    ShutDownImageMagickAPI();
}
