#include "png_codec.hpp"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <utility>

#include "gif_format.hpp"

namespace velmora {
namespace {

// libpng reports its faults by a long jump, which must never cross a C++
// frame with something to destroy. So every call into it goes through
// Protected(), whose frame holds the jump's target and nothing else; a
// fault of the source or the sink (a C++ exception) is kept here while the
// jump unwinds libpng, and thrown again from Protected().
struct Context {
    ByteSink* sink = nullptr;
    ByteSource* source = nullptr;
    std::exception_ptr mediumFault;  // the source or sink failed
    std::string fileFault;           // the file is not a PNG libpng reads
};

Context& ContextOf(png_structp png) { return *static_cast<Context*>(png_get_error_ptr(png)); }

void OnError(png_structp png, png_const_charp message) {
    Context& c = ContextOf(png);
    if (!c.mediumFault && c.fileFault.empty()) c.fileFault = message ? message : "damaged";
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void WriteData(png_structp png, png_bytep data, size_t count) {
    Context& c = ContextOf(png);
    bool failed = false;
    try {
        c.sink->write(data, count);
    } catch (...) {
        c.mediumFault = std::current_exception();
        failed = true;
    }
    if (failed) png_error(png, "the file could not be written");
}

void FlushData(png_structp) {}

void ReadData(png_structp png, png_bytep out, size_t count) {
    Context& c = ContextOf(png);
    size_t got = 0;
    bool failed = false;
    try {
        got = c.source->read(out, count);
    } catch (...) {
        c.mediumFault = std::current_exception();
        failed = true;
    }
    if (failed || got != count) png_error(png, "the file ends too early");
}

// The file's own fault, as opposed to its medium's.
struct FileFault {};

template <class Call>
void Protected(png_structp png, Context& c, Call call) {
    if (setjmp(png_jmpbuf(png))) {
        if (c.mediumFault) std::rethrow_exception(std::exchange(c.mediumFault, nullptr));
        throw FileFault{};
    }
    call();
}

}  // namespace

std::vector<uint8_t> EncodePngParameters(const ParameterBlock& block, const PictureTexts* texts) {
    std::vector<uint8_t> data(block.bytes.begin(), block.bytes.end());
    if (texts) {
        const std::vector<uint8_t> encoded = EncodePictureTexts(*texts);
        data.insert(data.end(), encoded.begin(), encoded.end());
    }
    return data;
}

bool LooksLikePng(const uint8_t* head, size_t size) { return size >= 8 && png_sig_cmp(head, 0, 8) == 0; }

// --- PngWriter ---------------------------------------------------------------

struct PngWriter::State {
    Context context;
    png_structp png = nullptr;
    png_infop info = nullptr;
    bool finished = false;
};

PngWriter::PngWriter(ByteSink& sink, const PngLayout& layout) : s_(std::make_unique<State>()) {
    if (layout.width < 1 || layout.height < 1 || layout.width > kPngLargestSide || layout.height > kPngLargestSide)
        throw std::invalid_argument("a PNG picture of " + std::to_string(layout.width) + " x " +
                                    std::to_string(layout.height) + " pixels");
    Context& c = s_->context;
    c.sink = &sink;
    s_->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &c, OnError, OnWarning);
    if (!s_->png) throw std::bad_alloc();
    s_->info = png_create_info_struct(s_->png);
    if (!s_->info) throw std::bad_alloc();
    png_set_write_fn(s_->png, &c, WriteData, FlushData);

    // Everything libpng is given lives in this frame, outside the jump.
    png_color palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {layout.colours[3 * i], layout.colours[3 * i + 1], layout.colours[3 * i + 2]};
    std::vector<png_text> texts(layout.texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
        texts[i].key = const_cast<char*>(layout.texts[i].key.c_str());
        texts[i].text = const_cast<char*>(layout.texts[i].text.c_str());
        texts[i].text_length = layout.texts[i].text.size();
    }
    std::vector<uint8_t> parameters = layout.parameters;
    png_unknown_chunk chunk{};
    std::memcpy(chunk.name, kPngParameterChunk, 5);
    chunk.data = parameters.data();
    chunk.size = parameters.size();
    chunk.location = PNG_HAVE_PLTE;
    png_structp png = s_->png;
    png_infop info = s_->info;
    try {
        Protected(png, c, [&] {
            png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width), static_cast<png_uint_32>(layout.height), 8,
                         layout.rgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            if (!layout.rgb) png_set_PLTE(png, info, palette, 256);
            png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
            if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
            if (!parameters.empty()) {
                png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS,
                                            reinterpret_cast<png_const_bytep>(kPngParameterChunk), 1);
                png_set_unknown_chunks(png, info, &chunk, 1);
            }
            png_write_info(png, info);
        });
    } catch (const FileFault&) {
        throw std::runtime_error("PNG: " + c.fileFault);
    }
}

PngWriter::~PngWriter() {
    if (s_->png) png_destroy_write_struct(&s_->png, &s_->info);
}

void PngWriter::writeRow(const uint8_t* row) {
    png_structp png = s_->png;
    try {
        Protected(png, s_->context, [&] { png_write_row(png, row); });
    } catch (const FileFault&) {
        throw std::runtime_error("PNG: " + s_->context.fileFault);
    }
}

void PngWriter::finish() {
    png_structp png = s_->png;
    png_infop info = s_->info;
    try {
        Protected(png, s_->context, [&] { png_write_end(png, info); });
    } catch (const FileFault&) {
        throw std::runtime_error("PNG: " + s_->context.fileFault);
    }
    s_->finished = true;
}

// --- ReadPng -------------------------------------------------------------------

namespace {

class ReadStructs {
public:
    explicit ReadStructs(Context& c) {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &c, OnError, OnWarning);
        if (!png_) throw std::bad_alloc();
        info_ = png_create_info_struct(png_);
        if (!info_) throw std::bad_alloc();
        png_set_read_fn(png_, &c, ReadData);
    }
    ~ReadStructs() { png_destroy_read_struct(&png_, &info_, nullptr); }
    ReadStructs(const ReadStructs&) = delete;
    ReadStructs& operator=(const ReadStructs&) = delete;
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// Our chunk, once: the block's bytes, then the texts' encoding if any.
bool TakeParameters(png_structp png, png_infop info, PngReadResult& r) {
    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(png, info, &chunks);
    const png_unknown_chunk* ours = nullptr;
    for (int i = 0; i < count; ++i) {
        if (std::memcmp(chunks[i].name, kPngParameterChunk, 4) != 0) continue;
        if (ours) return false;
        ours = &chunks[i];
    }
    if (!ours || ours->size < r.block.bytes.size()) return false;
    std::memcpy(r.block.bytes.data(), ours->data, r.block.bytes.size());
    if (ours->size > r.block.bytes.size()) {
        r.texts = DecodePictureTexts(
            std::vector<uint8_t>(ours->data + r.block.bytes.size(), ours->data + ours->size));
        if (!r.texts) return false;
    }
    return BlockFault(r.block, r.width, r.height).empty();
}

}  // namespace

PngReadResult ReadPng(ByteSource& source) {
    PngReadResult r;
    Context c;
    c.source = &source;
    ReadStructs structs(c);
    png_structp png = structs.png();
    png_infop info = structs.info();
    png_uint_32 width = 0, height = 0;
    int depth = 0, type = 0, interlace = 0;
    try {
        Protected(png, c, [&] {
            // A damaged chunk of any kind refuses the file: libpng would
            // otherwise pass over a damaged ancillary one, ours included.
            png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
            png_set_benign_errors(png, 0);
            png_set_user_limits(png, kPngLargestSide, kPngLargestSide);
            png_set_chunk_malloc_max(png, 1 << 24);
            png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS,
                                        reinterpret_cast<png_const_bytep>(kPngParameterChunk), 1);
            png_read_info(png, info);
            png_get_IHDR(png, info, &width, &height, &depth, &type, &interlace, nullptr, nullptr);
        });
        // Only what the writer makes of a picture: 8-bit indices or RGB, one
        // pass. Indices no larger than the pictures a run makes are taken as
        // the picture; of any other picture only the parameters are taken,
        // its rows read through one row's storage so that the whole file is
        // still checked.
        const bool rgb = type == PNG_COLOR_TYPE_RGB;
        if (depth != 8 || (type != PNG_COLOR_TYPE_PALETTE && !rgb) || interlace != PNG_INTERLACE_NONE) return r;
        if (width < 1 || height < 1) return r;
        r.width = static_cast<int>(width);
        r.height = static_cast<int>(height);
        r.parametersOnly = rgb || int64_t{width} * height > gif::kMaxPixels;
        std::vector<uint8_t> scratch;
        if (r.parametersOnly)
            scratch.assign(static_cast<size_t>(width) * (rgb ? 3 : 1), 0);
        else
            r.pixels.assign(static_cast<size_t>(width) * height, 0);
        for (png_uint_32 y = 0; y < height; ++y) {
            uint8_t* row = r.parametersOnly ? scratch.data() : r.pixels.data() + static_cast<size_t>(y) * width;
            Protected(png, c, [&] { png_read_row(png, row, nullptr); });
        }
        Protected(png, c, [&] { png_read_end(png, info); });
    } catch (const FileFault&) {
        return PngReadResult{};
    }
    if (!TakeParameters(png, info, r)) return PngReadResult{};
    r.accepted = true;
    return r;
}

}  // namespace velmora
