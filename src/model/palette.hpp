#pragma once
// The 256-entry palette record and the palette object made from it.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace velmora {

// Entries the builder forces after every build and that the rest of the
// program relies on as fixed white and black.
inline constexpr int kWhiteEntry = 182;
inline constexpr int kBlackEntry = 183;

struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// Laid out like a logical-palette record: version, entry count, entries.
// It lives as long as the main window; every build overwrites only what it
// computes, so entries no build reaches keep their colours.
struct Palette {
    static constexpr uint16_t kVersion = 0x300;
    static constexpr int kEntries = 256;
    static constexpr size_t kRecordSize = 4 + 4 * kEntries;  // 1028

    uint16_t version = kVersion;
    uint16_t entryCount = kEntries;
    std::array<PaletteEntry, kEntries> entries{};

    Palette();

    // The record as bytes (little-endian header, then red, green, blue, flags).
    std::array<uint8_t, kRecordSize> bytes() const;
};

// An opaque colour as 0xFFRRGGBB (the toolkit's 32-bit colour form).
inline constexpr uint32_t Argb(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | uint32_t{b};
}

using ColourTable = std::array<uint32_t, Palette::kEntries>;

ColourTable ColoursOf(const Palette& palette);

// The palette object: a snapshot of the record taken by a successful build.
// Everything on screen that holds palette indices is drawn through it, so a
// build that fails half-way leaves the screen in its previous colours.
class PaletteObject {
public:
    PaletteObject(const Palette& palette, uint64_t serial);
    ~PaletteObject();
    PaletteObject(const PaletteObject&) = delete;
    PaletteObject& operator=(const PaletteObject&) = delete;

    const ColourTable& colours() const { return colours_; }
    // Increases with every build; lets a view see whether it is up to date.
    uint64_t serial() const { return serial_; }

    // Palette objects alive in this process (each build must leave one).
    static int liveCount() { return live_.load(); }

private:
    ColourTable colours_;
    uint64_t serial_;
    static std::atomic<int> live_;
};

using PaletteHandle = std::unique_ptr<const PaletteObject>;

}  // namespace velmora
