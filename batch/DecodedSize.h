#pragma once

#include <optional>

#include "batch/TargetSize.h"

// The size of the picture in the file, for an image just decoded with a size hint: Loaded is what
// the decoder made of a file that declares Stored pixels. The JPEG decoder may have read it at a
// scale of N/8; the fit must still start from the file's own size, or an output could come out a
// pixel off. Returns Loaded when the hint had no effect, Stored when the image was read at a
// smaller scale, and nothing when the two cannot be told apart (the caller then decodes the file
// again without the hint).
std::optional<TDimensions> SizeBeforeDecodeScaling(TDimensions Loaded, TDimensions Stored,
                                                   bool DecodedAsJpeg);
