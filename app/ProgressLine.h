// The live status line of a run on a terminal: one line on the standard error stream,
// rewritten in place ("\r", the text, erase to the end of the line), that says what the
// search is doing. It is erased before any regular output reaches the terminal: while it is
// active, std::cout (when it is a terminal too) and std::cerr pass through a stream buffer
// that erases the line first, and no line is drawn while either stream has written part
// of a line. When the standard error stream is not a terminal the object does nothing.
#pragma once

#include "synth/SearchProgress.h"

#include <memory>
#include <mutex>
#include <streambuf>
#include <string>

class ProgressLine {
public:
    // Active only when fd is a terminal.
    explicit ProgressLine(int fd = 2);
    ~ProgressLine(); // erases the line and gives the streams their buffers back
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool Active() const { return active_; }

    // "quillon: 7 nodes: solving | 12.4 s | 0 solutions" ("preparing" and "writing"
    // name no node count).
    static std::string Text(const SearchProgress& progress, double elapsed);

    // Draws text unless it is already shown, the line is suspended, or an output stream is
    // in the middle of a line. The text is cut to the width of the terminal.
    void Show(const std::string& text);
    void Erase();
    // While suspended (a file being written) the line stays erased; the calls nest.
    void Suspend();
    void Resume();

private:
    class ErasingBuffer;
    friend class ErasingBuffer;

    // Called by the stream buffers with the mutex held.
    void eraseLocked();
    void writeRaw(const std::string& bytes);

    int fd_;
    bool active_ = false;
    std::mutex mutex_;
    bool shown_ = false;
    int suspended_ = 0;
    int midLine_ = 0; // streams whose last character written was not a line end
    std::string text_;
    std::unique_ptr<ErasingBuffer> out_;
    std::unique_ptr<ErasingBuffer> err_;
};
