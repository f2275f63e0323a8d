#include "DecodedSize.h"

namespace {

std::int64_t DivideRoundingUp(std::int64_t Value, std::int64_t Divisor) {
    return (Value + Divisor - 1) / Divisor;
}

} // namespace

std::optional<TDimensions> SizeBeforeDecodeScaling(TDimensions Loaded, TDimensions Stored,
                                                   bool DecodedAsJpeg) {
    // Only the JPEG decoder takes the hint, so any other image is as the file holds it.
    if (!DecodedAsJpeg || Loaded == Stored) {
        return Loaded;
    }
    // The decoder makes ceil(size × N / 8) for N from 1 to 7 when it shrinks. Anything else (for
    // instance a larger image, which it makes when the file is smaller than the hint) is not a
    // shrink that the fit can start from.
    for (int eighths = 1; eighths < 8; ++eighths) {
        if (DivideRoundingUp(std::int64_t{Stored.Width} * eighths, 8) == Loaded.Width &&
            DivideRoundingUp(std::int64_t{Stored.Height} * eighths, 8) == Loaded.Height) {
            return Stored;
        }
    }
    return std::nullopt;
}
