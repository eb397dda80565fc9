// Node-function library: every two-input function of the library string is minimised into
// an on-set and an off-set cover, which the CNF encoding turns into clauses.
#include "synth/SAT_CircGen.h"

#include "synth/TwoLevelMinimizer.h"
#include "util/ExchangeFiles.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <cctype>
#include <cstdio>

namespace {

const char* const kExchangeFiles[] = {ExchangeFiles::MinimizerInput, ExchangeFiles::Onset,
                                      ExchangeFiles::Offset};

void removeExchangeFiles() {
    for (const char* f : kExchangeFiles)
        std::remove(f);
}

// Loads a minimizer output file; false when it cannot be read as a PLA.
bool loadCover(const std::string& file, PLA& pla) {
    try {
        pla.LoadPLA(file);
        return true;
    } catch (const InternalError&) {
        throw;
    } catch (const CException&) {
        pla = PLA();
        return false;
    }
}

// Truth-table value of row "ab" (a the first character) of the 4-character table s, which
// lists f(1,1), f(1,0), f(0,1), f(0,0).
char rowValue(const std::string& s, uint32_t row) {
    return s[3 - row];
}

// True when the terms of `cover` with output `out` cover exactly the rows of s whose value
// is `value`, and the cover has the shape of a two-input, one-output PLA of the given type.
bool coversExactly(const PLA& cover, const std::string& s, char value, char out, bool onset) {
    if (cover.getInputs() != 2 || cover.getOutputs() != 1) return false;
    if (onset ? !cover.getType().f : !cover.getType().r) return false;
    bool covered[4] = {false, false, false, false};
    for (const Term& t : cover.getTerms()) {
        if (t.getOM()[0] != out) return false;
        const std::string cube = t.getCube();
        for (uint32_t row = 0; row < 4; ++row) {
            const char a = (row & 2u) ? '1' : '0';
            const char b = (row & 1u) ? '1' : '0';
            if ((cube[0] == '-' || cube[0] == a) && (cube[1] == '-' || cube[1] == b))
                covered[row] = true;
        }
    }
    for (uint32_t row = 0; row < 4; ++row)
        if (covered[row] != (rowValue(s, row) == value)) return false;
    return true;
}

} // namespace

void SAT_CircGen::DeriveFunctions(const std::string& functions) {
    if (!gateCosts.empty() && gateCosts.size() != functions.size())
        throw RuntimeException("-gatecosts and -nodefuncts must be of equal size");
    clean();
    nodeFunctions.clear();
    nodeFunctionCovers.clear();
    gateCosts.clear();
    symmetric.clear();
    negSymmetric.clear();
    allSymmetric = true;
    functionCount = static_cast<uint32_t>(functions.size());
    libraryText.clear();
    for (char ch : functions)
        libraryText += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    codeBits = 0;
    while (codeBits < 32 && (uint64_t(1) << codeBits) < functionCount)
        ++codeBits;

    PLA work(2, 1, PLA_type("fr"));
    const char* const rows[] = {"00", "01", "10", "11"};
    for (const char* row : rows)
        work.AppendTerm(row, "0");

    // The built-in minimizer works in memory and writes no file; an external espresso is
    // used only on the external route.
    const TwoLevelMinimizer minimizer = route == SolverRoute::Embedded
                                            ? TwoLevelMinimizer(TwoLevelMinimizer::Kind::BuiltIn)
                                            : TwoLevelMinimizer::Locate();

    for (char ch : functions) {
        const char digit = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (!isHexDigit(digit))
            throw RuntimeException("the node library " + functions + " has a character that is no hexadecimal digit");
        const std::string s = hex2bin(digit);
        for (uint32_t row = 0; row < 4; ++row)
            work.setOM(row, 0, rowValue(s, row) == '0' ? '0' : '1');

        PLA onset;
        PLA offset;
        bool onRead = true;
        bool offRead = true;
        if (minimizer.kind() == TwoLevelMinimizer::Kind::BuiltIn) {
            std::vector<uint8_t> values(4);
            for (uint32_t row = 0; row < 4; ++row)
                values[row] = rowValue(s, row) == '1' ? 1 : 0;
            TwoLevelMinimizer::Covers(2, values, onset, offset);
        } else {
            removeExchangeFiles();
            work.SavePLA(ExchangeFiles::MinimizerInput);
            minimizer.Run();
            onRead = loadCover(ExchangeFiles::Onset, onset);
            offRead = loadCover(ExchangeFiles::Offset, offset);
            removeExchangeFiles();
        }

        // Both covers must describe the function exactly, so that a failing or missing
        // minimizer never yields a wrong library. The constant functions are rejected as
        // trivial whatever the minimizer left.
        if (s == "0000" || s == "1111")
            throw RuntimeException("the node library " + functions + " holds the constant function " + std::string(1, digit) + "; a node function must depend on its inputs");
        if (!onRead || !offRead || !coversExactly(onset, s, '1', '1', true) ||
            !coversExactly(offset, s, '0', '0', false))
            throw RuntimeException("the two-level minimizer " +
                                   minimizer.name() + " gave no valid cover of function " +
                                   std::string(1, digit));

        const std::unique_ptr<SoPLA> cover = onset.ToSoPLA(0);
        if (cover->empty())
            throw RuntimeException("the two-level minimizer gave an empty cover of node function " + std::string(1, digit));
        if (cover->isTrivial())
            throw RuntimeException("the node library " + functions + " holds the function " +
                                   std::string(1, digit) +
                                   ", which is trivial (a constant or a buffer)");
        nodeFunctionCovers.push_back(*cover);
        nodeFunctionCovers.back().getGateName(); // recognised once, read by the writers

        onset.setType(std::string("fr"));
        onset.AppendPLA(offset);
        nodeFunctions.push_back(onset);

        const bool sym = is_symmetric(s);
        symmetric.push_back(sym);
        negSymmetric.push_back(is_neg_symmetric(s));
        if (!sym) allSymmetric = false;
    }
}
