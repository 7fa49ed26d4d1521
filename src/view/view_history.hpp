#pragma once
// The views the user has run, to go back and forward through as a browser
// does through pages. A view is everything a run computes from: the eighteen
// dialog texts and the menu choices, with the inversion circle and the custom
// formula and its constants.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "custom_formula.hpp"
#include "program_state.hpp"

namespace velmora {

struct ViewRecord {
    std::array<std::string, kTextFieldCount> texts;
    // Whether the coefficient fields (and their caption) show in the dialog.
    bool coefficientsShown = false;
    SetKind setKind = SetKind::Julia;
    // The check marks of the set kind, formula, f, bailout, stalk and mapping
    // items, so that the menus show the view exactly as it was run.
    std::vector<std::pair<MenuId, bool>> checks;
    uint8_t FunctionKind = 0, ffunc = 0, StalkType = 0, BailoutKind = 0;
    uint8_t sphere = 0, inversion = 0;
    long double invx = 0.0L, invy = 0.0L, invr = 1.0L;
    std::string custfunc;
    std::string formulaText;  // the custom formula dialog's field
    Complex u, v, w;
    std::array<uint8_t, kCustomCodeCapacity> CustomCode{};
    uint8_t CustomCodeLength = 0;

    bool operator==(const ViewRecord&) const = default;
};

ViewRecord CaptureView(const ProgramState& state, const CustomFormulaField& formula);
// Puts a recorded view back: texts, numbers of the modes, check marks and
// the custom formula. Nothing runs.
void RestoreView(ProgramState& state, CustomFormulaField& formula, const ViewRecord& view);

class ViewHistory {
public:
    static constexpr size_t kDefaultCapacity = 300;
    explicit ViewHistory(size_t capacity = kDefaultCapacity) : capacity_(capacity < 1 ? 1 : capacity) {}

    // A run of `view` started. The view already current changes nothing (a
    // step back runs the view it steps to); any other drops the views ahead
    // and becomes the newest, the oldest going when the history is full.
    void record(const ViewRecord& view);

    bool canGoBack() const { return position_ > 0; }
    bool canGoForward() const { return position_ + 1 < views_.size(); }
    // Steps and returns the view stepped to, or nullptr where there is none.
    const ViewRecord* back();
    const ViewRecord* forward();

    size_t size() const { return views_.size(); }
    // Index of the current view (meaningless while empty).
    size_t position() const { return position_; }

private:
    size_t capacity_;
    std::vector<ViewRecord> views_;
    size_t position_ = 0;
};

}  // namespace velmora
