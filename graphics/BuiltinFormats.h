#pragma once

#include "PictureRegistry.h"

// Registers the formats read without the engine, in this order: bmp, ico, wmf, emf, jpg, jpeg.
// Start-up runs it before the engine's formats, so an engine registration of jpg or jpeg wins.
void RegisterBuiltinFormats(TPictureRegistry& Registry = PictureRegistry());
