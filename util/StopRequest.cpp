#include "util/StopRequest.h"

#include <atomic>
#include <csignal>
#include <signal.h>
#include <sys/types.h>

namespace {

// Lock-free atomics: safe in a signal handler and from every solving thread.
std::atomic<int> g_stopSignal{0};
std::atomic<int> g_childGroup{0};
static_assert(std::atomic<int>::is_always_lock_free, "the stop flag must be lock-free");

} // namespace

void StopRequest::Raise(int signo) noexcept {
    int none = 0;
    g_stopSignal.compare_exchange_strong(none, signo);
    const int group = g_childGroup.load();
    if (group > 0) kill(-group, SIGTERM);
}

void StopRequest::SetChildGroup(int pgid) noexcept {
    g_childGroup.store(pgid);
}

bool StopRequest::Pending() noexcept {
    return g_stopSignal.load(std::memory_order_relaxed) != 0;
}

int StopRequest::Signal() noexcept {
    return g_stopSignal.load();
}

void StopRequest::Clear() noexcept {
    g_stopSignal.store(0);
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
