#include "util/Step.h"

#include <cstdio>
#include <exception>

namespace {

// Per thread: the workers of the lower-bound engine have their own.
thread_local std::string failed;

} // namespace

Step::Step(std::string what) : what_(std::move(what)), uncaught_(std::uncaught_exceptions()) {
    failed.clear();
}

Step::~Step() {
    // Only the innermost scope an exception leaves is kept; moving the text needs no memory.
    if (std::uncaught_exceptions() > uncaught_ && failed.empty()) failed.swap(what_);
}

const std::string& Step::Failed() {
    return failed;
}

void Step::Forget() {
    failed.clear();
}

std::string Step::OutOfMemoryMessage() {
    return failed.empty() ? std::string("out of memory") : "out of memory " + failed;
}

std::string withCommas(unsigned long long value) {
    std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string bytesText(double bytes) {
    const char* const units[] = {"bytes", "KB", "MB", "GB", "TB", "PB"};
    int u = 0;
    while (bytes >= 1024.0 && u < 5) {
        bytes /= 1024.0;
        ++u;
    }
    char text[32];
    if (u == 0 || bytes >= 100.0)
        std::snprintf(text, sizeof text, "%.0f %s", bytes, units[u]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", bytes, units[u]);
    return text;
}
