#pragma once

#include <optional>

#include "batch/TargetSize.h"

class TMagickImage;

// The size of the picture in the file, for an image just loaded with a decode size hint. The JPEG
// decoder may have read it at a scale of N/8; the fit must still start from the file's own size,
// or an output could come out a pixel off. Returns the loaded size when the hint had no effect,
// the file's size when the image was read at a smaller scale, and nothing when the two cannot be
// told apart (the caller then loads the file again without the hint). Image must not be empty.
std::optional<TDimensions> SizeBeforeDecodeScaling(const TMagickImage& Image);

// The same rule on plain numbers: Loaded is what the decoder made of a file of Stored pixels.
std::optional<TDimensions> SizeBeforeDecodeScaling(TDimensions Loaded, TDimensions Stored,
                                                   bool DecodedAsJpeg);
