#pragma once
// Numbers in file bytes, least significant byte first, written and read one
// byte at a time so no struct layout or host byte order reaches a file.

#include <cfloat>
#include <cstdint>
#include <cstring>

namespace velmora {

inline void PutU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
inline uint16_t GetU16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

inline void PutI32(uint8_t* at, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(u >> (8 * i));
}
inline int32_t GetI32(const uint8_t* at) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(at[i]) << (8 * i);
    return static_cast<int32_t>(u);
}

// The 32-bit single: its bit pattern, byte by byte.
inline void PutSingle(uint8_t* at, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PutI32(at, static_cast<int32_t>(bits));
}
inline float GetSingle(const uint8_t* at) {
    const auto bits = static_cast<uint32_t>(GetI32(at));
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

// The 80-bit extended: 64-bit significand (integer bit explicit), then sign
// and 15-bit exponent. On x86-64 that is exactly the first ten bytes of a
// long double, in this order; the rest of it is padding.
static_assert(LDBL_MANT_DIG == 64 && sizeof(long double) >= 10, "long double must be the 80-bit extended format");

inline void PutExtended(uint8_t* at, long double v) {
    uint8_t raw[sizeof(long double)];
    std::memcpy(raw, &v, sizeof raw);
    for (int i = 0; i < 10; ++i) at[i] = raw[i];
}
inline long double GetExtended(const uint8_t* at) {
    uint8_t raw[sizeof(long double)] = {};
    for (int i = 0; i < 10; ++i) raw[i] = at[i];
    long double v;
    std::memcpy(&v, raw, sizeof v);
    return v;
}

// A finite number in its one canonical pattern: the exponent is not the
// all-ones of infinities and NaNs, and the integer bit is set exactly when
// the exponent is not zero (an "unnormal" is an invalid operand to the
// arithmetic; a pseudo-denormal is never produced by it).
inline bool IsFiniteExtended(const uint8_t* at) {
    const int exponent = (at[8] | (at[9] << 8)) & 0x7FFF;
    const bool integerBit = (at[7] & 0x80) != 0;
    return exponent != 0x7FFF && integerBit == (exponent != 0);
}

}  // namespace velmora
