#pragma once

#include <optional>

#include "batch/TargetSize.h"

// How the engine's JPEG decoder scales while it decodes, and which size hint to give it.
//
// Given a hint box, the decoder divides the file's size by it, takes the smaller of the two
// ratios rounded down as a denominator D, and reads at the smallest K/8 with K/8 >= 1/D: 1/8,
// 2/8, 3/8, 4/8 or the full size, and twice the size when the box is larger than the file
// (D = 0). A side made at K/8 is ceil(side × K / 8).

// Stored as EXIF Orientation turns it: orientations 5 to 8 turn a quarter, so the upright width
// is the stored height.
TDimensions Upright(TDimensions Stored, int Orientation);

// The eighths the decoder reads a file of Stored pixels at when given Hint (both sides above 0).
int JpegDecodeEighths(TDimensions Stored, TDimensions Hint);

// Stored read at Eighths / 8.
TDimensions ScaledByEighths(TDimensions Stored, int Eighths);

// The hint that has the decoder read the file at the smallest scale that still gives at least
// AtLeast in both directions; nothing when only the full size does (no hint is then needed).
std::optional<TDimensions> SmallestJpegDecodeHint(TDimensions Stored, TDimensions AtLeast);

// Box as the hint, unless it is larger than the file and would have the decoder enlarge it:
// then nothing, and the file is read at its own size.
std::optional<TDimensions> BoxJpegDecodeHint(TDimensions Stored, TDimensions Box);
