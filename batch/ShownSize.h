#pragma once

// The size a preview shows. Apart from the previews' pictures, which need the engine, so that
// the protocol's reader of a preview's answer builds without it.

#include "batch/TargetSize.h"

// Size scaled so that its longer side becomes LongSide: both sides multiplied by LongSide over
// the longer one, in double precision, and rounded to the nearest integer with ties to even, a
// side that would round to 0 kept 1 pixel wide. Without Enlarge, a picture whose longer side is
// LongSide or less keeps its own size. Empty for a size without pixels.
TDimensions ShownSize(TDimensions Size, int LongSide, bool Enlarge);
