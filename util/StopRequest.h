// A request to stop the run, raised asynchronously (by a signal handler) and polled by the
// search between solver runs, so that a stopped run never acts on a half-finished solver
// answer and never writes a continuation file from one. The in-process solvers poll it
// too, from whatever thread they run in.
#pragma once

#include "util/StopToken.h"
#include "util/myExcept.h"

#include <atomic>
#include <cstdint>
#include <optional>
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
    // and Signal() gives SIGALRM there unless a process-wide request is pending. Scopes nest:
    // an inner one never extends the deadline of an outer one.
    class ThreadDeadline {
    public:
        explicit ThreadDeadline(double seconds);
        ~ThreadDeadline();
        ThreadDeadline(const ThreadDeadline&) = delete;
        ThreadDeadline& operator=(const ThreadDeadline&) = delete;

    private:
        int64_t previous_; // the deadline an enclosing scope set (the earlier one holds)
    };

    // The pseudo signals of a stop asked for through a token, and of a spent conflict
    // budget (StopRequested::signo()).
    static constexpr int kCancelled = -1;
    static constexpr int kConflictLimit = -2;

    // A budget of solver conflicts for the calling thread (and the helpers that adopt its
    // state), for as long as the object lives: the solvers charge what they spend, limit
    // each solve to what is left, and Pending() is true once it is spent.
    class ConflictBudget {
    public:
        explicit ConflictBudget(uint64_t conflicts);
        ~ConflictBudget();
        ConflictBudget(const ConflictBudget&) = delete;
        ConflictBudget& operator=(const ConflictBudget&) = delete;

        struct Account {
            uint64_t limit = 0;
            std::atomic<uint64_t> spent{0};
        };

    private:
        Account account_;
        Account* previous_;
    };
    // What the calling thread's budget has left (nullopt: no budget), and a charge to it.
    static std::optional<uint64_t> ConflictsLeft() noexcept;
    static void ChargeConflicts(uint64_t conflicts) noexcept;

    // A cancellation token of the calling thread alone, for as long as the object lives:
    // once the token is requested, Pending() is true on this thread and Signal() gives
    // kCancelled there (unless a process-wide request or the thread's deadline came first).
    class TokenScope {
    public:
        explicit TokenScope(const StopToken& token);
        ~TokenScope();
        TokenScope(const TokenScope&) = delete;
        TokenScope& operator=(const TokenScope&) = delete;

    private:
        StopToken token_; // keeps the flag alive while the scope reads it
        const std::atomic<bool>* previous_;
    };

    // The calling thread's deadline and token, carried into a helper thread that works for
    // it (the helper ends before the scopes that set them do).
    struct ThreadState {
        int64_t deadline = 0;
        const std::atomic<bool>* token = nullptr;
        ConflictBudget::Account* budget = nullptr;
    };
    static ThreadState Current() noexcept;
    class Adopt {
    public:
        explicit Adopt(const ThreadState& state);
        ~Adopt();
        Adopt(const Adopt&) = delete;
        Adopt& operator=(const Adopt&) = delete;

    private:
        ThreadState previous_;
    };
};

// Thrown when the run stops on request; carries the signal that asked for it.
class StopRequested : public CException {
public:
    explicit StopRequested(int signo);
    int signo() const { return signo_; }
    // "SIGINT", "SIGTERM", "cancellation" (kCancelled), "the conflict limit"
    // (kConflictLimit) or "signal <n>".
    static std::string SignalName(int signo);

private:
    int signo_;
};
