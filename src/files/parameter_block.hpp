#pragma once
// The 681 bytes that a saved picture carries after its image: everything
// needed to show it again with its parameters, menus, dialog texts and
// palette, and to continue it if it was not finished.

#include <array>
#include <cstdint>
#include <string>

#include "custom_formula.hpp"
#include "mode_actions.hpp"
#include "picture_texts.hpp"
#include "program_state.hpp"

namespace velmora {

inline constexpr size_t kParameterBlockSize = 681;
inline constexpr int kMaxMarksInBlock = 30;

// Offsets of the fields, from the block's first byte.
namespace block {
inline constexpr size_t kTag = 0;  // 3, "VM1"
inline constexpr size_t kSiz = 5;
inline constexpr size_t kSizy = 9;
inline constexpr size_t kSetKind = 13;
inline constexpr size_t kFunctionKind = 14;
inline constexpr size_t kCustomFormula = 15;  // counted string, 256 bytes
inline constexpr size_t kFfunc = 271;
inline constexpr size_t kLastColumnDone = 272;
inline constexpr size_t kXce = 276;
inline constexpr size_t kYce = 286;
inline constexpr size_t kRang = 296;
inline constexpr size_t kCx = 306;
inline constexpr size_t kCy = 316;
inline constexpr size_t kMiter = 326;
inline constexpr size_t kSingles = 330;  // p1 p2 p3 amx amy bmx bmy cmx cmy, 4 bytes each
inline constexpr size_t kStalkType = 366;
inline constexpr size_t kBailoutKind = 367;
inline constexpr size_t kMaxmod = 368;
inline constexpr size_t kMapping = 378;
inline constexpr size_t kInvx = 379;
inline constexpr size_t kInvy = 389;
inline constexpr size_t kInvr = 399;
inline constexpr size_t kMarkCount = 460;
inline constexpr size_t kMarks = 461;  // 4 bytes each: index, red, green, blue
}  // namespace block

// The dialog texts stored as singles, in their order in the block.
inline constexpr std::array<TextField, 9> kSingleFields = {
    TextField::p1,  TextField::p2,  TextField::p3,  TextField::amx, TextField::amy,
    TextField::bmx, TextField::bmy, TextField::cmx, TextField::cmy,
};

// One block lives as long as the program. Bytes the fill does not write
// (byte 4, 409..459, the mark records past the count, the formula field past
// its text) keep what they last held: zero at first, then whatever the last
// accepted file held there.
struct ParameterBlock {
    std::array<uint8_t, kParameterBlockSize> bytes{};
};

// A dialog text read as a number the way the block stores it: blanks, a sign,
// digits, a point and an exponent are read as far as they go; a text with no
// number gives 0. Rounded to single precision; beyond its range, the largest
// single of that sign.
float SingleFromText(const std::string& text);

// Rewrites the block from the current state.
void FillParameterBlock(ParameterBlock& block, const ProgramState& state, const std::string& customFormulaText);

// The first four bytes are 3, "VM1".
bool BlockTagMatches(const ParameterBlock& block);

// Why a block read from a file must not be applied to a picture of this
// size; empty when it may. Refused: a block without the tag, of another
// size, with marks a palette file would refuse (MarkRecordsFault), or with
// a number that is not a finite value of its format (an infinity or not a
// number, or an extended bit pattern the arithmetic rejects) — a run could
// only fault on it, and its text could not be read back.
std::string BlockFault(const ParameterBlock& block, int32_t siz, int32_t sizy);

// The custom formula a loaded picture puts back: the texts' whole formula
// when they carry one that the block's (cut) formula agrees with, else the
// block's.
std::string LoadedFormulaText(const ParameterBlock& block, const PictureTexts* texts);

// Puts the block's values back into the parameters, menus, dialog texts,
// marked entries and custom formula; returns false, changing nothing, when
// the tag differs. The palette is then to be built from the new marks by the
// caller. A custom formula compiles without its dialog.
// Each dialog text is the one the file carries in `texts` when it reads as
// the value the block holds (as the fill reads it, for the singles): texts
// edited after the picture was made give way to the picture's own values.
// Otherwise, and without `texts`, the value is written in its fixed format
// when that reads back exactly, and with the digits it needs when not, so
// that a run reads the picture's own numbers.
bool ApplyParameterBlock(const ParameterBlock& block, ProgramState& state, ModeActions& actions,
                         CustomFormulaField& formula, const PictureTexts* texts = nullptr);

}  // namespace velmora
