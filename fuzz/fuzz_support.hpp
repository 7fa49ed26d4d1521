#pragma once
// What the harnesses share: a reader that turns fuzz bytes into the engine's
// inputs, bit-exact comparison of extended reals, and a failure report that
// spells the case out, so that a finding can be turned into a test.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "complex.hpp"
#include "fault.hpp"
#include "formula_table.hpp"
#include "stalk_table.hpp"

namespace velmora::fuzz {

// Reads values from the front of the input. Once the bytes run out every
// value reads as zero, so any input is a complete case and a short input is
// a simple one.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
    uint32_t u32() { return static_cast<uint32_t>(u16()) | (static_cast<uint32_t>(u16()) << 16); }
    bool flag() { return (byte() & 1) != 0; }
    // lo..hi, from one byte when the range allows it.
    int range(int lo, int hi) {
        const uint32_t span = static_cast<uint32_t>(hi - lo) + 1;
        const uint32_t raw = span <= 256 ? byte() : u16();
        return lo + static_cast<int>(raw % span);
    }

    // A finite extended real. A tag byte picks an edge value (where the
    // arithmetic overflows, underflows or loses its argument reduction) or a
    // 32-bit mantissa with a small, a medium or any exponent.
    long double real() {
        const uint8_t tag = byte();
        const bool negative = (tag & 1) != 0;
        const int kind = tag >> 1;
        long double v;
        if (kind < kEdgeCount) {
            v = kEdge[kind];
        } else {
            const long double mantissa = 1.0L + static_cast<long double>(u32()) / 4294967296.0L;
            int exponent;
            if (kind < 88)
                exponent = range(-24, 24);
            else if (kind < 112)
                exponent = range(-1200, 1200);
            else
                exponent = range(-16446, 16383);
            v = ldexpl(mantissa, exponent);
            if (!std::isfinite(v)) v = LDBL_MAX;
        }
        return negative ? -v : v;
    }
    Complex complex() {
        const long double re = real();
        return Complex{re, real()};
    }

    size_t remaining() const { return size_ - pos_; }

private:
    static constexpr int kEdgeCount = 24;
    static constexpr long double kEdge[kEdgeCount] = {
        0.0L, 1.0L, 2.0L, 0.5L, 4.0L, 3.0L, 0.1L, 1000.0L,
        12000.0L,                        // e^x underflows for -x, overflows for x
        11356.5L,                        // just below where e^x overflows
        11357.25L,                       // just above
        1e-5L,
        1.5707963267948966192313216916397514L,  // pi/2
        3.1415926535897932384626433832795029L,  // pi
        9223372036854775808.0L,          // 2^63: no argument reduction from here
        1.5e154L,                        // its square is beyond double precision
        1e2466L,                         // its square overflows
        1e-2466L,                        // its square underflows
        LDBL_MIN, LDBL_TRUE_MIN, LDBL_MAX, DBL_MAX,
        0.2L, 710.0L,
    };

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Equal in all 80 bits of the value (the padding bytes of long double are not
// part of it), so -0 differs from +0.
inline bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }
inline bool SameBits(const Complex& a, const Complex& b) { return SameBits(a.re, b.re) && SameBits(a.im, b.im); }

// Exact hexadecimal form, then a readable decimal one.
inline std::string Show(long double v) {
    char text[96];
    std::snprintf(text, sizeof text, "%La (%.6Lg)", v, v);
    return text;
}
inline std::string Show(const Complex& z) { return "(" + Show(z.re) + ", " + Show(z.im) + ")"; }

// A formula or stalk value with its menu caption, when it has one.
inline std::string WithCaption(int value, const char* caption) {
    return std::to_string(value) + (caption ? std::string(" (") + caption + ")" : std::string());
}
inline std::string FormulaName(int kind) {
    const FormulaRecord* r = FindFormula(kind);
    return WithCaption(kind, r ? r->caption : nullptr);
}
inline std::string StalkName(int type) {
    const StalkRecord* r = FindStalk(type);
    return WithCaption(type, r ? r->caption : nullptr);
}

// A fault's message, or "none".
inline std::string FaultName(FaultKind kind) { return kind == FaultKind::None ? "none" : FaultMessage(kind); }

// Reports a finding and stops the fuzzer on it.
[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "\n==== finding ====\n%s\n", what.c_str());
    std::abort();
}

}  // namespace velmora::fuzz
