// Helpers of the end-to-end tests: reading what a run printed, listing and checking the
// files it wrote, and stand-ins for the SAT solver that stop a run at a chosen point.
#pragma once

#include "tests/support/CircuitCheck.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

// The last line of a text ("" for an empty text).
inline std::string lastLine(const std::string& text) {
    const std::vector<std::string> lines = splitLines(text);
    return lines.empty() ? "" : lines.back();
}

// The fields of a line separated by sep (an empty field between two separators kept).
inline std::vector<std::string> splitFields(const std::string& line, char sep) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : line) {
        if (c == sep) {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

// The names of the entries of a directory, sorted (hidden ones included).
inline std::set<std::string> listDir(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// Full path of a program found on the PATH, "" when there is none.
inline std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const std::string candidate = dir + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

// How a stand-in solver stops a run.
enum class SolverStop {
    Signal,      // sends SIGTERM to the run, writes no answer
    Interrupted, // answers "INDET", as minisat does when interrupted by SIGINT
    Vanished,    // writes no answer at all (a solver killed from outside)
};

// Puts an executable "minisat" into dir (the program takes the copy in its current
// directory first). It runs the real solver until the run saves constr.cnf with
// "c sol_no=<solNo>", that is just before the solver run that looks for solution solNo + 1;
// then it stops the run as asked.
inline void installStoppingSolver(const std::string& dir, unsigned solNo, SolverStop how) {
    const std::string real = findOnPath("minisat");
    std::string stop;
    switch (how) {
    case SolverStop::Signal:
        stop =
            "  pid=$PPID\n"
            "  while [ \"$pid\" -gt 1 ]; do\n"
            "    if [ \"$(cat /proc/$pid/comm)\" = quillon ]; then kill -TERM \"$pid\"; break; fi\n"
            "    read -r _ _ _ pid _ < /proc/$pid/stat\n"
            "  done\n"
            "  exit 1\n";
        break;
    case SolverStop::Interrupted:
        stop = "  echo INDET > \"$2\"\n  exit 1\n";
        break;
    case SolverStop::Vanished:
        stop = "  exit 1\n";
        break;
    }
    const std::string script = "#!/bin/sh\n"
                               "if grep -q '^c sol_no=" +
                               std::to_string(solNo) + "$' constr.cnf 2>/dev/null; then\n" + stop +
                               "fi\n"
                               "exec " +
                               real + " \"$@\"\n";
    const std::string file = dir + "/minisat";
    writeFile(file, script);
    chmod(file.c_str(), 0755);
}

} // namespace testsupport
