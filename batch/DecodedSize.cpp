#include "DecodedSize.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kFullScale = 8;
constexpr int kLargestEighths = 16;

std::int64_t DivideRoundingUp(std::int64_t Value, std::int64_t Divisor) {
    return (Value + Divisor - 1) / Divisor;
}

// The denominator that makes the decoder read at each reduced scale, by the rule above.
struct TReducedScale {
    int Eighths;
    int Denominator;
};
constexpr std::array<TReducedScale, 4> kReducedScales = {{{1, 8}, {2, 4}, {3, 3}, {4, 2}}};

} // namespace

int JpegDecodeEighths(TDimensions Stored, TDimensions Hint) {
    // The decoder works in doubles and truncates: the same here, so a size at a boundary falls
    // the same way.
    const double ratio = std::min(static_cast<double>(Stored.Width) / Hint.Width,
                                  static_cast<double>(Stored.Height) / Hint.Height);
    const auto denominator = static_cast<std::int64_t>(ratio);
    for (int eighths = 1; eighths < kLargestEighths; ++eighths) {
        if (kFullScale <= denominator * eighths) {
            return eighths;
        }
    }
    return kLargestEighths;
}

TDimensions ScaledByEighths(TDimensions Stored, int Eighths) {
    return {static_cast<std::int32_t>(DivideRoundingUp(std::int64_t{Stored.Width} * Eighths, 8)),
            static_cast<std::int32_t>(DivideRoundingUp(std::int64_t{Stored.Height} * Eighths, 8))};
}

std::optional<TDimensions> SmallestJpegDecodeHint(TDimensions Stored, TDimensions AtLeast) {
    for (const TReducedScale scale : kReducedScales) {
        const TDimensions made = ScaledByEighths(Stored, scale.Eighths);
        if (made.Width < AtLeast.Width || made.Height < AtLeast.Height) {
            continue;
        }
        // A box that divides the file by the denominator; rounding down keeps each ratio at
        // least the denominator. A very small file can still land on another scale, so the
        // hint is kept only when the decoder's rule gives the scale wanted.
        const TDimensions hint = {Stored.Width / scale.Denominator,
                                  Stored.Height / scale.Denominator};
        if (hint.Width > 0 && hint.Height > 0 && JpegDecodeEighths(Stored, hint) == scale.Eighths) {
            return hint;
        }
    }
    return std::nullopt;
}

std::optional<TDimensions> BoxJpegDecodeHint(TDimensions Stored, TDimensions Box) {
    if (JpegDecodeEighths(Stored, Box) > kFullScale) {
        return std::nullopt;
    }
    return Box;
}

TDimensions Upright(TDimensions Stored, int Orientation) {
    return Orientation >= 5 && Orientation <= 8 ? TDimensions{Stored.Height, Stored.Width} : Stored;
}
