// Hand-made solver models for the engine tests: an engine configured with a target and a
// node library (the built-in minimizer: no exchange files) and its instance for n nodes,
// models of chosen variable values over that instance, and the clauses an engine operation
// adds, by variable name.
#pragma once

#include "logic/PLA.h"
#include "logic/SoPLA.h"
#include "synth/SAT_CircGen.h"
#include "tests/support/EngineAccess.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

// The options of a hand-built instance; without flags: no constants at ports, inversions,
// no polymorphic edges, every circuit counted in an enumeration.
enum HandFlag { kConst = 1, kPoly = 2, kNoInv = 4, kDiffTopology = 8 };

// A clause as its literals by variable name.
using NamedClause = std::map<std::string, Literal>;

// True when the clause holds a literal that the assignment (the named variables true,
// all others false) makes true.
inline bool satisfiedBy(const NamedClause& clause, const std::set<std::string>& trueVars) {
    for (const auto& lit : clause)
        if ((lit.second == Lit_1) == (trueVars.count(lit.first) > 0)) return true;
    return false;
}

// An engine with a library (and gate costs) over a target of k inputs x0.. (plus the
// control input "P" with polymorphic edges) and one output y<o> per entry of tables: bit r
// of tables[o] is output o at row r, the first input being the most significant bit of r;
// bit r of dontCares[o] makes that a don't care. It is configured in the front end's
// order, with its instance for n nodes; a model is built by naming the variables that are
// true.
struct Hand {
    Hand(uint32_t k, const std::vector<uint64_t>& tables, const std::string& library, uint32_t n,
         int flags = 0, const std::string& costs = "", const std::vector<uint64_t>& dontCares = {})
        : w(k + ((flags & kPoly) ? 1 : 0)), target(makeTarget(k, w, tables, dontCares)),
          e(problemOf(target, library, costs, flags)) {
        e.set_n(n);
        e.Generate_SAT();
    }

    static std::shared_ptr<PLA> makeTarget(uint32_t k, uint32_t w,
                                           const std::vector<uint64_t>& tables,
                                           const std::vector<uint64_t>& dontCares) {
        auto target =
            std::make_shared<PLA>(w, static_cast<uint32_t>(tables.size()), PLA_type("fd"));
        for (uint32_t r = 0; r < (1u << w); ++r) {
            std::string in, out;
            for (uint32_t q = 0; q < w; ++q)
                in += ((r >> (w - 1 - q)) & 1u) ? '1' : '0';
            for (size_t o = 0; o < tables.size(); ++o)
                out += o < dontCares.size() && ((dontCares[o] >> r) & 1u) ? '-'
                       : ((tables[o] >> r) & 1u)                          ? '1'
                                                                          : '0';
            target->AppendTerm(in, out);
        }
        for (uint32_t q = 0; q < w; ++q)
            target->setIName(q, q < k ? "x" + std::to_string(q) : "P");
        for (uint32_t o = 0; o < tables.size(); ++o)
            target->setOName(o, "y" + std::to_string(o));
        return target;
    }
    static Problem problemOf(std::shared_ptr<const PLA> target, const std::string& library,
                             const std::string& costs, int flags) {
        Problem p;
        p.target = std::move(target);
        p.library = Library(library, costs); // the built-in minimizer
        p.polyEdges = flags & kPoly;
        p.inversions = !(flags & kNoInv);
        p.constants = flags & kConst;
        p.diffTopology = flags & kDiffTopology;
        return p;
    }

    // Marks a variable true (every variable not marked is false), or leaves it undecided.
    Hand& set(const std::string& name, bool undecided = false) {
        (undecided ? dcVars : trueVars).push_back(name);
        return *this;
    }
    // Port b of node i reads signal s; output o is taken from signal s; node i has
    // library function t.
    Hand& conn(uint32_t s, uint32_t i, uint32_t b) {
        return set("C" + std::to_string(s) + "_" + std::to_string(i) + "_" + std::to_string(b));
    }
    Hand& out(uint32_t o, uint32_t s) {
        return set("O" + std::to_string(o) + "_" + std::to_string(s));
    }
    Hand& func(uint32_t i, uint32_t t) {
        const uint32_t bits = e.library().CodeBits();
        for (uint32_t f = 0; f < bits; ++f)
            if ((t >> (bits - 1 - f)) & 1u) set("F" + std::to_string(i) + "_" + std::to_string(f));
        return *this;
    }
    // The model of the variables named so far.
    const SoPLA* model() {
        model_ = std::make_shared<SoPLA>(&e.Clauses());
        Cube values;
        values.init_sparse(e.Clauses().getInputs());
        for (uint32_t j = 0; j < e.Clauses().getInputs(); ++j)
            values.setLit(j, Lit_0);
        const auto term = model_->AppendTerm(values);
        for (const auto& name : trueVars)
            model_->setLitByName(term, name, Lit_1);
        for (const auto& name : dcVars)
            model_->setLitByName(term, name, Lit_dc);
        return model_.get();
    }
    // Makes the model of the named true variables the engine's current solution.
    void setModel(const std::set<std::string>& vars) {
        trueVars.assign(vars.begin(), vars.end());
        model();
        e.AdoptSolution(model_);
    }
    // The clauses that action appends to the instance.
    std::vector<NamedClause> added(const std::function<void()>& action) {
        const size_t before = e.Clauses().getTermCount();
        action();
        std::vector<NamedClause> out;
        size_t x = 0;
        for (const Cube& c : e.Clauses()) {
            if (x++ < before) continue;
            NamedClause lits;
            for (const auto& [pos, lit] : c.specified())
                lits[e.Clauses().getIName(pos)] = lit;
            out.push_back(lits);
        }
        return out;
    }
    uint32_t rows() const { return 1u << w; }

    const uint32_t w; // the target's inputs
    std::shared_ptr<PLA> target;
    SAT_CircGen e;
    std::vector<std::string> trueVars, dcVars;

private:
    std::shared_ptr<SoPLA> model_;
};

// The problem of the two-input AND over a library: for the engine tests that plant their
// own clause sets.
inline Problem smallProblem(const std::string& library = "8", const std::string& costs = "") {
    return Hand::problemOf(Hand::makeTarget(2, 2, {8}, {}), library, costs, 0);
}

} // namespace testsupport
