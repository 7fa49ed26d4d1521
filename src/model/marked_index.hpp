#pragma once
// The marked entries from which the palette is interpolated: a count and 30
// slots numbered 1..30. Entry `count` is the terminator (index 255, black);
// the marks proper are entries 1..count-1.

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

// One mark; the same four bytes, in this order, go into palette files and
// the parameter block of saved pictures.
struct MarkedIndex {
    uint8_t index = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const MarkedIndex&, const MarkedIndex&) = default;
};

struct MarkedIndexList {
    static constexpr int32_t kCapacity = 30;

    // Entries in use, terminator included. Slots above it are never read and
    // keep whatever they last held.
    int32_t count = 0;
    std::array<MarkedIndex, kCapacity> entries{};

    // Slot `slot` (1..30); any other number is a range fault.
    MarkedIndex& at(int32_t slot);
    const MarkedIndex& at(int32_t slot) const;

    // Puts `mark` into slot `slot`, moving slots slot..count up by one
    // (highest first). A full list is refused before anything moves.
    void insertAt(int32_t slot, const MarkedIndex& mark);
    // Removes slot `slot`, moving slots slot+1..count down by one.
    void removeAt(int32_t slot);

    // Slot of the first mark (1..count-1) whose index is at least `index`;
    // `count` (the terminator's slot) when there is none.
    int32_t firstAtOrAbove(int32_t index) const;
};

// Same count and same entries 1..count; stale slots do not matter.
bool SameMarks(const MarkedIndexList& a, const MarkedIndexList& b);

// Why `count` marks stored as four-byte records (index, red, green, blue),
// as palette files and saved pictures hold them, cannot become the list;
// empty when they can. The list has 1 to 30 entries, and the builder
// interpolates between consecutive marks (not into the terminator), so two
// of them on one entry leave it nothing to divide by. Both files refuse by
// this one rule, so a picture's marks always save as a palette that loads.
std::string MarkRecordsFault(int count, const uint8_t* records);

// The fourteen marks the program starts with (terminator included).
MarkedIndexList DefaultMarkedIndexList();

}  // namespace velmora
