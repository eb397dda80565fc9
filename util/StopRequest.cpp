#include "util/StopRequest.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <signal.h>
#include <sys/types.h>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;
volatile std::sig_atomic_t g_childGroup = 0;
// The calling thread's deadline in steady-clock nanoseconds (0: none).
thread_local int64_t t_deadline = 0;

bool threadDeadlinePassed() noexcept {
    return t_deadline != 0 &&
           std::chrono::steady_clock::now().time_since_epoch().count() >= t_deadline;
}

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
    return g_stopSignal != 0 || threadDeadlinePassed();
}

int StopRequest::Signal() noexcept {
    if (g_stopSignal != 0) return g_stopSignal;
    return threadDeadlinePassed() ? SIGALRM : 0;
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

StopRequest::ThreadDeadline::ThreadDeadline(double seconds) {
    using namespace std::chrono;
    t_deadline = duration_cast<steady_clock::duration>(steady_clock::now().time_since_epoch() +
                                                       duration<double>(seconds))
                     .count();
}

StopRequest::ThreadDeadline::~ThreadDeadline() {
    t_deadline = 0;
}
