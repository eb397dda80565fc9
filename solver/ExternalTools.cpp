#include "solver/ExternalTools.h"

#include "util/StopRequest.h"
#include "util/myExcept.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false;
    return S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

} // namespace

ExternalTools::Location ExternalTools::Find(const std::string& name) {
    Location loc;
    if (name.empty()) return loc;
    if (isExecutableFile("./" + name)) {
        loc.found = true;
        loc.local = true;
        loc.command = "./" + name;
        return loc;
    }
    const char* path = std::getenv("PATH");
    if (path == nullptr) return loc;
    const std::string dirs(path);
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        // An empty entry means the current directory, which was looked at first.
        if (!dir.empty()) {
            const std::string candidate = dir.back() == '/' ? dir + name : dir + "/" + name;
            if (isExecutableFile(candidate)) {
                loc.found = true;
                loc.command = ShellQuote(candidate);
                return loc;
            }
        }
        start = end + 1;
    }
    return loc;
}

ExternalTools::Location ExternalTools::Require(const std::string& name, const std::string& package,
                                               const std::string& caller) {
    Location loc = Find(name);
    if (!loc.found)
        throw RuntimeException(caller + ": cannot find the program " + name + " (neither ./" +
                               name + " nor " + name +
                               " on the PATH); it is provided by the Debian package " + package);
    return loc;
}

int ExternalTools::Run(const std::string& commandLine) {
    // Like system(), but the caller keeps its own SIGINT/SIGTERM handling and the program
    // runs in a process group of its own, which a stop request terminates at once.
    std::cout.flush();
    std::cerr.flush();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        setpgid(0, 0);
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        execl("/bin/sh", "sh", "-c", commandLine.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    setpgid(pid, pid);
    StopRequest::SetChildGroup(static_cast<int>(pid));
    if (StopRequest::Pending()) kill(-pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            status = -1;
            break;
        }
    }
    StopRequest::SetChildGroup(0);
    return status;
}

std::string ExternalTools::ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += "'";
    return quoted;
}
