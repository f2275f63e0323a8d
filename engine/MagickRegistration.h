#pragma once

#include "graphics/PictureRegistry.h"

// Loads the engine once, keeping the result in MagickLoaded, and registers the engine's
// picture formats with the picture machinery whether or not it loaded. Raises EInvalidGraphic
// when the machinery's filter text would grow past what its open dialogs take.
void RegisterMagickFormats(TPictureRegistry& Registry = PictureRegistry());

// The same registrations without loading the engine: for a program whose workers decode, and
// which only asks whether a file's extension is one of the engine's.
void RegisterMagickFormatTable(TPictureRegistry& Registry = PictureRegistry());

// Registers the formats newer than the table (kNewerMagickExtensions) the same way, after it.
// Raises EInvalidGraphic as RegisterMagickFormats does.
void RegisterNewerMagickFormats(TPictureRegistry& Registry = PictureRegistry());

// Start-up and shut-down of the engine in the order the program relies on: the engine is loaded
// and its formats registered on construction; the reference is given back and the library freed
// on destruction, whatever references are still open.
class TEngineModule {
public:
    TEngineModule();
    ~TEngineModule();
    TEngineModule(const TEngineModule&) = delete;
    TEngineModule& operator=(const TEngineModule&) = delete;
};
