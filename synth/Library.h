// The node library: the two-input functions a node may realise, built once from the
// hexadecimal digits of -nodefuncts and the cost digits of -gatecosts.
//
// A digit d names the function whose table, read as four bits f(1,1) f(1,0) f(0,1) f(0,0)
// from the highest bit, is d: 8 is AND, 6 is XOR, E is OR. For each function the library
// keeps its on-set and off-set covers (the encoding turns them into clauses), the on-set
// cover alone (the networks and the gate name read it), its 4-bit table, its cost, and
// whether it is symmetric (f(0,1) = f(1,0)) and negation-symmetric (also f(0,0) = f(1,1):
// inverting both inputs changes nothing). The function codes of the encoding are the
// library indices in CodeBits() bits.
#pragma once

#include "logic/PLA.h"
#include "logic/SoPLA.h"

#include <cstdint>
#include <string>
#include <vector>

class TwoLevelMinimizer;

class Library {
public:
    Library() = default;
    // functions: hexadecimal digits (either case); costs: one digit 1-9 or A-F per function,
    // empty for a cost of 1 each. The covers come from the minimizer (the built-in one
    // works in memory; an external one through its exchange files). RuntimeException
    // naming the option for a digit that is no function, a constant or trivial function,
    // or costs of another length or with a zero or a non-digit.
    Library(const std::string& functions, const std::string& costs,
            const TwoLevelMinimizer& minimizer);
    // The same with the built-in minimizer.
    Library(const std::string& functions, const std::string& costs = "");

    // The cost digits, checked: one value per function. RuntimeException as above.
    static std::vector<uint32_t> ParseCosts(const std::string& costs, size_t functions);

    uint32_t size() const { return static_cast<uint32_t>(functions_.size()); }
    bool empty() const { return functions_.empty(); }
    // The digits as given, upper case.
    const std::string& Text() const { return text_; }
    char Digit(uint32_t t) const { return text_.at(t); }
    // Bits of a function code: the least b with 2^b >= size().
    uint32_t CodeBits() const { return codeBits_; }

    // On-set and off-set covers in one "fr" PLA.
    const PLA& Function(uint32_t t) const { return functions_.at(t); }
    const std::vector<PLA>& Functions() const { return functions_; }
    // The minimised on-set cover.
    const SoPLA& Cover(uint32_t t) const { return covers_.at(t); }
    // f(a, b) at bit 2a + b, a on port 0.
    uint32_t Table(uint32_t t) const { return tables_.at(t); }
    const std::vector<uint32_t>& Tables() const { return tables_; }
    // "and", "xor", "or", ... ("" when the function has no gate name).
    const std::string& GateName(uint32_t t) const { return names_.at(t); }

    uint32_t Cost(uint32_t t) const { return costs_.at(t); }
    const std::vector<uint32_t>& Costs() const { return costs_; }
    uint32_t MinCost() const { return minCost_; }
    uint32_t MaxCost() const { return maxCost_; }
    bool CostsDiffer() const { return minCost_ != maxCost_; }
    // The cost digits, upper case.
    std::string CostText() const;

    bool Symmetric(uint32_t t) const { return symmetric_.at(t); }
    bool NegSymmetric(uint32_t t) const { return negSymmetric_.at(t); }
    const std::vector<bool>& NegSymmetries() const { return negSymmetric_; }
    bool AllSymmetric() const { return allSymmetric_; }

private:
    std::string text_;
    uint32_t codeBits_ = 0;
    std::vector<PLA> functions_;
    std::vector<SoPLA> covers_;
    std::vector<uint32_t> tables_;
    std::vector<std::string> names_;
    std::vector<uint32_t> costs_;
    uint32_t minCost_ = 1;
    uint32_t maxCost_ = 1;
    std::vector<bool> symmetric_;
    std::vector<bool> negSymmetric_;
    bool allSymmetric_ = true;
};
