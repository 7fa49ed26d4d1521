#pragma once
// What watches a run from outside the driver: the palette is built while a
// run is set up, the parameter block is recorded when it ends.

namespace velmora {

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // During set-up, after the parameters are read. May throw a fault, which
    // the set-up reports like its own.
    virtual void runSettingUp() {}
    // At the end of every run that got past set-up.
    virtual void runEnded() {}
};

}  // namespace velmora
