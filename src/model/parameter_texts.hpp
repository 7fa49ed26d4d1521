#pragma once
// The eighteen text fields of the parameters dialog. Every run re-parses
// them, so they, not the numbers, are the working source of most parameters.
// The window mirrors these through the change listener.

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

enum class TextField {
    siz, miter, minit, maxmod, Rang, xce, yce, cx, cy, p1, p2, p3,
    amx, amy, bmx, bmy, cmx, cmy,
};

inline constexpr int kTextFieldCount = 18;

struct TextFieldInfo {
    TextField field;
    std::string_view name;
    std::string_view label;
    std::string_view initialText;
};

// Name, dialog label and initial text of each field, in enumeration order.
const std::array<TextFieldInfo, kTextFieldCount>& TextFieldTable();

class ParameterTexts {
public:
    ParameterTexts();

    const std::string& text(TextField f) const { return texts_[Index(f)]; }
    void setText(TextField f, const std::string& text);
    bool visible(TextField f) const { return visible_[Index(f)]; }
    void setVisible(TextField f, bool visible);

    // Caption "Mandelbrot Params." of the coefficient group.
    bool groupCaptionVisible() const { return groupCaptionVisible_; }
    void setGroupCaptionVisible(bool visible);

    // Called after every change of a text or a visibility.
    std::function<void(TextField)> onChanged;
    std::function<void()> onGroupCaptionChanged;

    static int Index(TextField f) { return static_cast<int>(f); }

private:
    std::array<std::string, kTextFieldCount> texts_;
    std::array<bool, kTextFieldCount> visible_{};
    bool groupCaptionVisible_ = false;
};

}  // namespace velmora
