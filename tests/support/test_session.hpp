#pragma once
// The program as it stands after start-up without a window or a start-up
// picture, driven by the shared recording fakes: what the picture tests
// render, save and load with.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "custom_formula.hpp"
#include "recording_host.hpp"
#include "session.hpp"

namespace velmora::testing {

class RecordingFileHost : public PictureFileHost {
public:
    void setBusyCursor(bool b) override { busy.push_back(b); }
    void drawSaveMark(int xoff, int, int row) override {
        markRows.push_back(row);
        markX = xoff - 10;
    }
    void showLoadProgress(int maximum) override {
        progressShown = true;
        progressMaximum = maximum;
    }
    void setLoadProgress(int position) override { progress.push_back(position); }
    void hideLoadProgress() override { progressShown = false; }

    std::vector<bool> busy;
    std::vector<int> markRows, progress;
    int markX = 0, progressMaximum = -1;
    bool progressShown = false;
};

class SilentPaletteHost : public PaletteHost {
public:
    void paletteChanged(const PaletteObject&) override {}
    void showStrip(const IndexImage&) override {}
    void drawPicturePreview() override {}
};

// The fakes are made before the session that uses them.
struct SessionFakes {
    RecordingHost host;
    RecordingFileHost fileHost;
    SilentPaletteHost paletteHost;
    HeadlessCustomFormula formula;
    SessionHosts fakeHosts() { return {host, host, host, {paletteHost, host, host}, fileHost, formula}; }
};

struct TestSession : SessionFakes, Session {
    ProgramState& s = state;

    TestSession() : Session(fakeHosts()) { startWithoutPicture(); }
    void text(TextField f, const std::string& t) { s.texts.setText(f, t); }
    // "Custom" with its dialog confirmed, u = 0.3, v = -0.5i, w = 1.
    void custom(const std::string& text) {
        formula.text = text;
        formula.constants = {"0.3", "0.0", "0.0", "-0.5", "1", "0.0"};
        actions.FunctionItem(kFormulaCustom);
        ASSERT_EQ(customFormula.lastOutcome, CustomCompileOutcome::Compiled) << text;
    }
};

}  // namespace velmora::testing
