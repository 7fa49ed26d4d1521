#pragma once
// The bytes of a file come from a source and go to a sink, so the codecs
// run the same over memory (tests, fuzzing, benchmarks) and over files (the
// program).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `count` bytes into `out` and returns how many it read:
    // fewer only where the data ends. A failure of the medium throws.
    virtual size_t read(uint8_t* out, size_t count) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Takes all `count` bytes, or throws.
    virtual void write(const uint8_t* data, size_t count) = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit MemorySource(const std::vector<uint8_t>& bytes) : MemorySource(bytes.data(), bytes.size()) {}
    size_t read(uint8_t* out, size_t count) override;

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

class MemorySink : public ByteSink {
public:
    void write(const uint8_t* data, size_t count) override { bytes.insert(bytes.end(), data, data + count); }
    std::vector<uint8_t> bytes;
};

}  // namespace velmora
