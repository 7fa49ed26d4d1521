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
    // False at the end of the file.
    bool tryByte(uint8_t& b) { return source_.read(&b, 1) == 1; }
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

    bool full() const { return position_ == pixels_.size(); }

private:
    std::vector<uint8_t>& pixels_;
    size_t position_ = 0;
    int width_;
    int column_ = 0, row_ = 0;
    GifReadProgress* progress_;
};

enum class Decoded { EndCode, Broken };

// The LZW decoder, with the table as a plain array indexed by code and a
// stack that holds one string in reverse order.
class Decoder {
public:
    Decoder(BitReader& bits, PixelSink& sink) : bits_(bits), sink_(sink) {}

    // Only a stream that starts with a clear code, uses no code before the
    // table holds it and reaches the end code exactly when the picture is
    // full is a picture.
    Decoded DecodePicture() {
        try {
            if (read() != gif::kClearCode) return Decoded::Broken;
            while (!decodeRun()) {
            }
            return sink_.full() ? Decoded::EndCode : Decoded::Broken;
        } catch (const BrokenStream&) {
            return Decoded::Broken;
        } catch (const EndOfFile&) {
            return Decoded::Broken;
        }
    }

private:
    uint32_t read() { return bits_.ReadCode(width_, mask_); }

    // One stretch of codes up to a clear code (false) or the end code (true).
    // Past the terminator the reader supplies zero bits until they run out,
    // so a stream without its end code always ends broken.
    bool decodeRun() {
        next_ = gif::kFirstCode;
        width_ = 9;
        limit_ = 512;
        mask_ = 0x1FF;
        uint32_t previous = read();
        if (previous == gif::kClearCode) return false;
        if (previous == gif::kEndCode) return true;
        if (previous > gif::kEndCode) throw BrokenStream{};  // the table holds only pixel values yet
        uint8_t first = static_cast<uint8_t>(previous);
        sink_.StorePixel(first);
        for (;;) {
            const uint32_t code = read();
            if (code == gif::kEndCode) return true;
            if (code == gif::kClearCode) return false;
            if (code > next_) throw BrokenStream{};  // not in the table, nor the one about to be made
            size_t n = 0;
            uint32_t c = code;
            if (code == next_) {
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
    // The one image covers the screen from its corner, with no colour table
    // of its own and its rows in order: the pixels are placed as they come.
    uint8_t image[10];
    in.read(image, sizeof image);
    return image[0] == gif::kImageSeparator && GetU16(image + 1) == 0 && GetU16(image + 3) == 0 &&
           GetU16(image + 5) == GetU16(header + 6) && GetU16(image + 7) == GetU16(header + 8) && image[9] == 0x00;
}

// After the end code: any data sub-blocks left are skipped up to the
// terminator, so every file the writer makes is read (its last sub-block can
// follow the one that holds the end code). The bit reader may already have
// met the terminator. Then come the extension's first two bytes.
bool ReadToExtension(Input& in, bool terminatorRead) {
    if (!terminatorRead)
        while (const uint8_t length = in.byte()) in.skip(length);
    uint8_t head[2];
    in.read(head, 2);
    return head[0] == gif::kExtensionIntroducer && head[1] == gif::kApplicationLabel;
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

// What follows the block: our texts extension, or whatever a file made for
// readers of the block alone holds there (the trailer, or nothing), which is
// passed over as before. Once our extension has begun, all of it must be
// there and sound.
bool ReadTextsExtension(Input& in, GifReadResult& result) {
    uint8_t introducer;
    if (!in.tryByte(introducer) || introducer != gif::kExtensionIntroducer) return true;
    uint8_t head[2 + sizeof gif::kTextsApplicationId];
    in.read(head, sizeof head);
    if (head[0] != gif::kApplicationLabel || head[1] != sizeof gif::kTextsApplicationId ||
        std::memcmp(head + 2, gif::kTextsApplicationId, sizeof gif::kTextsApplicationId) != 0)
        return true;
    std::vector<uint8_t> data;
    while (const uint8_t length = in.byte()) {
        const size_t at = data.size();
        data.resize(at + length);
        in.read(data.data() + at, length);
    }
    result.texts = DecodePictureTexts(data);
    return result.texts.has_value();
}

void Read(ByteSource& source, GifReadResult& result, GifReadProgress* progress) {
    Input in(source);
    if (!ReadHeader(in, result, progress)) return;
    // Codes start at 9 bits, with 256 and 257 as clear and end codes, only
    // for 8-bit pixels.
    if (in.byte() != gif::kMinimumCodeSize) return;
    result.pixels.assign(static_cast<size_t>(result.width) * static_cast<size_t>(result.height), 0);
    BitReader bits(in);
    PixelSink sink(result.pixels, result.width, progress);
    if (Decoder(bits, sink).DecodePicture() != Decoded::EndCode) return;
    if (!ReadToExtension(in, bits.endOfData)) return;
    if (!ReadParameterExtension(in, result)) return;
    if (!BlockFault(result.block, result.width, result.height).empty()) return;
    if (!ReadTextsExtension(in, result)) return;
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
