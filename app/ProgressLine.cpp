#include "app/ProgressLine.h"

#include <cstdio>
#include <iostream>
#include <sys/ioctl.h>
#include <unistd.h>

// A stream buffer without a buffer of its own: each write erases the progress line, goes to
// the stream's former buffer and is flushed at once, all under the line's mutex, so that
// the line is never drawn into the middle of the text.
class ProgressLine::ErasingBuffer : public std::streambuf {
public:
    ErasingBuffer(ProgressLine& line, std::ostream& stream)
        : line_(line), stream_(stream), inner_(stream.rdbuf()) {
        stream_.rdbuf(this);
    }
    ~ErasingBuffer() override { stream_.rdbuf(inner_); }
    ErasingBuffer(const ErasingBuffer&) = delete;
    ErasingBuffer& operator=(const ErasingBuffer&) = delete;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return sync() == 0 ? traits_type::not_eof(c) : traits_type::eof();
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n <= 0) return 0;
        std::lock_guard<std::mutex> lock(line_.mutex_);
        line_.eraseLocked();
        const std::streamsize done = inner_->sputn(s, n);
        inner_->pubsync();
        const bool mid = s[n - 1] != '\n';
        if (mid != midLine_) line_.midLine_ += mid ? 1 : -1;
        midLine_ = mid;
        return done;
    }
    int sync() override { return inner_->pubsync(); }

private:
    ProgressLine& line_;
    std::ostream& stream_;
    std::streambuf* inner_;
    bool midLine_ = false;
};

ProgressLine::ProgressLine(int fd) : fd_(fd), active_(isatty(fd) == 1) {
    if (!active_) return;
    std::cout.flush();
    std::cerr.flush();
    if (isatty(STDOUT_FILENO) == 1) out_ = std::make_unique<ErasingBuffer>(*this, std::cout);
    err_ = std::make_unique<ErasingBuffer>(*this, std::cerr);
}

ProgressLine::~ProgressLine() {
    Erase();
    err_.reset();
    out_.reset();
}

std::string ProgressLine::Text(const SearchProgress& progress, double elapsed) {
    const uint32_t n = progress.nodes.load();
    const std::string nodes = std::to_string(n) + (n == 1 ? " node: " : " nodes: ");
    std::string what;
    switch (progress.activity.load()) {
    case SearchProgress::Preparing:
        what = "preparing";
        break;
    case SearchProgress::RulingOut:
        what = nodes + "ruling out";
        break;
    case SearchProgress::Solving:
        what = nodes + "solving";
        break;
    case SearchProgress::LoweringCost:
        what = nodes + "lowering the cost";
        break;
    case SearchProgress::Enumerating:
        what = nodes + "enumerating";
        break;
    default:
        what = "writing";
        break;
    }
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", elapsed);
    const uint32_t solutions = progress.solutions.load();
    return "quillon: " + what + " | " + time + " | " + std::to_string(solutions) +
           (solutions == 1 ? " solution" : " solutions");
}

void ProgressLine::Show(const std::string& text) {
    if (!active_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (suspended_ > 0 || midLine_ > 0 || (shown_ && text == text_)) return;
    winsize size{};
    const size_t columns = ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col : 80;
    text_ = text;
    writeRaw("\r" + text.substr(0, columns - 1) + "\x1b[K");
    shown_ = true;
}

void ProgressLine::Erase() {
    if (!active_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    eraseLocked();
}

void ProgressLine::Suspend() {
    if (!active_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    eraseLocked();
    ++suspended_;
}

void ProgressLine::Resume() {
    if (!active_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    --suspended_;
}

void ProgressLine::eraseLocked() {
    if (!shown_) return;
    writeRaw("\r\x1b[K");
    shown_ = false;
}

void ProgressLine::writeRaw(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}
