// The step the run is at, for the message when memory runs out: a scope names its step, and
// when an exception leaves the scope the innermost such step is kept, so that the entry
// point can say where a std::bad_alloc came from.
//
//   Step step("building the instance for n = 40: 4,096 rows");
//   ... // a bad_alloc here is reported as "out of memory building the instance ..."
#pragma once

#include <string>

class Step {
public:
    explicit Step(std::string what);
    ~Step();
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

    // The innermost step the last exception left ("" when none did since the last step
    // began).
    static const std::string& Failed();
    // "out of memory <step>" for the step an exception left, "out of memory" without one.
    static std::string OutOfMemoryMessage();
    // Called where an exception is handled and the run goes on: the step it left is no
    // longer the one to report.
    static void Forget();

private:
    std::string what_;
    int uncaught_;
};

// Thousands separated by commas: 4096 -> "4,096".
std::string withCommas(unsigned long long value);
// A byte count for a person: "812 KB", "3.1 GB".
std::string bytesText(double bytes);
