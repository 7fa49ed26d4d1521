#include "conversions.hpp"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "fault.hpp"

namespace velmora {

int64_t Round64Far(long double value) {
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

void ThrowRangeCheck() { throw FaultError(FaultKind::RangeCheck); }

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int32_t ParseInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t firstDigit = i;
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1)
            throw FaultError(FaultKind::ConvertInteger, text);
    }
    if (i == firstDigit || i != text.size()) throw FaultError(FaultKind::ConvertInteger, text);
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) throw FaultError(FaultKind::ConvertInteger, text);
    return static_cast<int32_t>(value);
}

long double ParseReal(const std::string& text) {
    // Check the shape first: strtold alone would also take hex, "inf" and "nan".
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) throw FaultError(FaultKind::ConvertFloat, text);
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) ++expDigits;
        if (expDigits == 0) throw FaultError(FaultKind::ConvertFloat, text);
    }
    const size_t end = i;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i != text.size()) throw FaultError(FaultKind::ConvertFloat, text);

    const std::string number = text.substr(start, end - start);
    errno = 0;
    char* stop = nullptr;
    const long double value = strtold(number.c_str(), &stop);
    if (stop != number.c_str() + number.size()) throw FaultError(FaultKind::ConvertFloat, text);
    // Underflow to zero or a denormal is accepted; overflow is not a number
    // this program can hold.
    if (errno == ERANGE && std::isinf(value)) throw FaultError(FaultKind::ConvertFloat, text);
    // strtold may leave inexact/underflow flags; no fault flags can be raised
    // here, but keep the environment clean for the caller anyway.
    ClearFloatFaults();
    return value;
}

int32_t ParseLenientInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > (int64_t{1} << 32)) value = int64_t{1} << 32;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

std::string FormatFixed(long double value, int width, int decimals) {
    // printf converts the exact binary value and rounds halves to even in the
    // default rounding mode. Huge values need thousands of digits.
    std::string out(64, '\0');
    int needed = std::snprintf(out.data(), out.size(), "%*.*Lf", width, decimals, value);
    if (needed < 0) return {};
    if (static_cast<size_t>(needed) >= out.size()) {
        out.assign(static_cast<size_t>(needed) + 1, '\0');
        needed = std::snprintf(out.data(), out.size(), "%*.*Lf", width, decimals, value);
    }
    out.resize(static_cast<size_t>(needed));
    return out;
}

namespace {

// `fixed` if it reads back, else the shortest "%g" text that does. Every
// finite extended value reads back from 21 significant digits.
template <class ReadsBack>
std::string FormatReadingBack(long double value, int width, int decimals, ReadsBack readsBack) {
    auto reads = [&](const std::string& text) {
        try {
            return readsBack(ParseReal(text));
        } catch (const FaultError&) {
            return false;
        }
    };
    std::string text = FormatFixed(value, width, decimals);
    if (!std::isfinite(value) || reads(text)) return text;
    for (int digits = 1; digits <= 21; ++digits) {
        char out[64];
        std::snprintf(out, sizeof out, "%*.*Lg", width, digits, value);
        text = out;
        if (reads(text)) break;
    }
    ClearFloatFaults();
    return text;
}

}  // namespace

std::string FormatFixedExact(long double value, int width, int decimals) {
    return FormatReadingBack(value, width, decimals, [&](long double back) {
        return back == value && std::signbit(back) == std::signbit(value);
    });
}

std::string FormatFixedExact(float value, int width, int decimals) {
    return FormatReadingBack(value, width, decimals, [&](long double back) {
        // Beyond the single range it cannot be the same single.
        return std::fabs(back) <= FLT_MAX && static_cast<float>(back) == value &&
               std::signbit(back) == std::signbit(value);
    });
}

int32_t MulDiv(int32_t a, int32_t b, int32_t d) {
    if (d == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    int64_t quotient = product / d;
    const int64_t remainder = product % d;
    // Round halves away from zero: compare twice the remainder with d.
    const int64_t twice = remainder < 0 ? -2 * remainder : 2 * remainder;
    const int64_t absD = d < 0 ? -static_cast<int64_t>(d) : d;
    if (twice >= absD) quotient += ((product < 0) != (d < 0)) ? -1 : 1;
    if (quotient < std::numeric_limits<int32_t>::min() || quotient > std::numeric_limits<int32_t>::max())
        return -1;
    return static_cast<int32_t>(quotient);
}

}  // namespace velmora
