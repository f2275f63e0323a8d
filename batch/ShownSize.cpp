#include "ShownSize.h"

#include <algorithm>
#include <cmath>

namespace {

// The default rounding mode rounds halves to the even neighbour.
std::int32_t RoundedSide(std::int32_t Side, double Scale) {
    return std::max(1, static_cast<std::int32_t>(std::nearbyint(Side * Scale)));
}

} // namespace

TDimensions ShownSize(TDimensions Size, int LongSide, bool Enlarge) {
    if (Size.Width <= 0 || Size.Height <= 0) {
        return {};
    }
    const std::int32_t longer = std::max(Size.Width, Size.Height);
    if (!Enlarge && longer <= LongSide) {
        return Size;
    }
    const double scale = static_cast<double>(LongSide) / longer;
    return {RoundedSide(Size.Width, scale), RoundedSide(Size.Height, scale)};
}
