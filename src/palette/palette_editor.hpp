#pragma once
// The modeless palette editor: pick an entry on the grid, mark or unmark it,
// recolour a mark. It may be used while a picture is computed; it changes
// the marks, the palette and its views, never the picture buffer.

#include <cstdint>
#include <exception>

#include "make_palette.hpp"
#include "palette_host.hpp"
#include "palette_state.hpp"
#include "program_state.hpp"

namespace velmora {

enum class ColourEdit { Red, Green, Blue };  // sred, Sgreen, Sblue

inline constexpr const char* kPaletteNoticeCaption = "Palette Notice";

class PaletteEditor {
public:
    PaletteEditor(ProgramState& program, const PaletteScreen& screen, PaletteEditorView& view);

    // Colours > Palette and the pop-up "palette".
    void Pal1Click();
    // Every paint of the dialog.
    void FormPaint();
    // A mouse press on the dialog's own surface, in its client coordinates.
    void OKBtnMouseDown(int x, int y);
    // One of the spin edits now holds `value`.
    void ChangecolorClick(ColourEdit edit, int value);
    void AddindexClick();
    void DeleteindexClick();
    // The OK button: asks the view to hide; the view's hide calls FormHide.
    void OKBtnClick();
    void FormHide();
    // A palette was built or realised: when it was not the editor's own
    // doing (a picture or a palette file loaded, a run's build), the colour
    // edits take the selected entry's colour, so that the next arrow click
    // starts from what the palette holds.
    void paletteChanged();

    int32_t SelectedIndex() const { return selected_; }
    int32_t PreviousIndex() const { return previous_; }
    int colourEdit(ColourEdit edit) const;
    // While true the main window shows the picture shrunk into its top-left
    // 200 x 150, so that palette changes stay visible under the dialog.
    bool previewShown() const { return previewShown_; }

    static constexpr int kSpinStep = 20;  // the spin edits' increment

private:
    // `ownChange`: the editor itself has just changed the marks or entries.
    void refresh(BuildReport report, bool ownChange);
    void loadColourEdits();
    bool changedSinceSeen() const;
    void rememberSeen();
    void notice(const char* text);
    void reportError(const std::exception& error);
    void showIndexTexts();

    ProgramState& program_;
    PaletteState& state_;
    PaletteScreen screen_;
    PaletteEditorView& view_;

    int32_t selected_ = 0;
    int32_t previous_ = 0;
    bool UpdatingColourEdits = false;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool previewShown_ = false;
    // The marks and colours the colour edits were last in step with.
    MarkedIndexList seenMarks_;
    ColourTable seenColours_{};
    bool building_ = false;
};

}  // namespace velmora
