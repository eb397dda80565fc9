#include "app/SignalGuard.h"

#include "util/StopRequest.h"

namespace {

extern "C" void onStopSignal(int signo) {
    if (StopRequest::Pending()) {
        // Asked twice: stop now. constr.cnf is only ever replaced by a rename, so it is
        // still the last complete save.
        std::signal(signo, SIG_DFL);
        std::raise(signo);
        return;
    }
    StopRequest::Raise(signo);
}

bool install(int signo, struct sigaction& old) {
    if (sigaction(signo, nullptr, &old) != 0) return false;
    if (old.sa_handler == SIG_IGN) return false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(signo, &action, nullptr) == 0;
}

} // namespace

SignalGuard::SignalGuard() {
    StopRequest::Clear();
    installedInt_ = install(SIGINT, oldInt_);
    installedTerm_ = install(SIGTERM, oldTerm_);
}

SignalGuard::~SignalGuard() {
    if (installedInt_) sigaction(SIGINT, &oldInt_, nullptr);
    if (installedTerm_) sigaction(SIGTERM, &oldTerm_, nullptr);
}
