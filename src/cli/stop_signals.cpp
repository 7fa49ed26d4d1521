#include "stop_signals.hpp"

namespace velmora {
namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void NoteStopSignal(int signal) { g_stopSignal = signal; }

}  // namespace

StopSignals::StopSignals() {
    g_stopSignal = 0;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction action = {};
        sigemptyset(&action.sa_mask);
        // No SA_RESTART is needed: every write of the outputs goes on after
        // an interruption.
        action.sa_handler = kSignals[i] == SIGPIPE ? SIG_IGN : NoteStopSignal;
        ::sigaction(kSignals[i], nullptr, &previous_[i]);
        if (previous_[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
}

int StopSignals::received() { return g_stopSignal; }

}  // namespace velmora
