// The number parsers and formatters on any text.
//
// The parsers either accept or throw their conversion fault; what they accept
// prints and parses back (an integer exactly, a real within the rounding of
// the decimals printed, an integral real exactly). The rounding helpers are
// defined on every extended value, canonical or not: they return a correctly
// rounded result or throw a fault. MulDiv matches an exact reference.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "conversions.hpp"
#include "fault.hpp"
#include "fuzz_support.hpp"

namespace velmora {
namespace {

using fuzz::Fail;
using fuzz::Show;

void CheckInteger(const std::string& text) {
    const int32_t lenient = ParseLenientInteger(text);
    int32_t value;
    try {
        value = ParseInteger(text);
    } catch (const FaultError& e) {
        if (e.kind() != FaultKind::ConvertInteger) Fail("ParseInteger threw " + std::string(e.what()));
        return;
    }
    if (lenient != value) Fail("lenient " + std::to_string(lenient) + " but strict " + std::to_string(value));
    for (const int width : {0, 12}) {
        const std::string printed = FormatFixed(value, width, 0);
        if (ParseInteger(printed) != value) Fail("integer " + std::to_string(value) + " printed as " + printed);
    }
}

// One unit in the last place of |v| (the smallest denormal at least).
long double Ulp(long double v) {
    if (v == 0.0L || !std::isnormal(v)) return LDBL_TRUE_MIN;
    return ldexpl(1.0L, ilogbl(v) - (LDBL_MANT_DIG - 1));
}

void CheckRounding(long double x) {
    try {
        const int64_t r = Round64(x);
        const long double diff = fabsl(static_cast<long double>(r) - x);
        if (!(diff <= 0.5L) || (diff == 0.5L && r % 2 != 0)) Fail("Round64(" + Show(x) + ") = " + std::to_string(r));
    } catch (const FaultError& e) {
        if (x >= -9223372036854775808.0L && x < 9223372036854775808.0L)
            Fail("Round64(" + Show(x) + ") threw " + e.what());
    }
    try {
        const int32_t r = Round(x);
        const long double diff = fabsl(static_cast<long double>(r) - x);
        if (!(diff <= 0.5L) || (diff == 0.5L && r % 2 != 0)) Fail("Round(" + Show(x) + ") = " + std::to_string(r));
    } catch (const FaultError& e) {
        if (x > -2147483648.5L && x < 2147483647.5L) Fail("Round(" + Show(x) + ") threw " + e.what());
    }
    ClearFloatFaults();
}

void CheckRealRoundTrip(long double x) {
    const bool integral = x == truncl(x);
    for (const int decimals : {0, 1, 5, 11, 17, 18, 21}) {
        const std::string printed = FormatFixed(x, 20, decimals);
        if (printed.size() < 20 || (printed.size() > 20 && printed[0] == ' '))
            Fail("FormatFixed(" + Show(x) + ", 20, " + std::to_string(decimals) + ") = '" + printed + "'");
        long double y;
        try {
            y = ParseReal(printed);
        } catch (const FaultError&) {
            Fail("'" + printed + "' from " + Show(x) + " does not parse back");
        }
        const long double bound = 0.5L * powl(10.0L, -decimals) * (1.0L + 0x1p-60L) + Ulp(x) + Ulp(y);
        if (integral ? !(y == x) : !(fabsl(y - x) <= bound))
            Fail(Show(x) + " printed with " + std::to_string(decimals) + " decimals as '" + printed +
                 "' parses back as " + Show(y));
    }
    ClearFloatFaults();
}

void CheckReal(const std::string& text) {
    long double x;
    try {
        x = ParseReal(text);
    } catch (const FaultError& e) {
        if (e.kind() != FaultKind::ConvertFloat) Fail("ParseReal threw " + std::string(e.what()));
        return;
    }
    if (!std::isfinite(x)) Fail("ParseReal accepted '" + text + "' as " + Show(x));
    CheckRealRoundTrip(x);
    CheckRounding(x);
}

// Any 80-bit pattern, as a loaded picture may carry one: not a number,
// infinities, denormals and the encodings the processor rejects.
void CheckRawExtended(const uint8_t* bytes) {
    long double x = 0.0L;
    std::memcpy(&x, bytes, 10);
    CheckRounding(x);
    (void)FormatFixed(x, 14, 11);
    ClearFloatFaults();
}

// a * b / d rounded half away from zero, by magnitudes; -1 for d = 0 or a
// result beyond 32 bits.
int32_t ReferenceMulDiv(int32_t a, int32_t b, int32_t d) {
    if (d == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const uint64_t n = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    const uint64_t m = d < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(d)) : static_cast<uint64_t>(d);
    const unsigned __int128 q = (static_cast<unsigned __int128>(n) * 2 + m) / (static_cast<unsigned __int128>(m) * 2);
    const bool negative = (product < 0) != (d < 0) && q != 0;
    const __int128 r = negative ? -static_cast<__int128>(q) : static_cast<__int128>(q);
    if (r < INT32_MIN || r > INT32_MAX) return -1;
    return static_cast<int32_t>(r);
}

void CheckMulDiv(const uint8_t* bytes) {
    int32_t v[3];
    std::memcpy(v, bytes, sizeof v);
    const int32_t got = MulDiv(v[0], v[1], v[2]), want = ReferenceMulDiv(v[0], v[1], v[2]);
    if (got != want)
        Fail("MulDiv(" + std::to_string(v[0]) + ", " + std::to_string(v[1]) + ", " + std::to_string(v[2]) +
             ") = " + std::to_string(got) + ", expected " + std::to_string(want));
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckInteger(text);
    CheckReal(text);
    if (size >= 10) CheckRawExtended(data);
    if (size >= 12) CheckMulDiv(data);
    return 0;
}
