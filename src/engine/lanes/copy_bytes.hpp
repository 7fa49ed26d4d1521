#pragma once

#include <cstring>
#include <type_traits>

namespace velmora::lanes {

// Copied as bytes: a long double assignment goes through the x87 unit, whose
// 80-bit loads and stores cost far more than two 8-byte moves, and a struct
// of them assigned may be read back by wider moves that must wait for those
// stores to finish.
template <class T>
inline void CopyBytes(T& to, const T& from) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(static_cast<void*>(&to), &from, sizeof(T));
}

}  // namespace velmora::lanes
