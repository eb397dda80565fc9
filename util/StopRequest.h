// A request to stop the run, raised asynchronously (by a signal handler) and polled by the
// search between solver runs, so that a stopped run never acts on a half-finished solver
// answer and never writes a continuation file from one. The in-process solvers poll it
// too, from whatever thread they run in.
#pragma once

#include "util/myExcept.h"

#include <string>

class StopRequest {
public:
    // Records the request; async-signal-safe. The first signal recorded is kept.
    static void Raise(int signo) noexcept;
    static bool Pending() noexcept;
    // The signal of the pending request (0 when there is none).
    static int Signal() noexcept;
    static void Clear() noexcept;
    // The process group of the external program the run is waiting for (0: none). A stop
    // request terminates that group at once, so that a long solver run does not delay it.
    static void SetChildGroup(int pgid) noexcept;
    // Throws StopRequested when a request is pending.
    static void ThrowIfPending();

    // A time limit of the calling thread alone, for as long as the object lives (a batch
    // gives each target its own): once it has passed, Pending() is true on this thread
    // and Signal() gives SIGALRM there unless a process-wide request is pending.
    class ThreadDeadline {
    public:
        explicit ThreadDeadline(double seconds);
        ~ThreadDeadline();
        ThreadDeadline(const ThreadDeadline&) = delete;
        ThreadDeadline& operator=(const ThreadDeadline&) = delete;
    };
};

// Thrown when the run stops on request; carries the signal that asked for it.
class StopRequested : public CException {
public:
    explicit StopRequested(int signo);
    int signo() const { return signo_; }
    // "SIGINT", "SIGTERM" or "signal <n>".
    static std::string SignalName(int signo);

private:
    int signo_;
};
