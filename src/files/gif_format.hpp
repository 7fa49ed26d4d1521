#pragma once
// The one GIF layout this program writes and reads: GIF87a, one 256-colour
// global table, one image coded with 8-bit LZW, then our application
// extension carrying the parameter block, then a second one carrying the
// picture's texts in data sub-blocks, then the trailer.

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmora::gif {

inline constexpr char kSignature[6] = {'G', 'I', 'F', '8', '7', 'a'};
// Global colour table present, 8-bit colour resolution, not sorted, 256 entries.
inline constexpr uint8_t kScreenPacked = 0xF7;
inline constexpr uint8_t kImageSeparator = 0x2C;
inline constexpr uint8_t kExtensionIntroducer = 0x21;
inline constexpr uint8_t kApplicationLabel = 0xFF;
inline constexpr uint8_t kTrailer = 0x3B;
inline constexpr uint8_t kMinimumCodeSize = 8;
inline constexpr char kApplicationId[11] = {'V', 'E', 'L', 'M', 'O', 'R', '3', '2', '0', '0', '1'};
inline constexpr char kTextsApplicationId[11] = {'V', 'E', 'L', 'M', 'O', 'R', '3', '2', 'T', 'X', 'T'};
inline constexpr size_t kLargestSubBlock = 255;

inline constexpr int kColourTableBytes = 768;
using ColourTable = std::array<uint8_t, kColourTableBytes>;  // red, green, blue of entries 0..255

inline constexpr uint16_t kClearCode = 256;
inline constexpr uint16_t kEndCode = 257;
inline constexpr uint16_t kFirstCode = 258;
inline constexpr uint16_t kLargestCode = 4095;
inline constexpr int kLargestWidth = 12;

// Slots of the writer's string table (a prime), and of the reader's stack.
inline constexpr int kCodeTableSlots = 35023;

// The largest picture a file may hold: the buffer's offset limit.
inline constexpr int64_t kMaxPixels = 4000000;

}  // namespace velmora::gif
