#include "TargetSize.h"

#include <bit>
#include <cmath>
#include <limits>

#include "platform/Errors.h"

static_assert(std::numeric_limits<double>::is_iec559, "the ratios are IEEE 754 doubles");

namespace {

// An unsigned 128-bit number, enough for a 32-bit integer times a 53-bit significand.
struct TWide {
    std::uint64_t High = 0;
    std::uint64_t Low = 0;
};

TWide Multiply(std::uint64_t A, std::uint32_t B) {
    const std::uint64_t lowPart = (A & 0xFFFFFFFFu) * B;
    const std::uint64_t highPart = (A >> 32) * B;
    TWide result;
    result.Low = lowPart + (highPart << 32);
    result.High = (highPart >> 32) + (result.Low < lowPart ? 1 : 0);
    return result;
}

int BitLength(const TWide& Value) {
    if (Value.High != 0) {
        return 128 - std::countl_zero(Value.High);
    }
    return 64 - std::countl_zero(Value.Low);
}

// Bits [Shift, Shift + 64) of Value; Shift is between 1 and 64.
std::uint64_t ShiftRight(const TWide& Value, int Shift) {
    if (Shift == 64) {
        return Value.High;
    }
    return (Value.Low >> Shift) | (Value.High << (64 - Shift));
}

// -1, 0 or 1 as the bits of Value below Shift (1 to 64) are below, at or above half of 2^Shift.
int CompareDroppedToHalf(const TWide& Value, int Shift) {
    const std::uint64_t dropped =
        Shift == 64 ? Value.Low : Value.Low & ((std::uint64_t{1} << Shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (Shift - 1);
    if (dropped == half) {
        return 0;
    }
    return dropped < half ? -1 : 1;
}

// Mantissa × 2^Exponent rounded to an integer, ties to even.
std::uint64_t RoundToInteger(std::uint64_t Mantissa, int Exponent) {
    if (Exponent >= 0) {
        if (Exponent >= 64 || (Exponent > 0 && (Mantissa >> (64 - Exponent)) != 0)) {
            throw Exception("The scaled size is too large");
        }
        return Mantissa << Exponent;
    }
    const int shift = -Exponent;
    if (shift > 64) {
        return 0; // below 2^-1
    }
    const TWide value{0, Mantissa};
    const std::uint64_t whole = shift == 64 ? 0 : Mantissa >> shift;
    const int versusHalf = CompareDroppedToHalf(value, shift);
    const bool up = versusHalf > 0 || (versusHalf == 0 && (whole & 1) != 0);
    return whole + (up ? 1 : 0);
}

} // namespace

std::int64_t RoundExtendedProduct(std::int32_t Value, double Factor) {
    if (!std::isfinite(Factor)) {
        throw Exception("The scale factor is not a number");
    }
    if (Value == 0 || Factor == 0.0) {
        return 0;
    }
    const bool negative = (Value < 0) != (Factor < 0.0);
    const std::uint32_t magnitude = Value < 0 ? std::uint32_t{0} - static_cast<std::uint32_t>(Value)
                                              : static_cast<std::uint32_t>(Value);

    // Factor = significand × 2^(exponent - 53), with the significand a 53-bit integer.
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(Factor), &exponent);
    const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;

    // The exact product, then rounded to 64 significant bits as the extended format holds it.
    const TWide product = Multiply(significand, magnitude);
    std::uint64_t mantissa = product.Low;
    const int excess = BitLength(product) - 64;
    if (excess > 0) {
        mantissa = ShiftRight(product, excess);
        const int versusHalf = CompareDroppedToHalf(product, excess);
        exponent += excess;
        if (versusHalf > 0 || (versusHalf == 0 && (mantissa & 1) != 0)) {
            ++mantissa;
            if (mantissa == 0) { // carried out of 64 bits: exactly 2^64
                mantissa = std::uint64_t{1} << 63;
                ++exponent;
            }
        }
    }

    const std::uint64_t rounded = RoundToInteger(mantissa, exponent);
    if (rounded > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        throw Exception("The scaled size is too large");
    }
    const auto result = static_cast<std::int64_t>(rounded);
    return negative ? -result : result;
}

double FitFactor(TDimensions Source, TDimensions Box) {
    const double ratioWidth = static_cast<double>(Box.Width) / Source.Width;
    const double ratioHeight = static_cast<double>(Box.Height) / Source.Height;
    return ratioHeight > ratioWidth ? ratioWidth : ratioHeight;
}

TDimensions FitInto(TDimensions Source, TDimensions Box) {
    if (Source.Width <= 0 || Source.Height <= 0) {
        throw EInvalidGraphic("The image is empty: no picture was read from the file");
    }
    const double factor = FitFactor(Source, Box);
    const auto clamp = [](std::int64_t Value) {
        if (Value < 1) {
            return std::int32_t{1};
        }
        if (Value > std::numeric_limits<std::int32_t>::max()) {
            throw Exception("The scaled size is too large");
        }
        return static_cast<std::int32_t>(Value);
    };
    return {clamp(RoundExtendedProduct(Source.Width, factor)),
            clamp(RoundExtendedProduct(Source.Height, factor))};
}
