#include "byte_stream.hpp"

#include <algorithm>
#include <cstring>

namespace velmora {

size_t MemorySource::read(uint8_t* out, size_t count) {
    const size_t n = std::min(count, size_ - pos_);
    if (n > 0) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return n;
}

}  // namespace velmora
