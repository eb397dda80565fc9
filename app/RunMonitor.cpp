#include "app/RunMonitor.h"

#include "util/StopRequest.h"

#include <cctype>
#include <csignal>
#include <fstream>
#include <optional>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds kTick{50};
constexpr double kRedrawSeconds = 0.1; // at most ten drawings a second

bool costsDiffer(const Settings& s) {
    if (!s.gateCosts) return false;
    for (char c : *s.gateCosts)
        if (std::toupper(static_cast<unsigned char>(c)) !=
            std::toupper(static_cast<unsigned char>(s.gateCosts->front())))
            return true;
    return false;
}

} // namespace

RunMonitor::RunMonitor(const Settings& settings, const SearchProgress& progress, ProgressLine& line)
    : settings_(settings), progress_(progress), line_(line),
      start_(std::chrono::steady_clock::now()) {
    // The stop signals go to the run's thread, whose handler raises the request.
    sigset_t blocked;
    sigset_t old;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &old);
    thread_ = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

RunMonitor::~RunMonitor() {
    Stop();
}

void RunMonitor::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void RunMonitor::run() {
    using Clock = std::chrono::steady_clock;
    const double limit = settings_.timeLimit;
    double lastDraw = -1.0;
    bool limitReached = false;
    std::optional<Clock::time_point> requested; // when the stop request was first seen
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, kTick, [this] { return stopping_; })) {
        const Clock::time_point now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        if (limit > 0 && elapsed >= limit && !limitReached) {
            limitReached = true;
            StopRequest::Raise(kTimeLimitSignal); // a signal raised before it is kept
        }
        if (StopRequest::Pending()) {
            if (!requested) requested = now;
            if (now - *requested >= kGrace && writing_.load() == 0) {
                // The run did not reach a point where it polls: end it here.
                line_.Erase();
                const int signo = StopRequest::Signal();
                const std::string message = StopMessage(settings_, progress_, signo);
                if (write(STDERR_FILENO, message.data(), message.size()) < 0) {
                    // Nothing left to report to.
                }
                _exit(StopStatus(signo));
            }
            continue;
        }
        if (line_.Active() && elapsed - lastDraw >= kRedrawSeconds) {
            lastDraw = elapsed;
            line_.Show(ProgressLine::Text(progress_, elapsed));
        }
    }
}

std::string RunMonitor::StopMessage(const Settings& settings, const SearchProgress& progress,
                                    int signo) {
    std::string m;
    if (signo != kTimeLimitSignal)
        m = "Quillon: interrupted by " + StopRequested::SignalName(signo) +
            "; the run stopped before its end.";
    else
        m = "Quillon: time limit of " + settings.timeLimitText +
            " s reached; the run stopped before its end.";
    // How far the search got, whatever stopped it.
    const uint32_t below = progress.impossibleBelow.load();
    if (below == 0)
        m += " No node count is proven impossible yet.";
    else if (below == 1)
        m += " Proven impossible: 0 nodes.";
    else
        m += " Proven impossible: 0 to " + std::to_string(below - 1) + " nodes.";
    const uint32_t best = progress.bestNodes.load();
    if (best == SearchProgress::kNone) {
        m += " No circuit found yet.";
    } else {
        m += " Best circuit found so far: " + std::to_string(best) +
             (best == 1 ? " node" : " nodes");
        if (costsDiffer(settings)) m += ", cost " + std::to_string(progress.bestCost.load());
        // Optimal only once every smaller count is ruled out.
        m += best > below ? " (not proven optimal)." : ".";
    }
    if (const uint32_t solutions = progress.solutions.load())
        m += " Solutions so far: " + std::to_string(solutions) + ".";
    if (settings.continueRun && std::ifstream("constr.cnf"))
        m += " constr.cnf holds the constraints of the last completed save; run again with "
             "-continue to resume.";
    return m + "\n";
}

RunMonitor::Writing::Writing(RunMonitor& monitor) : monitor_(monitor) {
    ++monitor_.writing_;
    monitor_.line_.Suspend();
}

RunMonitor::Writing::~Writing() {
    monitor_.line_.Resume();
    --monitor_.writing_;
}
