#include "util/StopRequest.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <signal.h>
#include <sys/types.h>

namespace {

// Lock-free atomics: safe in a signal handler and from every solving thread.
std::atomic<int> g_stopSignal{0};
std::atomic<int> g_childGroup{0};
static_assert(std::atomic<int>::is_always_lock_free, "the stop flag must be lock-free");
// The calling thread's deadline in steady-clock nanoseconds (0: none).
thread_local int64_t t_deadline = 0;

// The calling thread's cancellation flag (null: none).
thread_local const std::atomic<bool>* t_token = nullptr;

bool threadCancelled() noexcept {
    return t_token != nullptr && t_token->load(std::memory_order_relaxed);
}

// The calling thread's conflict budget (null: none).
thread_local StopRequest::ConflictBudget::Account* t_budget = nullptr;

bool budgetSpent() noexcept {
    return t_budget != nullptr &&
           t_budget->spent.load(std::memory_order_relaxed) >= t_budget->limit;
}

bool threadDeadlinePassed() noexcept {
    return t_deadline != 0 &&
           std::chrono::steady_clock::now().time_since_epoch().count() >= t_deadline;
}

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
    return g_stopSignal.load(std::memory_order_relaxed) != 0 || threadDeadlinePassed() ||
           threadCancelled() || budgetSpent();
}

int StopRequest::Signal() noexcept {
    if (const int signo = g_stopSignal.load()) return signo;
    if (threadDeadlinePassed()) return SIGALRM;
    if (threadCancelled()) return kCancelled;
    return budgetSpent() ? kConflictLimit : 0;
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
    if (signo == StopRequest::kCancelled) return "cancellation";
    if (signo == StopRequest::kConflictLimit) return "the conflict limit";
    return "signal " + std::to_string(signo);
}

StopRequest::ThreadDeadline::ThreadDeadline(double seconds) : previous_(t_deadline) {
    using namespace std::chrono;
    const int64_t mine = duration_cast<steady_clock::duration>(
                             steady_clock::now().time_since_epoch() + duration<double>(seconds))
                             .count();
    if (t_deadline == 0 || mine < t_deadline) t_deadline = mine;
}

StopRequest::ThreadDeadline::~ThreadDeadline() {
    t_deadline = previous_;
}

StopRequest::TokenScope::TokenScope(const StopToken& token) : token_(token), previous_(t_token) {
    if (token_.Flag() != nullptr) t_token = token_.Flag();
}

StopRequest::TokenScope::~TokenScope() {
    t_token = previous_;
}

StopRequest::ThreadState StopRequest::Current() noexcept {
    return ThreadState{t_deadline, t_token, t_budget};
}

StopRequest::Adopt::Adopt(const ThreadState& state) : previous_(Current()) {
    t_deadline = state.deadline;
    t_token = state.token;
    t_budget = state.budget;
}

StopRequest::Adopt::~Adopt() {
    t_deadline = previous_.deadline;
    t_token = previous_.token;
    t_budget = previous_.budget;
}

StopRequest::ConflictBudget::ConflictBudget(uint64_t conflicts) : previous_(t_budget) {
    account_.limit = conflicts;
    t_budget = &account_;
}

StopRequest::ConflictBudget::~ConflictBudget() {
    t_budget = previous_;
}

std::optional<uint64_t> StopRequest::ConflictsLeft() noexcept {
    if (t_budget == nullptr) return std::nullopt;
    const uint64_t spent = t_budget->spent.load();
    return spent >= t_budget->limit ? 0 : t_budget->limit - spent;
}

void StopRequest::ChargeConflicts(uint64_t conflicts) noexcept {
    if (t_budget != nullptr) t_budget->spent.fetch_add(conflicts);
}
