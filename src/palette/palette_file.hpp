#pragma once
// Palette files (".vmp"): the marked entries, not the 256 colours, in 125
// bytes with no header: byte 0 the count (terminator included), then four
// bytes (index, red, green, blue) for each of the 30 slots, entries above
// the count written as zeros, then four reserved zero bytes.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "marked_index.hpp"

namespace velmora {

inline constexpr size_t kPaletteFileSize = 125;
inline constexpr const char* kPaletteFileSuffix = "vmp";

using PaletteFileRecord = std::array<uint8_t, kPaletteFileSize>;

PaletteFileRecord EncodePaletteFile(const MarkedIndexList& marks);

// The list a palette file holds, built on `current` (slots above the count
// are never read and keep what they held). The first 125 bytes count; a
// shorter file is "Read beyond end of file". A count of 0 or above 30, or
// two consecutive marks on one palette entry (the palette cannot be built
// from them), is refused with a PaletteFileError saying why.
MarkedIndexList DecodePaletteFile(const std::vector<uint8_t>& bytes, const MarkedIndexList& current);

class PaletteFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file's list, read whole before anything changes. Throws the file
// error (FaultError: "File not found" ...) or PaletteFileError naming the
// file.
MarkedIndexList LoadPaletteFile(const std::string& path, const MarkedIndexList& current);

// Writes the list's record; a failed save leaves no part-written file under
// `path` (FileWriteError names the file and the reason).
void SavePaletteFile(const std::string& path, const MarkedIndexList& marks);

}  // namespace velmora
