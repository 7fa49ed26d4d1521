#include "parameter_texts.hpp"

namespace velmora {

const std::array<TextFieldInfo, kTextFieldCount>& TextFieldTable() {
    static const std::array<TextFieldInfo, kTextFieldCount> table{{
        {TextField::siz, "siz", "SIZE", "200"},
        {TextField::miter, "miter", "MAX. ITERS", "50"},
        {TextField::minit, "minit", "Minimum Iterations", "0"},
        {TextField::maxmod, "maxmod", "Bailout", "4"},
        {TextField::Rang, "Rang", "RANGE", "3.3"},
        {TextField::xce, "xce", "x-centre", "0"},
        {TextField::yce, "yce", "y-centre", "0"},
        {TextField::cx, "cx", "C.X", "-0.775"},
        {TextField::cy, "cy", "C.Y", "0.25"},
        {TextField::p1, "p1", "Param1", "1"},
        {TextField::p2, "p2", "Param2", "0.5"},
        {TextField::p3, "p3", "Param3", "1"},
        {TextField::amx, "amx", "amx", "1"},
        {TextField::amy, "amy", "amy", "0"},
        {TextField::bmx, "bmx", "bmx", "0"},
        {TextField::bmy, "bmy", "bmy", "0"},
        {TextField::cmx, "cmx", "cmx", "1"},
        {TextField::cmy, "cmy", "cmy", "0"},
    }};
    return table;
}

ParameterTexts::ParameterTexts() {
    for (const auto& info : TextFieldTable()) {
        texts_[Index(info.field)] = std::string(info.initialText);
        // The coefficient group starts hidden; it appears with Mandelbrot.
        visible_[Index(info.field)] = info.field < TextField::amx;
    }
}

void ParameterTexts::setText(TextField f, const std::string& text) {
    texts_[Index(f)] = text;
    if (onChanged) onChanged(f);
}

void ParameterTexts::setVisible(TextField f, bool visible) {
    visible_[Index(f)] = visible;
    if (onChanged) onChanged(f);
}

void ParameterTexts::setGroupCaptionVisible(bool visible) {
    groupCaptionVisible_ = visible;
    if (onGroupCaptionChanged) onGroupCaptionChanged();
}

}  // namespace velmora
