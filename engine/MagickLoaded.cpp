// Whether the engine is there, apart from the graphic class: a program that shows no picture asks
// it without linking the graphics stack.

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "platform/Errors.h"

bool MagickLoaded = false;

void TMagickImage::CheckLibraryLoaded() {
    // The flag says the start-up load worked; the binding says the library is still there.
    if (!MagickLoaded || !MagickLibState().Loaded)
        throw EInvalidGraphic("ImageMagick library not loaded");
}

void ShutDownEngine() {
    MagickLoaded = false;
    UnloadImageMagick();
    ShutDownImageMagickAPI();
}
