// Turns SIGINT and SIGTERM into a stop request (StopRequest) for the lifetime of the
// object, so that the search stops between solver runs instead of in the middle of writing
// a file. A second signal while a request is pending ends the process at once with the
// default action. A signal that was ignored when the run started stays ignored.
#pragma once

#include <csignal>

class SignalGuard {
public:
    SignalGuard();
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    bool installedInt_ = false;
    bool installedTerm_ = false;
};
