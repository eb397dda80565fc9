// Helpers shared by the tests: temporary directories, files, and running the binary.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh directory under the system's temporary directory, removed with its content
// when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Changes the working directory for the lifetime of the object.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir);
    ~ScopedCwd();
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::string old_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
bool fileExists(const std::string& path);
std::vector<std::string> splitLines(const std::string& text);

// Writes an executable shell script ("#!/bin/sh" and body).
void writeScript(const std::string& path, const std::string& body);

// Message of the project exception (CException and its kinds) that f raises, "" when it
// raises none.
std::string messageOf(const std::function<void()>& f);
// True when a message shows a name of the program's code (a class, a member or a function,
// such as "Klass::Member", "SomeFunction:" or "Some_Name:"), which no message a user can
// reach may do.
bool NamesCode(const std::string& message);
// The message of a RuntimeException with the given text.
inline std::string rt(const std::string& text) {
    return "Runtime Exception: " + text;
}

// The search-state comment lines of a continuation file (n, best cost, best n, solution
// number), up to its problem line.
std::vector<std::string> stateLines(const std::string& cnf);

// Sets PATH for the lifetime of the object.
class PathGuard {
public:
    explicit PathGuard(const std::string& path);
    ~PathGuard();
    PathGuard(const PathGuard&) = delete;
    PathGuard& operator=(const PathGuard&) = delete;

private:
    std::optional<std::string> old_;
};

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
    bool timedOut = false; // killed after the time limit
};

// Runs the quillon binary with the given arguments in directory dir (no shell involved);
// with a time limit (seconds, 0: none) a run that takes longer is killed.
RunResult runQuillon(const std::vector<std::string>& args, const std::string& dir = ".",
                     double timeLimit = 0);

} // namespace testsupport
