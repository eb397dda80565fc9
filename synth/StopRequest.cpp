#include "synth/StopRequest.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

} // namespace

void StopRequest::Raise(int signo) noexcept {
    if (g_stopSignal == 0) g_stopSignal = signo;
}

bool StopRequest::Pending() noexcept {
    return g_stopSignal != 0;
}

int StopRequest::Signal() noexcept {
    return g_stopSignal;
}

void StopRequest::Clear() noexcept {
    g_stopSignal = 0;
}

void StopRequest::ThrowIfPending() {
    if (Pending()) throw StopRequested(Signal());
}

StopRequested::StopRequested(int signo)
    : CException("Interrupted by " + SignalName(signo)), signo_(signo) {}

std::string StopRequested::SignalName(int signo) {
    if (signo == SIGINT) return "SIGINT";
    if (signo == SIGTERM) return "SIGTERM";
    return "signal " + std::to_string(signo);
}
