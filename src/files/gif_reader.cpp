#include "gif_reader.hpp"

#include <array>
#include <cstring>

#include "fault.hpp"
#include "gif_format.hpp"
#include "little_endian.hpp"

namespace velmora {
namespace {

// Whatever goes wrong inside the code stream.
struct BrokenStream {};
// The file ends before the layout does.
struct EndOfFile {};

class Input {
public:
    explicit Input(ByteSource& source) : source_(source) {}
    void read(uint8_t* out, size_t n) {
        if (source_.read(out, n) != n) throw EndOfFile{};
    }
    uint8_t byte() {
        uint8_t b;
        read(&b, 1);
        return b;
    }
    void skip(size_t n) {
        uint8_t scrap[256];
        while (n > 0) {
            const size_t take = std::min(n, sizeof scrap);
            read(scrap, take);
            n -= take;
        }
    }

private:
    ByteSource& source_;
};

// Codes least significant bit first out of the data sub-blocks. Reaching the
// terminator (a sub-block length of 0) ends the data and supplies a zero byte.
class BitReader {
public:
    explicit BitReader(Input& in) : in_(in) {}

    uint32_t ReadCode(int width, uint32_t mask) {
        while (bits_ < width && !endOfData) {
            accumulator_ |= static_cast<uint32_t>(nextByte()) << bits_;
            bits_ += 8;
        }
        if (bits_ < width) throw BrokenStream{};
        const uint32_t code = accumulator_ & mask;
        accumulator_ >>= width;
        bits_ -= width;
        return code;
    }

    bool endOfData = false;

private:
    uint8_t nextByte() {
        if (left_ == 0) {
            const uint8_t length = in_.byte();
            if (length == 0) {
                endOfData = true;
                return 0;
            }
            in_.read(block_.data(), length);
            position_ = 0;
            left_ = length;
        }
        --left_;
        return block_[position_++];
    }

    Input& in_;
    uint32_t accumulator_ = 0;
    int bits_ = 0;
    int left_ = 0;
    int position_ = 0;
    std::array<uint8_t, 255> block_{};
};

// Where decoded pixels go: never past the picture.
class PixelSink {
public:
    PixelSink(std::vector<uint8_t>& pixels, int width, GifReadProgress* progress)
        : pixels_(pixels), width_(width), progress_(progress) {}

    void StorePixel(uint8_t value) {
        if (position_ >= pixels_.size()) throw BrokenStream{};
        pixels_[position_++] = value;
        if (++column_ == width_) {
            if (progress_) progress_->rowDone(row_);
            column_ = 0;
            ++row_;
        }
    }

private:
    std::vector<uint8_t>& pixels_;
    size_t position_ = 0;
    int width_;
    int column_ = 0, row_ = 0;
    GifReadProgress* progress_;
};

enum class Decoded { EndCode, EndOfData, Broken };

// The LZW decoder, with the table as a plain array indexed by code and a
// stack that holds one string in reverse order.
class Decoder {
public:
    Decoder(BitReader& bits, PixelSink& sink) : bits_(bits), sink_(sink) {}

    Decoded DecodePicture() {
        try {
            read();  // the clear code every picture starts with
            while (!bits_.endOfData) {
                if (decodeRun()) return Decoded::EndCode;
            }
            return Decoded::EndOfData;
        } catch (const BrokenStream&) {
            return Decoded::Broken;
        } catch (const EndOfFile&) {
            return Decoded::Broken;
        }
    }

private:
    uint32_t read() { return bits_.ReadCode(width_, mask_); }

    // One stretch of codes up to a clear code (false) or the end code (true).
    bool decodeRun() {
        next_ = gif::kFirstCode;
        width_ = 9;
        limit_ = 512;
        mask_ = 0x1FF;
        uint32_t previous = read();
        if (bits_.endOfData) return false;
        uint8_t first = static_cast<uint8_t>(previous);
        sink_.StorePixel(first);
        for (;;) {
            const uint32_t code = read();
            if (code == gif::kEndCode) return true;
            if (code == gif::kClearCode) return false;
            size_t n = 0;
            uint32_t c = code;
            if (code >= next_) {
                stack_[n++] = first;
                c = previous;
            }
            // A broken table can chain without end: no string is longer
            // than the stack.
            while (c > 255) {
                if (n >= stack_.size()) throw BrokenStream{};
                stack_[n++] = suffix_[c];
                c = prefix_[c];
            }
            if (n >= stack_.size()) throw BrokenStream{};
            stack_[n++] = static_cast<uint8_t>(c);
            first = stack_[n - 1];
            while (n > 0) sink_.StorePixel(stack_[--n]);
            if (previous != next_) {
                prefix_[next_] = static_cast<uint16_t>(previous);
                suffix_[next_] = first;
            }
            if (next_ >= limit_ - 1) {
                if (width_ == gif::kLargestWidth) throw BrokenStream{};
                ++width_;
                limit_ *= 2;
                mask_ = mask_ * 2 + 1;
            }
            ++next_;
            previous = code;
        }
    }

    BitReader& bits_;
    PixelSink& sink_;
    uint32_t next_ = gif::kFirstCode;
    int width_ = 9;
    uint32_t limit_ = 512;
    uint32_t mask_ = 0x1FF;
    // Indexed by code; codes never exceed 12 bits.
    std::array<uint16_t, 4096> prefix_{};
    std::array<uint8_t, 4096> suffix_{};
    std::array<uint8_t, gif::kCodeTableSlots> stack_{};
};

bool ReadHeader(Input& in, GifReadResult& result, GifReadProgress* progress) {
    uint8_t header[13];
    in.read(header, 6);
    in.read(header + 6, 7);
    if (std::memcmp(header, gif::kSignature, 6) != 0) return false;
    const int16_t width = static_cast<int16_t>(GetU16(header + 6));
    const int16_t height = static_cast<int16_t>(GetU16(header + 8));
    // Refused before anything is made for it.
    if (width < 1 || height < 1 || int64_t{width} * height > gif::kMaxPixels) return false;
    result.width = width;
    result.height = height;
    if (progress) progress->started(height);
    if (header[10] != gif::kScreenPacked) return false;
    in.skip(gif::kColourTableBytes);  // the colours come from the block's marks
    if (in.byte() == gif::kImageSeparator) in.skip(9);
    return true;
}

// After the end code: any data sub-blocks left are skipped up to the
// terminator, so every file the writer makes is read (its last sub-block can
// follow the one that holds the end code). Otherwise the next bytes must be
// the terminator and the extension's first two bytes.
bool ReadToExtension(Input& in, Decoded decoded) {
    uint8_t head[3];
    if (decoded == Decoded::EndCode) {
        while (const uint8_t length = in.byte()) in.skip(length);
        in.read(head + 1, 2);
        head[0] = 0x00;
    } else {
        in.read(head, 3);
    }
    return head[0] == 0x00 && head[1] == gif::kExtensionIntroducer && head[2] == gif::kApplicationLabel;
}

bool ReadParameterExtension(Input& in, GifReadResult& result) {
    const uint8_t size = in.byte();
    uint8_t id[255];
    in.read(id, size);
    if (size != sizeof gif::kApplicationId || std::memcmp(id, gif::kApplicationId, size) != 0) {
        result.foreignExtension = true;
        return false;
    }
    in.read(result.block.bytes.data(), result.block.bytes.size());
    return true;
}

void Read(ByteSource& source, GifReadResult& result, GifReadProgress* progress) {
    Input in(source);
    if (!ReadHeader(in, result, progress)) return;
    in.byte();  // the LZW minimum code size: always 8 here
    result.pixels.assign(static_cast<size_t>(result.width) * static_cast<size_t>(result.height), 0);
    BitReader bits(in);
    PixelSink sink(result.pixels, result.width, progress);
    const Decoded decoded = Decoder(bits, sink).DecodePicture();
    if (!ReadToExtension(in, decoded)) return;
    if (!ReadParameterExtension(in, result)) return;
    if (decoded == Decoded::Broken) return;
    if (BlockTagMatches(result.block) && !BlockFitsPicture(result.block, result.width, result.height)) return;
    result.accepted = true;
}

}  // namespace

GifReadResult ReadGif(ByteSource& source, GifReadProgress* progress) {
    GifReadResult result;
    try {
        Read(source, result, progress);
    } catch (const EndOfFile&) {
        result.accepted = false;
    }
    return result;
}

}  // namespace velmora
