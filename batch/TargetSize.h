#pragma once

#include <cstdint>

// Width and height in pixels of an image or of a box to fit it into.
struct TDimensions {
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    friend bool operator==(const TDimensions&, const TDimensions&) = default;
};

// Value × Factor as 80-bit extended precision gives it: the exact product is first rounded to a
// 64-bit significand (nearest, ties to even), and that result to an integer (nearest, ties to
// even). The fit's results depend on that double rounding at exact halves. Done with integers,
// so it does not depend on how wide the compiler's long double is. Factor must be finite.
std::int64_t RoundExtendedProduct(std::int32_t Value, double Factor);

// The factor that fits Source into Box keeping its aspect ratio: the smaller of the two ratios,
// each rounded to a double. Source must have both dimensions above 0.
double FitFactor(TDimensions Source, TDimensions Box);

// The dimensions Source gets when fitted into Box (both dimensions of Box at least 1). Nothing
// caps the factor at 1, so a small image is enlarged. Each result is at least 1 pixel, so an
// extreme aspect ratio never asks the engine for an empty image. Raises EInvalidGraphic when
// Source is empty.
TDimensions FitInto(TDimensions Source, TDimensions Box);
