#include "picture_texts.hpp"

#include "little_endian.hpp"

namespace velmora {
namespace {

constexpr uint8_t kFormat = 1;
constexpr size_t kTextCount = kTextFieldCount + 6 + 1;

// The texts in the order they are stored.
template <class Texts>
auto Fields(Texts& t) {
    std::array<decltype(&t.formula), kTextCount> fields{};
    size_t i = 0;
    for (auto& text : t.dialog) fields[i++] = &text;
    for (auto* text : {&t.constants.uccx, &t.constants.uccy, &t.constants.vccx, &t.constants.vccy,
                       &t.constants.wccx, &t.constants.wccy})
        fields[i++] = text;
    fields[i] = &t.formula;
    return fields;
}

}  // namespace

PictureTexts TakePictureTexts(const ParameterTexts& texts, const CustomConstantTexts& constants,
                              const std::string& formula) {
    PictureTexts t;
    for (const TextFieldInfo& info : TextFieldTable()) t.dialog[static_cast<size_t>(ParameterTexts::Index(info.field))] = texts.text(info.field);
    t.constants = constants;
    t.formula = formula;
    return t;
}

std::vector<uint8_t> EncodePictureTexts(const PictureTexts& texts) {
    std::vector<uint8_t> data{kFormat, static_cast<uint8_t>(kTextCount)};
    for (const std::string* text : Fields(texts)) {
        uint8_t length[4];
        PutI32(length, static_cast<int32_t>(text->size()));
        data.insert(data.end(), length, length + 4);
        data.insert(data.end(), text->begin(), text->end());
    }
    return data;
}

std::optional<PictureTexts> DecodePictureTexts(const std::vector<uint8_t>& data) {
    if (data.size() < 2 || data[0] != kFormat || data[1] != kTextCount) return std::nullopt;
    PictureTexts texts;
    size_t at = 2;
    for (std::string* text : Fields(texts)) {
        if (data.size() - at < 4) return std::nullopt;
        const auto length = static_cast<uint32_t>(GetI32(data.data() + at));
        at += 4;
        if (length > data.size() - at) return std::nullopt;
        text->assign(reinterpret_cast<const char*>(data.data() + at), length);
        at += length;
    }
    if (at != data.size()) return std::nullopt;
    return texts;
}

}  // namespace velmora
