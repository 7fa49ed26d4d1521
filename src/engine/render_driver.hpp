#pragma once
// The render driver: turns the parameter texts into a picture, column by
// column, while the window stays usable through the event pump.

#include <cstdint>
#include <string>

#include "fault.hpp"
#include "program_state.hpp"
#include "render_host.hpp"
#include "run_context.hpp"

namespace velmora {

class RenderDriver {
public:
    RenderDriver(ProgramState& state, RenderHost& host) : s_(state), host_(host) {}

    // Run (F2), pop-up "run", RUN of the dialog, a finished zoom.
    void Runclick();
    // "Continue": resumes a halted picture at its last finished column.
    void Continue();
    // "Parameters" (F3): the dialog, and a run when it closes with RUN.
    void Params();
    // Pop-up "set inverse".
    void runinverse1Click();

    // The constants of the last run that got past set-up.
    const RunContext& runContext() const { return rc_; }
    // Orbit steps made by the last run.
    int64_t orbitSteps() const { return orbitSteps_; }

    static constexpr int kParametersRun = 99;

private:
    bool setUp();
    void readParameters();
    void sizeBitmap();
    void allocateBuffer();
    void fitPictureToSize();
    void reportSetUpFault(FaultKind kind);
    void prepareRunContext();
    void drawSphereBackground();
    void prepareCoefficientFormula();
    void computeColumn(int col);
    void reportPixelFault(FaultKind kind);
    void finishRun(int col);
    void setStatus(const std::string& text);
    void setTitle(const std::string& text);

    ProgramState& s_;
    RenderHost& host_;
    RunContext rc_;
    int64_t orbitSteps_ = 0;
};

// sizy for a width: three quarters, halves away from zero.
int32_t HeightForWidth(int32_t siz);

inline constexpr int64_t kBufferOffsetLimit = 4000000;

}  // namespace velmora
