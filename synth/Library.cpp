// The node library: every function of the digits is minimised into an on-set and an
// off-set cover, and both covers are checked against the function's table, so that a
// failing or missing minimizer never yields a wrong library.
#include "synth/Library.h"

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

// Value of a gate-cost digit: '0'-'9', 'A'-'F' and 'a'-'f' (hexadecimal); -1 otherwise.
int costDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::vector<uint32_t> Library::ParseCosts(const std::string& costs, size_t functions) {
    if (costs.empty()) return std::vector<uint32_t>(functions, 1);
    if (functions != 0 && functions != costs.size())
        throw RuntimeException("-gatecosts and -nodefuncts must be of equal size");
    std::vector<uint32_t> out(costs.size(), 0);
    for (size_t x = 0; x < costs.size(); ++x) {
        const int value = costDigit(costs[x]);
        if (value < 0)
            throw RuntimeException("the gate costs " + costs +
                                   " have a character that is no cost digit (1-9, A-F)");
        if (value == 0)
            throw RuntimeException("the gate costs " + costs +
                                   " hold a zero cost; every gate costs at least 1");
        out[x] = static_cast<uint32_t>(value);
    }
    return out;
}

std::string Library::CostText() const {
    std::string s;
    for (uint32_t c : costs_)
        s += "0123456789ABCDEF"[c & 15u];
    return s;
}

Library::Library(const std::string& functions, const std::string& costs)
    : Library(functions, costs, TwoLevelMinimizer(TwoLevelMinimizer::Kind::BuiltIn)) {}

Library::Library(const std::string& functions, const std::string& costs,
                 const TwoLevelMinimizer& minimizer) {
    if (!costs.empty() && costs.size() != functions.size())
        throw RuntimeException("-gatecosts and -nodefuncts must be of equal size");
    for (char ch : functions)
        text_ += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    while (codeBits_ < 32 && (uint64_t(1) << codeBits_) < functions.size())
        ++codeBits_;

    PLA work(2, 1, PLA_type("fr"));
    const char* const rows[] = {"00", "01", "10", "11"};
    for (const char* row : rows)
        work.AppendTerm(row, "0");

    for (char digit : text_) {
        if (!isHexDigit(digit))
            throw RuntimeException("the node library " + functions +
                                   " has a character that is no hexadecimal digit");
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

        // The constant functions are rejected as trivial whatever the minimizer left.
        if (s == "0000" || s == "1111")
            throw RuntimeException("the node library " + functions +
                                   " holds the constant function " + std::string(1, digit) +
                                   "; a node function must depend on its inputs");
        if (!onRead || !offRead || !coversExactly(onset, s, '1', '1', true) ||
            !coversExactly(offset, s, '0', '0', false))
            throw RuntimeException("the two-level minimizer " + minimizer.name() +
                                   " gave no valid cover of function " + std::string(1, digit));

        const std::unique_ptr<SoPLA> cover = onset.ToSoPLA(0);
        if (cover->empty())
            throw RuntimeException("the two-level minimizer gave an empty cover of node function " +
                                   std::string(1, digit));
        if (cover->isTrivial())
            throw RuntimeException("the node library " + functions + " holds the function " +
                                   std::string(1, digit) +
                                   ", which is trivial (a constant or a buffer)");
        covers_.push_back(*cover);
        names_.push_back(covers_.back().getGateName());

        // f(a, b) at bit 2a + b: row "ab" of the table.
        uint32_t table = 0;
        for (uint32_t row = 0; row < 4; ++row)
            if (rowValue(s, row) == '1') table |= 1u << row;
        tables_.push_back(table);

        onset.setType(std::string("fr"));
        onset.AppendPLA(offset);
        functions_.push_back(onset);

        const bool sym = s[1] == s[2];
        symmetric_.push_back(sym);
        negSymmetric_.push_back(sym && s[0] == s[3]);
        if (!sym) allSymmetric_ = false;
    }

    costs_ = ParseCosts(costs, functions_.size());
    minCost_ = maxCost_ = costs_.empty() ? 1 : costs_[0];
    for (uint32_t c : costs_) {
        minCost_ = std::min(minCost_, c);
        maxCost_ = std::max(maxCost_, c);
    }
}
