#include "gif_writer.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "little_endian.hpp"

namespace velmora {
namespace {

// Bytes on their way to the sink, handed over in large pieces.
class Output {
public:
    explicit Output(ByteSink& sink) : sink_(sink) { bytes_.reserve(kChunk + 512); }
    void put(uint8_t b) { bytes_.push_back(b); }
    void put(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + n);
        if (bytes_.size() >= kChunk) flush();
    }
    void flush() {
        if (!bytes_.empty()) sink_.write(bytes_.data(), bytes_.size());
        bytes_.clear();
    }

private:
    static constexpr size_t kChunk = 1 << 16;
    ByteSink& sink_;
    std::vector<uint8_t> bytes_;
};

// The LZW string table: open addressing over 35023 slots, each holding a
// code and the (prefix code, suffix pixel) string it stands for. A slot is
// one 32-bit word, prefix (12 bits), suffix (8) and code (12), so a probe
// touches one cache line; a free slot is all ones, which no string can be
// (code 4095 is never a prefix: the table is cleared as soon as it is made).
class CodeTable {
public:
    CodeTable() : slots_(gif::kCodeTableSlots, kFree) {}

    // Every slot free again. At most 3838 of them hold a string, and those
    // are remembered, so a clear costs what was stored rather than the
    // whole table (random pictures clear every few thousand pixels).
    void reset() {
        for (size_t i = 0; i < usedCount_; ++i) slots_[used_[i]] = kFree;
        usedCount_ = 0;
        nextCode = gif::kFirstCode;
        width = 9;
        limit = 512;
    }

    // The slot of (prefix, suffix): where the string is, or the free slot
    // where it would go.
    int FindSlot(uint32_t prefix, uint32_t suffix) const {
        int h = static_cast<int>((suffix << 4) ^ prefix);
        const int step = h == 0 ? 1 : gif::kCodeTableSlots - h;
        const uint32_t key = (prefix << 8) | suffix;
        for (;;) {
            const uint32_t slot = slots_[static_cast<size_t>(h)];
            if (slot == kFree || (slot >> 12) == key) return h;
            h -= step;
            if (h < 0) h += gif::kCodeTableSlots;
        }
    }
    bool present(int slot) const { return slots_[static_cast<size_t>(slot)] != kFree; }
    uint16_t code(int slot) const { return static_cast<uint16_t>(slots_[static_cast<size_t>(slot)] & 0xFFF); }
    void store(int slot, uint32_t prefix, uint32_t suffix) {
        slots_[static_cast<size_t>(slot)] = (((prefix << 8) | suffix) << 12) | nextCode++;
        used_[usedCount_++] = static_cast<uint16_t>(slot);
    }

    uint16_t nextCode = gif::kFirstCode;
    int width = 9;
    uint32_t limit = 512;

private:
    static constexpr uint32_t kFree = 0xFFFFFFFF;
    std::vector<uint32_t> slots_;
    std::array<uint16_t, gif::kLargestCode + 1> used_{};
    size_t usedCount_ = 0;
};

// Packs codes least significant bit first into data sub-blocks of 253 or
// 254 bytes (the last one shorter).
class BitPacker {
public:
    explicit BitPacker(Output& out) : out_(out) {}

    void PutCode(uint32_t code, int width) {
        accumulator_ |= code << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            pending_[count_++] = static_cast<uint8_t>(accumulator_);
            accumulator_ >>= 8;
            bits_ -= 8;
        }
        if (count_ > 252) writeSubBlock();
    }

    // The last byte goes out whether or not any bit of it is pending, then
    // the last sub-block and the terminator.
    void FlushCodes() {
        pending_[count_++] = static_cast<uint8_t>(accumulator_);
        writeSubBlock();
        out_.put(0x00);
    }

private:
    void writeSubBlock() {
        out_.put(static_cast<uint8_t>(count_));
        out_.put(pending_, static_cast<size_t>(count_));
        count_ = 0;
    }

    Output& out_;
    uint32_t accumulator_ = 0;
    int bits_ = 0;
    uint8_t pending_[256] = {};
    int count_ = 0;
};

void CompressPicture(Output& out, const GifImage& image, GifWriteProgress* progress) {
    out.put(gif::kMinimumCodeSize);
    CodeTable table;
    BitPacker packer(out);
    packer.PutCode(gif::kClearCode, table.width);

    const uint8_t* pixels = image.pixels;
    uint32_t current = 0;
    for (int row = 0; row < image.height; ++row) {
        if (progress) progress->rowStarted(row);
        const uint8_t* p = pixels + static_cast<size_t>(row) * static_cast<size_t>(image.width);
        int col = 0;
        if (row == 0) current = p[col++];
        for (; col < image.width; ++col) {
            const uint32_t pixel = p[col];
            const int slot = table.FindSlot(current, pixel);
            if (table.present(slot)) {
                current = table.code(slot);
                continue;
            }
            table.store(slot, current, pixel);
            packer.PutCode(current, table.width);
            current = pixel;
            if (table.nextCode > gif::kLargestCode) {
                packer.PutCode(gif::kClearCode, table.width);
                table.reset();
            } else if (table.nextCode > table.limit) {
                ++table.width;
                table.limit *= 2;
            }
        }
    }
    packer.PutCode(current, table.width);
    packer.PutCode(gif::kEndCode, table.width);
    packer.FlushCodes();
}

void WriteHeader(Output& out, const GifImage& image) {
    uint8_t screen[7];
    PutU16(screen, static_cast<uint16_t>(image.width));
    PutU16(screen + 2, static_cast<uint16_t>(image.height));
    screen[4] = gif::kScreenPacked;
    screen[5] = 0;  // background colour index
    screen[6] = 0;  // pixel aspect ratio
    out.put(gif::kSignature, sizeof gif::kSignature);
    out.put(screen, sizeof screen);
    out.put(image.colours.data(), image.colours.size());

    uint8_t descriptor[10];
    descriptor[0] = gif::kImageSeparator;
    PutU16(descriptor + 1, 0);  // left
    PutU16(descriptor + 3, 0);  // top
    PutU16(descriptor + 5, static_cast<uint16_t>(image.width));
    PutU16(descriptor + 7, static_cast<uint16_t>(image.height));
    descriptor[9] = 0x00;  // no local colour table, not interlaced
    out.put(descriptor, sizeof descriptor);
}

// The block follows the identifier unframed: its first bytes (3, "VM1", 0)
// read as one sub-block and a terminator to a reader that expects framing.
void WriteParameterExtension(Output& out, const ParameterBlock& block) {
    const uint8_t head[3] = {gif::kExtensionIntroducer, gif::kApplicationLabel, sizeof gif::kApplicationId};
    out.put(head, sizeof head);
    out.put(gif::kApplicationId, sizeof gif::kApplicationId);
    out.put(block.bytes.data(), block.bytes.size());
}

// After the block, so that the bytes up to it are those every reader of the
// block knows; framed as data sub-blocks, as other readers expect.
void WriteTextsExtension(Output& out, const PictureTexts& texts) {
    const uint8_t head[3] = {gif::kExtensionIntroducer, gif::kApplicationLabel, sizeof gif::kTextsApplicationId};
    out.put(head, sizeof head);
    out.put(gif::kTextsApplicationId, sizeof gif::kTextsApplicationId);
    const std::vector<uint8_t> data = EncodePictureTexts(texts);
    for (size_t at = 0; at < data.size(); at += gif::kLargestSubBlock) {
        const size_t n = std::min(gif::kLargestSubBlock, data.size() - at);
        out.put(static_cast<uint8_t>(n));
        out.put(data.data() + at, n);
    }
    out.put(0x00);
}

}  // namespace

void WriteGif(ByteSink& sink, const GifImage& image, const ParameterBlock& block, const PictureTexts* texts,
              GifWriteProgress* progress) {
    if (image.width < 1 || image.height < 1 || image.width > 32767 || image.height > 32767 || !image.pixels)
        throw std::invalid_argument("a GIF picture needs 1 to 32767 pixels each way");
    Output out(sink);
    WriteHeader(out, image);
    CompressPicture(out, image, progress);
    WriteParameterExtension(out, block);
    if (texts) WriteTextsExtension(out, *texts);
    out.put(gif::kTrailer);
    out.flush();
}

}  // namespace velmora
