#pragma once
// Ctrl-C, SIGTERM and SIGHUP while the renderer works are noted rather than
// fatal, so that the picture stops the way the window's Cancel stops it and
// nothing half-made is left beside the outputs. A reader of standard output
// that goes away makes a failed write instead of ending the program.

#include <csignal>
#include <iterator>

namespace velmora {

class StopSignals {
public:
    // A signal the caller ignores stays ignored (a job started with nohup).
    StopSignals();
    // The handlers go back to what they were.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The stop signal that arrived while installed, or 0.
    static int received();

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    struct sigaction previous_[std::size(kSignals)] = {};
};

}  // namespace velmora
