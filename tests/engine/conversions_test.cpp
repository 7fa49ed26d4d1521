#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "conversions.hpp"
#include "fault.hpp"

namespace velmora {
namespace {

TEST(Conversions, StrictIntegers) {
    const struct {
        const char* text;
        int32_t value;
    } good[] = {{"200", 200}, {"  -3", -3}, {"+17", 17}, {"0", 0}, {"2147483647", 2147483647},
                {"-2147483648", INT32_MIN}, {"007", 7}};
    for (const auto& c : good) EXPECT_EQ(ParseInteger(c.text), c.value) << c.text;

    const char* bad[] = {"", " ", "abc", "12a", "1.5", "200 ", "2147483648", "-2147483649", "--1", "$10", "1e3"};
    for (const char* text : bad) {
        try {
            ParseInteger(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const FaultError& e) {
            EXPECT_EQ(e.kind(), FaultKind::ConvertInteger);
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(Conversions, StrictReals) {
    const struct {
        const char* text;
        long double value;
    } good[] = {{"3.3", 3.3L},     {"-0.775", -0.775L}, {"  4.00000000000000000", 4.0L}, {"1e3", 1000.0L},
                {"2.5E-2", 0.025L}, {".5", 0.5L},        {"5.", 5.0L},                    {"+1", 1.0L},
                {"1e-5000", 0.0L},  {"0.1 ", 0.1L}};
    for (const auto& c : good) EXPECT_EQ(ParseReal(c.text), c.value) << c.text;

    const char* bad[] = {"", "abc", "inf", "nan", "0x10", "1e", "1.2.3", "1,5", "e5", "1e99999", "-", "."};
    for (const char* text : bad) {
        try {
            ParseReal(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const FaultError& e) {
            EXPECT_EQ(e.kind(), FaultKind::ConvertFloat);
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
}

TEST(Conversions, LenientIntegers) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {{"12abc", 12}, {"abc", 0}, {"", 0}, {"  -4x", -4}, {"+", 0}, {"99999999999", INT32_MAX},
                 {"-99999999999", INT32_MIN}, {"3.9", 3}};
    for (const auto& c : cases) EXPECT_EQ(ParseLenientInteger(c.text), c.value) << c.text;
}

TEST(Conversions, FixedFormat) {
    const struct {
        long double value;
        int width, decimals;
        const char* text;
    } cases[] = {
        {4.0L, 20, 17, " 4.00000000000000000"},
        {0.0L, 20, 17, " 0.00000000000000000"},
        {-0.5L, 20, 17, "-0.50000000000000000"},
        {50.0L, 5, 0, "   50"},
        {99.0L, 5, 0, "   99"},
        {12.5L, 5, 0, "   12"},  // halves to even
        {13.5L, 5, 0, "   14"},
        {123456.0L, 5, 0, "123456"},  // a wider number widens the field
        {0.25L, 20, 18, "0.250000000000000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.value, c.width, c.decimals), c.text);
}

TEST(Conversions, RoundHalvesToEven) {
    const struct {
        long double value;
        int32_t rounded;
    } cases[] = {{0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0}, {-1.5L, -2}, {29.0L * 0.5L, 14}, {0.49999L, 0}};
    for (const auto& c : cases) EXPECT_EQ(Round(c.value), c.rounded) << static_cast<double>(c.value);

    try {
        Round(3e9L);
        ADD_FAILURE();
    } catch (const FaultError& e) {
        EXPECT_EQ(e.kind(), FaultKind::RangeCheck);
    }
    try {
        Round(1e30L);
        ADD_FAILURE();
    } catch (const FaultError& e) {
        EXPECT_EQ(e.kind(), FaultKind::FloatInvalid);
    }
    // The ends of the 64-bit range: a value below 2^63 that rounds up to it
    // does not fit.
    EXPECT_EQ(Round64(-0x1p63L), INT64_MIN);
    EXPECT_EQ(Round64(0x1p63L - 1.0L), INT64_MAX);
    EXPECT_EQ(Round64(-0x1p62L - 0.5L), -(int64_t{1} << 62));
    for (const long double v : {0x1p63L - 0.5L, -0x1p63L - 1.0L, __builtin_nanl("")}) {
        try {
            Round64(v);
            ADD_FAILURE() << static_cast<double>(v);
        } catch (const FaultError& e) {
            EXPECT_EQ(e.kind(), FaultKind::FloatInvalid);
        }
    }
}

TEST(Conversions, NearbyIntIsTheLibraryRoundingInEveryMode) {
    const long double values[] = {0.5L, 2.5L, -2.5L, 0.49999L, -0.0L, 1e-4940L, 0x1p63L - 0.5L, 1e30L, -1e4000L,
                                  __builtin_infl(), -__builtin_infl(), __builtin_nanl("")};
    for (const int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const long double v : values) {
            ClearFloatFaults();
            const long double expected = nearbyintl(v);
            const long double r = NearbyInt(v);
            EXPECT_FALSE(FloatFaultPending()) << mode << " " << static_cast<double>(v);
            EXPECT_EQ(std::memcmp(&r, &expected, 10), 0) << mode << " " << static_cast<double>(v);
        }
    }
    std::fesetround(FE_TONEAREST);
    ClearFloatFaults();
}

TEST(Conversions, ScaleByPowerOfTwoIsTheLibraryScalingInEveryMode) {
    // Results normal, subnormal (rounded), below the least and beyond the
    // largest, from the values the exponential scales.
    const long double values[] = {1.0L, 0.70710678118654752440L, 1.4142135623730950488L, -1.2345678901234567890L};
    const long scales[] = {0, 1, -1, 16383, 16384, -16382, -16400, -16444, -16445, -16446, -16470, -100000, 100000};
    for (const int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const long double v : values) {
            for (const long scale : scales) {
                ClearFloatFaults();
                const long double expected = scalblnl(v, scale);
                const bool expectedFault = FloatFaultPending();
                ClearFloatFaults();
                const long double r = ScaleByPowerOfTwo(v, scale);
                EXPECT_EQ(FloatFaultPending(), expectedFault) << mode << " " << scale;
                EXPECT_EQ(std::memcmp(&r, &expected, 10), 0) << mode << " " << static_cast<double>(v) << " " << scale;
            }
        }
    }
    std::fesetround(FE_TONEAREST);
    ClearFloatFaults();
}

TEST(Conversions, MulDivRoundsHalvesAwayFromZero) {
    const struct {
        int32_t a, b, d, result;
    } cases[] = {
        {200, 3, 4, 150}, {201, 3, 4, 151}, {202, 3, 4, 152}, {2, 3, 4, 2},   {1, 3, 4, 1},
        {-2, 3, 4, -2},   {180, 45, 50, 162}, {60, 45, 50, 54}, {180, -2, 0, -1}, {5, 1, 2, 3},
        {-5, 1, 2, -3},   {5, 1, -2, -3},   {INT32_MAX, 2, 1, -1}, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.d), c.result) << c.a << "*" << c.b << "/" << c.d;
}

TEST(Conversions, FaultMessages) {
    EXPECT_EQ(FaultMessage(FaultKind::FloatOverflow), "Floating point overflow");
    EXPECT_EQ(FaultMessage(FaultKind::FloatInvalid), "Invalid floating point operation");
    EXPECT_EQ(FaultMessage(FaultKind::FloatZeroDivide), "Floating point division by zero");
    EXPECT_EQ(FaultMessage(FaultKind::RangeCheck), "Range check error");
    EXPECT_EQ(FileErrorMessage(2), "File not found");
    EXPECT_EQ(FileErrorMessage(101), "Disk full");
    EXPECT_EQ(FileErrorMessage(999), "I/O error 999");
}

}  // namespace
}  // namespace velmora
