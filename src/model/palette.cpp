#include "palette.hpp"

namespace velmora {

std::atomic<int> PaletteObject::live_{0};

Palette::Palette() {
    // Nothing has been built yet; fixed white and black are right from the
    // start so that the grid and a border look sane before the first build.
    entries[kWhiteEntry] = {255, 255, 255, 0};
    entries[kBlackEntry] = {0, 0, 0, 0};
}

std::array<uint8_t, Palette::kRecordSize> Palette::bytes() const {
    std::array<uint8_t, kRecordSize> out{};
    out[0] = static_cast<uint8_t>(version & 0xFF);
    out[1] = static_cast<uint8_t>(version >> 8);
    out[2] = static_cast<uint8_t>(entryCount & 0xFF);
    out[3] = static_cast<uint8_t>(entryCount >> 8);
    for (size_t i = 0; i < entries.size(); ++i) {
        out[4 + 4 * i] = entries[i].red;
        out[5 + 4 * i] = entries[i].green;
        out[6 + 4 * i] = entries[i].blue;
        out[7 + 4 * i] = entries[i].flags;
    }
    return out;
}

ColourTable ColoursOf(const Palette& palette) {
    ColourTable table{};
    for (size_t i = 0; i < table.size(); ++i) {
        const PaletteEntry& e = palette.entries[i];
        table[i] = Argb(e.red, e.green, e.blue);
    }
    return table;
}

PaletteObject::PaletteObject(const Palette& palette, uint64_t serial) : colours_(ColoursOf(palette)), serial_(serial) {
    ++live_;
}

PaletteObject::~PaletteObject() { --live_; }

}  // namespace velmora
