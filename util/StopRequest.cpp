#include "util/StopRequest.h"

#include <csignal>
#include <signal.h>
#include <sys/types.h>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;
volatile std::sig_atomic_t g_childGroup = 0;

} // namespace

void StopRequest::Raise(int signo) noexcept {
    if (g_stopSignal == 0) g_stopSignal = signo;
    const int group = g_childGroup;
    if (group > 0) kill(-group, SIGTERM);
}

void StopRequest::SetChildGroup(int pgid) noexcept {
    g_childGroup = pgid;
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
