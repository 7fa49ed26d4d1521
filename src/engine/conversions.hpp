#pragma once
// The one place where numbers meet text and where reals become integers.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "fault.hpp"

namespace velmora {

// Strict signed 32-bit decimal integer: leading blanks, an optional sign,
// digits, nothing after. Throws FaultError(ConvertInteger) otherwise.
int32_t ParseInteger(const std::string& text);

// Strict real number into extended precision: optional blanks around an
// optional sign, digits with an optional point and an optional exponent.
// Throws FaultError(ConvertFloat) for anything else, including values beyond
// the extended range.
long double ParseReal(const std::string& text);

// Lenient integer: leading blanks skipped, an optional sign, then digits up
// to the first other character; no digits gives 0. Never fails; a value
// beyond 32 bits saturates.
int32_t ParseLenientInteger(const std::string& text);

// Fixed-point text of `value` with `decimals` decimals, right-aligned in a
// field of `width` characters (wider when the number needs it). Halves of the
// last digit go to the even neighbour.
std::string FormatFixed(long double value, int width, int decimals);

// FormatFixed's text when it reads back (ParseReal) to `value` itself, sign
// of zero included; otherwise the fewest significant digits that do, in the
// same field. Texts that are read again by a run must not move the number.
std::string FormatFixedExact(long double value, int width, int decimals);
// The same for a number held as a single: its text need only read back to
// the same single.
std::string FormatFixedExact(float value, int width, int decimals);

// Nearest integer, halves to the even neighbour. A value outside 64 bits (or
// not a number) is an invalid operation; outside 32 bits, a range fault.
// Inline: the image trap rounds at every step inside its rectangle, and a
// call there would move every value of the orbit loop off the x87 stack.
inline int64_t Round64(long double value) {
#if defined(__x86_64__) || defined(__i386__)
    // Well inside the range the conversion's own rounding, in the same mode,
    // gives the same whole number; frndint costs as much again.
    if (fabsl(value) < 0x1p62L) {
        int64_t out;
        __asm__("fistpll %0" : "=m"(out) : "t"(value) : "st");
        return out;
    }
#endif
    if (!(value >= -9223372036854775808.0L && value < 9223372036854775808.0L))
        throw FaultError(FaultKind::FloatInvalid);
    // The whole number then converts exactly, whatever the rounding mode.
    const long double r = NearbyInt(value);
    if (r >= 9223372036854775808.0L) throw FaultError(FaultKind::FloatInvalid);
#if defined(__x86_64__) || defined(__i386__)
    int64_t out;
    __asm__("fistpll %0" : "=m"(out) : "t"(r) : "st");
    return out;
#else
    return static_cast<int64_t>(r);
#endif
}

inline int32_t Round(long double value) {
    const int64_t r = Round64(value);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        throw FaultError(FaultKind::RangeCheck);
    return static_cast<int32_t>(r);
}

// a * b / d with a 64-bit intermediate, rounded to nearest with halves away
// from zero; -1 when d is 0 or the result does not fit in 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t d);

}  // namespace velmora
