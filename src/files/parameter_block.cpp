#include "parameter_block.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "conversions.hpp"
#include "custom_compiler.hpp"
#include "fault.hpp"
#include "little_endian.hpp"

namespace velmora {
namespace {

constexpr uint8_t kTagBytes[4] = {3, 'V', 'M', '1'};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest number at the start of `text` (after blanks), or
// of nothing when there are no digits.
size_t NumberPrefix(const std::string& text, size_t& start) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (digits == 0) return 0;
    size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const size_t expStart = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        if (i > expStart) end = i;
    }
    return end - start;
}

std::string CountedString(const uint8_t* at) { return std::string(reinterpret_cast<const char*>(at + 1), at[0]); }

void PutCountedString(uint8_t* at, const std::string& text) {
    at[0] = static_cast<uint8_t>(text.size());
    std::memcpy(at + 1, text.data(), text.size());
}

void ApplyMapping(uint8_t kind, ProgramState& s) {
    PictureParameters& p = s.params;
    switch (kind) {
    case 0:
        s.menu.setChecked(MenuId::Normal, true);
        p.sphere = p.inversion = 0;
        break;
    case 1:
        p.sphere = 1;
        s.menu.setChecked(MenuId::Sphere, true);
        break;
    case 2:
        p.inversion = 1;
        s.menu.setChecked(MenuId::Inversion, true);
        break;
    default: break;  // an unknown mapping changes nothing
    }
}

void ApplyFunctionKind(const ParameterBlock& b, ProgramState& s, ModeActions& actions, CustomFormulaField& formula,
                       const PictureTexts* texts) {
    const uint8_t* at = b.bytes.data();
    PictureParameters& p = s.params;
    p.FunctionKind = at[block::kFunctionKind];
    if (p.FunctionKind == kFormulaCustom) {
        const std::string text = LoadedFormulaText(b, texts);
        p.custfunc = CutText(text, kCustomFormulaMaxLength);
        formula.setFormulaText(text);
        actions.FunctionItem(kFormulaCustom, ChosenBy::LoadedPicture);
        return;
    }
    MenuItem* item = actions.FunctionMenuItem(p.FunctionKind);
    if (!item) return;  // kind 16 and unknown kinds check nothing
    s.menu.setChecked(*item, true);
    if (p.FunctionKind != kFormulaRecipF) return;
    const uint8_t ffunc = at[block::kFfunc];
    if (MenuItem* f = s.menu.find(FfuncMenuId(ffunc))) {
        p.ffunc = ffunc;
        s.menu.setChecked(*f, true);
    }
}

// The file's text when it reads as `value`, else `formatted`.
template <class Value, class Read>
std::string TextFor(const PictureTexts* texts, TextField f, Value value, Read read, const std::string& formatted) {
    if (!texts) return formatted;
    const std::string& text = texts->dialog[static_cast<size_t>(ParameterTexts::Index(f))];
    try {
        const Value back = read(text);
        if (back == value && std::signbit(static_cast<long double>(back)) == std::signbit(static_cast<long double>(value)))
            return text;
    } catch (const FaultError&) {
    }
    return formatted;
}

void ApplyTexts(const uint8_t* at, ProgramState& s, const PictureTexts* texts) {
    const PictureParameters& p = s.params;
    ParameterTexts& t = s.texts;
    const auto real = [&](TextField f, long double value, int width, int decimals) {
        t.setText(f, TextFor(texts, f, value, ParseReal, FormatFixedExact(value, width, decimals)));
    };
    const auto integer = [&](TextField f, int32_t value) {
        t.setText(f, TextFor(texts, f, value, ParseInteger, std::to_string(value)));
    };
    real(TextField::maxmod, p.maxmod, 6, 1);
    integer(TextField::siz, p.siz);
    integer(TextField::miter, p.miter);
    real(TextField::Rang, p.Rang, 14, 11);
    real(TextField::xce, p.xce, 14, 11);
    real(TextField::yce, p.yce, 14, 11);
    real(TextField::cx, p.cx, 14, 11);
    real(TextField::cy, p.cy, 14, 11);
    for (size_t i = 0; i < kSingleFields.size(); ++i) {
        const float value = GetSingle(at + block::kSingles + 4 * i);
        t.setText(kSingleFields[i], TextFor(texts, kSingleFields[i], value, SingleFromText, FormatFixedExact(value, 8, 5)));
    }
    // The block has no minimum: only the file's texts bring it back.
    if (texts) t.setText(TextField::minit, texts->dialog[static_cast<size_t>(ParameterTexts::Index(TextField::minit))]);
}

}  // namespace

float SingleFromText(const std::string& text) {
    size_t start = 0;
    const size_t length = NumberPrefix(text, start);
    if (length == 0) return 0.0f;
    const std::string number = text.substr(start, length);
    long double value;
    try {
        value = ParseReal(number);
    } catch (const FaultError&) {
        // Only a number beyond the extended range gets here.
        value = number[0] == '-' ? -LDBL_MAX : LDBL_MAX;
    }
    const long double limit = FLT_MAX;
    float single = value > limit ? FLT_MAX : value < -limit ? -FLT_MAX : static_cast<float>(value);
    ClearFloatFaults();
    return single;
}

void FillParameterBlock(ParameterBlock& b, const ProgramState& s, const std::string& customFormulaText) {
    using namespace block;
    uint8_t* at = b.bytes.data();
    const PictureParameters& p = s.params;
    std::copy(std::begin(kTagBytes), std::end(kTagBytes), at + kTag);
    at[kSetKind] = s.menu.isChecked(MenuId::Mandelbrot) ? 1 : 0;
    PutI32(at + kSiz, p.siz);
    PutI32(at + kSizy, p.sizy);
    PutI32(at + kLastColumnDone, p.LastColumnDone);
    at[kFunctionKind] = p.FunctionKind;
    PutCountedString(at + kCustomFormula, CutText(customFormulaText, kCustomFormulaMaxLength));
    at[kFfunc] = p.ffunc;
    PutExtended(at + kRang, p.Rang);
    PutExtended(at + kXce, p.xce);
    PutExtended(at + kYce, p.yce);
    PutExtended(at + kCx, p.cx);
    PutExtended(at + kCy, p.cy);
    PutI32(at + kMiter, p.miter);
    for (size_t i = 0; i < kSingleFields.size(); ++i)
        PutSingle(at + kSingles + 4 * i, SingleFromText(s.texts.text(kSingleFields[i])));
    at[kStalkType] = p.StalkType;
    at[kBailoutKind] = p.BailoutKind;
    PutExtended(at + kMaxmod, p.maxmod);
    at[kMapping] = static_cast<uint8_t>(p.Mapping());
    PutExtended(at + kInvx, p.invx);
    PutExtended(at + kInvy, p.invy);
    PutExtended(at + kInvr, p.invr);
    const MarkedIndexList& marks = s.palette.marks;
    const int32_t count = std::clamp(marks.count, int32_t{0}, int32_t{kMaxMarksInBlock});
    at[kMarkCount] = static_cast<uint8_t>(count);
    for (int32_t slot = 1; slot <= count; ++slot) {
        const MarkedIndex& m = marks.at(slot);
        uint8_t* record = at + kMarks + 4 * static_cast<size_t>(slot - 1);
        record[0] = m.index;
        record[1] = m.red;
        record[2] = m.green;
        record[3] = m.blue;
    }
}

bool BlockTagMatches(const ParameterBlock& b) { return std::equal(std::begin(kTagBytes), std::end(kTagBytes), b.bytes.begin()); }

std::string BlockFault(const ParameterBlock& b, int32_t siz, int32_t sizy) {
    using namespace block;
    const uint8_t* at = b.bytes.data();
    if (!BlockTagMatches(b)) return "its parameters do not carry their tag";
    if (GetI32(at + kSiz) != siz || GetI32(at + kSizy) != sizy) return "its parameters describe a picture of another size";
    if (std::string marks = MarkRecordsFault(at[kMarkCount], at + kMarks); !marks.empty()) return marks;
    const struct {
        size_t offset;
        const char* name;
    } extended[] = {
        {kXce, "x-centre"}, {kYce, "y-centre"}, {kRang, "range"}, {kCx, "C.X"}, {kCy, "C.Y"},
        {kMaxmod, "bailout"}, {kInvx, "inversion centre x"}, {kInvy, "inversion centre y"}, {kInvr, "inversion radius"},
    };
    for (const auto& e : extended)
        if (!IsFiniteExtended(at + e.offset)) return std::string("its ") + e.name + " is not a finite number";
    for (size_t i = 0; i < kSingleFields.size(); ++i)
        if (!std::isfinite(GetSingle(at + kSingles + 4 * i)))
            return std::string("its ") + std::string(TextFieldTable()[static_cast<size_t>(ParameterTexts::Index(kSingleFields[i]))].name) +
                   " is not a finite number";
    return {};
}

std::string LoadedFormulaText(const ParameterBlock& b, const PictureTexts* texts) {
    const std::string stored = CountedString(b.bytes.data() + block::kCustomFormula);
    if (texts && CutText(texts->formula, kCustomFormulaMaxLength) == stored) return texts->formula;
    return stored;
}

bool ApplyParameterBlock(const ParameterBlock& b, ProgramState& s, ModeActions& actions, CustomFormulaField& formula,
                         const PictureTexts* texts) {
    using namespace block;
    if (!BlockTagMatches(b)) return false;
    const uint8_t* at = b.bytes.data();
    PictureParameters& p = s.params;

    const bool mandelbrot = at[kSetKind] == 1;
    SetSetKind(s, mandelbrot ? SetKind::Mandelbrot : SetKind::Julia);
    actions.mandel_params(mandelbrot);
    ApplyMapping(at[kMapping], s);
    p.siz = GetI32(at + kSiz);
    p.sizy = GetI32(at + kSizy);
    p.LastColumnDone = GetI32(at + kLastColumnDone);
    ApplyFunctionKind(b, s, actions, formula, texts);
    p.Rang = GetExtended(at + kRang);
    p.xce = GetExtended(at + kXce);
    p.yce = GetExtended(at + kYce);
    p.cx = GetExtended(at + kCx);
    p.cy = GetExtended(at + kCy);
    p.miter = GetI32(at + kMiter);
    p.StalkType = at[kStalkType];
    if (MenuItem* item = actions.StalkMenuItem(p.StalkType)) s.menu.setChecked(*item, true);
    p.BailoutKind = at[kBailoutKind];
    s.menu.setChecked(p.BailoutKind != 0 ? MenuId::BailoutSumAbs : MenuId::BailoutModulus, true);
    p.maxmod = GetExtended(at + kMaxmod);
    p.invx = GetExtended(at + kInvx);
    p.invy = GetExtended(at + kInvy);
    p.invr = GetExtended(at + kInvr);

    MarkedIndexList& marks = s.palette.marks;
    marks.count = std::min<int32_t>(at[kMarkCount], kMaxMarksInBlock);
    for (int32_t slot = 1; slot <= marks.count; ++slot) {
        const uint8_t* record = at + kMarks + 4 * static_cast<size_t>(slot - 1);
        marks.at(slot) = MarkedIndex{record[0], record[1], record[2], record[3]};
    }
    ApplyTexts(at, s, texts);
    ClearFloatFaults();
    return true;
}

}  // namespace velmora
