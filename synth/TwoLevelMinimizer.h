// Two-level minimisation of single-output functions, following the file protocol of the
// Berkeley minimizer espresso:
//   espresso to_min.pla > onset.pla       minimum cover of the function in to_min.pla
//   espresso -or onset.pla > offset.pla   minimum cover of the off-set of onset.pla
//
// An executable "espresso" in the current directory is used first, then one on the PATH.
// Without either, an exact minimizer built into the program does the same work in-process
// and writes the two files byte for byte as espresso does for two-input functions.
#pragma once

#include <cstdint>

class PLA;
#include <string>
#include <vector>

class TwoLevelMinimizer {
public:
    enum class Kind { LocalProgram, PathProgram, BuiltIn };

    explicit TwoLevelMinimizer(Kind kind) : kind_(kind) {}

    // The minimizer that serves the current directory: ./espresso, espresso on the PATH, or
    // the built-in one.
    static TwoLevelMinimizer Locate();

    Kind kind() const { return kind_; }
    // Name for messages: "./espresso", "espresso" or "built-in minimizer".
    std::string name() const;

    // Minimises to_min.pla into onset.pla and then onset.pla's off-set into offset.pla, in
    // the current directory. The external program's exit status is not examined: callers
    // judge the outcome by the files.
    void Run() const;

    // The built-in minimizer's two calls. Each truncates `out`; when `in` does not hold a
    // readable single-output PLA of at most kMaxInputs inputs, `out` is left empty and the
    // result is false.
    static bool MinimizeFile(const std::string& in, const std::string& out); // espresso
    static bool OffsetFile(const std::string& in, const std::string& out);   // espresso -or
    // The built-in minimizer's two covers of a completely specified function without any
    // file: the PLAs that reading its two output files would give.
    static void Covers(uint32_t inputs, const std::vector<uint8_t>& values, PLA& onset,
                       PLA& offset);

    // Minimum cover of a single-output function: fewest cubes, then fewest literals.
    // values[x] is 0 (off), 1 (on) or 2 (don't care) for the minterm x whose binary text,
    // first variable most significant, is x. The cubes come as texts over '0', '1', '-'.
    static std::vector<std::string> MinimumCover(uint32_t inputs,
                                                 const std::vector<uint8_t>& values);

    // Orders of the cubes in the files written: the on-set cover compares the positions
    // from the last to the first, '0' before '-' before '1'; the off-set cover compares
    // from the first position, '0' before '1' before '-'. These are the orders espresso
    // gives for every two-input function.
    static void SortOnsetCubes(std::vector<std::string>& cubes);
    static void SortOffsetCubes(std::vector<std::string>& cubes);

    static constexpr uint32_t kMaxInputs = 8;

private:
    Kind kind_;
};
