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

// Round64 beyond 2^62 in size, not a number included: out of line, as
// the common case must inline.
int64_t Round64Far(long double value);
[[noreturn]] void ThrowRangeCheck();

// Nearest integer, halves to the even neighbour. A value outside 64 bits (or
// not a number) is an invalid operation; outside 32 bits, a range fault.
// Always inline: a long double passed to a call goes through memory, and
// its ten-byte store and load stall the colour rules and the image trap
// (which rounds at every step inside its rectangle) more than the rounding
// costs.
[[gnu::always_inline]] inline int64_t Round64(long double value) {
#if defined(__x86_64__) || defined(__i386__)
    // Well inside the range the conversion's own rounding, in the same mode,
    // gives the same whole number; frndint costs as much again.
    if (fabsl(value) < 0x1p62L) [[likely]] {
        int64_t out;
        __asm__("fistpll %0" : "=m"(out) : "t"(value) : "st");
        return out;
    }
#endif
    return Round64Far(value);
}

[[gnu::always_inline]] inline int32_t Round(long double value) {
    const int64_t r = Round64(value);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) [[unlikely]]
        ThrowRangeCheck();
    return static_cast<int32_t>(r);
}

// a * b / d with a 64-bit intermediate, rounded to nearest with halves away
// from zero; -1 when d is 0 or the result does not fit in 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t d);

}  // namespace velmora
