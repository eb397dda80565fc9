#include "tests/support/TestSupport.h"

#include "util/myExcept.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

ScopedCwd::ScopedCwd(const std::string& dir) : old_(fs::current_path().string()) {
    fs::current_path(dir);
}

ScopedCwd::~ScopedCwd() {
    std::error_code ec;
    fs::current_path(old_, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << content;
}

bool fileExists(const std::string& path) {
    return fs::exists(path);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

void writeScript(const std::string& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const CException& e) {
        return e.GetMsg();
    }
    return "";
}

bool NamesCode(const std::string& message) {
    static const std::regex code(
        "[A-Za-z_][A-Za-z0-9_]*::|\\b[A-Z][a-z0-9]+[A-Z][A-Za-z0-9]*:|\\b[A-Za-z]+_[A-Za-z_]+:");
    return std::regex_search(message, code);
}

std::vector<std::string> stateLines(const std::string& cnf) {
    std::vector<std::string> state;
    for (const std::string& line : splitLines(cnf)) {
        if (line.rfind("p cnf", 0) == 0) break;
        if (line.rfind("c n=", 0) == 0 || line.rfind("c best_", 0) == 0 ||
            line.rfind("c sol_no=", 0) == 0)
            state.push_back(line);
    }
    return state;
}

PathGuard::PathGuard(const std::string& path) {
    if (const char* old = std::getenv("PATH")) old_ = old;
    setenv("PATH", path.c_str(), 1);
}

PathGuard::~PathGuard() {
    if (old_)
        setenv("PATH", old_->c_str(), 1);
    else
        unsetenv("PATH");
}

RunResult runQuillon(const std::vector<std::string>& args, const std::string& dir,
                     double timeLimit) {
    TempDir capture;
    const std::string outPath = capture.file("stdout");
    const std::string errPath = capture.file("stderr");
    const std::string absDir = fs::absolute(dir).string();

    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || chdir(absDir.c_str()) != 0) _exit(127);
        dup2(out, 1);
        dup2(err, 2);
        dup2(in, 0);
        std::vector<char*> argv;
        std::string bin = QUILLON_BIN;
        argv.push_back(bin.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(bin.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    RunResult r;
    const auto start = std::chrono::steady_clock::now();
    while (timeLimit > 0 && waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >
            timeLimit) {
            kill(pid, SIGKILL);
            r.timedOut = true;
            break;
        }
        usleep(2000);
    }
    if (timeLimit <= 0 || r.timedOut) waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

} // namespace testsupport
