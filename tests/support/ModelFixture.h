// Hand-made solver models for the engine tests: an engine configured with a target and a
// node library, a model holder over the engine's instance variables with chosen values, the
// clauses an engine operation adds, and an independent evaluation of the circuit a model
// describes.
#pragma once

#include "logic/PLA.h"
#include "logic/SoPLA.h"
#include "synth/SAT_CircGen.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

// Value of library digit d at inputs a (port 0) and b (port 1).
inline int libraryValue(char digit, int a, int b) {
    const int v = digit <= '9' ? digit - '0' : digit - 'A' + 10;
    return (v >> (2 * a + b)) & 1;
}

// A target of k inputs x0.. (plus the control input "P" with polymorphic edges) and one
// output y<o> per entry of tables; bit r of tables[o] is output o at row r, the first
// input being the most significant bit of r.
inline std::unique_ptr<PLA> makeTarget(uint32_t k, const std::vector<uint64_t>& tables, bool poly) {
    const uint32_t w = k + (poly ? 1 : 0);
    auto pla = std::make_unique<PLA>(w, static_cast<uint32_t>(tables.size()), PLA_type("f"));
    for (uint32_t r = 0; r < (1u << w); ++r) {
        std::string in, out;
        for (uint32_t q = 0; q < w; ++q)
            in += ((r >> (w - 1 - q)) & 1u) ? '1' : '0';
        for (uint64_t t : tables)
            out += ((t >> r) & 1u) ? '1' : '0';
        pla->AppendTerm(in, out);
    }
    for (uint32_t q = 0; q < k; ++q)
        pla->setIName(q, "x" + std::to_string(q));
    if (poly) pla->setIName(k, "P");
    for (uint32_t o = 0; o < tables.size(); ++o)
        pla->setOName(o, "y" + std::to_string(o));
    return pla;
}

// Installs a node library without running a minimizer: for each digit a type-fr PLA of its
// on- and off-minterms (a on port 0, b on port 1), with its symmetry flags.
inline void installLibrary(SAT_CircGen& e, const std::string& digits) {
    e.nodeFunctions.clear();
    e.symmetric.clear();
    e.negSymmetric.clear();
    e.allSymmetric = true;
    e.functionCount = static_cast<uint32_t>(digits.size());
    e.codeBits = 0;
    while ((1u << e.codeBits) < e.functionCount)
        ++e.codeBits;
    for (char d : digits) {
        PLA f(2, 1, PLA_type("fr"));
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
                f.AppendTerm(std::string{char('0' + a), char('0' + b)},
                             libraryValue(d, a, b) ? "1" : "0");
        const bool sym = libraryValue(d, 0, 1) == libraryValue(d, 1, 0);
        e.nodeFunctions.push_back(f);
        e.symmetric.push_back(sym);
        e.negSymmetric.push_back(sym && libraryValue(d, 0, 0) == libraryValue(d, 1, 1));
        if (!sym) e.allSymmetric = false;
    }
}

// A model over the variables of a clause set: the named variables true (or don't care),
// every other variable false.
inline std::shared_ptr<SoPLA> modelOver(const SoPLA& clauses,
                                        const std::vector<std::string>& trueVars,
                                        const std::vector<std::string>& dcVars = {}) {
    auto model = std::make_shared<SoPLA>(&clauses);
    Cube values;
    values.init_sparse(clauses.getInputs());
    for (uint32_t j = 0; j < clauses.getInputs(); ++j)
        values.setLit(j, Lit_0);
    auto term = model->AppendTerm(values);
    for (const auto& name : trueVars)
        model->setLitByName(term, name, Lit_1);
    for (const auto& name : dcVars)
        model->setLitByName(term, name, Lit_dc);
    return model;
}

// A clause as its literals by variable name.
using NamedClause = std::map<std::string, Literal>;

// True when the clause holds a literal that the assignment (the named variables true,
// all others false) makes true.
inline bool satisfiedBy(const NamedClause& clause, const std::set<std::string>& trueVars) {
    for (const auto& [name, lit] : clause)
        if ((lit == Lit_1) == (trueVars.count(name) > 0)) return true;
    return false;
}

// An engine over makeTarget(k, tables) with a hand-installed library (and gate costs when
// given), and its instance for n nodes.
struct HandInstance {
    HandInstance(uint32_t k, const std::vector<uint64_t>& tables, const std::string& library,
                 uint32_t n, bool allowConst, const std::string& costs = "") {
        target = makeTarget(k, tables, false);
        e.set_PLA(target.get());
        e.set_const(allowConst);
        e.set_inv(true);
        e.set_difftopology(false);
        installLibrary(e, library);
        if (!costs.empty()) e.set_GateCosts(costs);
        e.n = n;
        e.Generate_SAT();
    }
    // Makes the model of the named true variables the engine's current model.
    void setModel(const std::set<std::string>& trueVars) {
        e.SAT_res = modelOver(e.clauses, {trueVars.begin(), trueVars.end()});
    }
    // The clauses that action appends to the instance.
    std::vector<NamedClause> added(const std::function<void()>& action) {
        const size_t before = e.clauses.getTermCount();
        action();
        std::vector<NamedClause> out;
        size_t x = 0;
        for (const Cube& c : e.clauses) {
            if (x++ < before) continue;
            NamedClause lits;
            for (const auto& [pos, lit] : c.specified())
                lits[e.clauses.getIName(pos)] = lit;
            out.push_back(lits);
        }
        return out;
    }

    std::unique_ptr<PLA> target;
    SAT_CircGen e;
};

// An engine over a target with a node library, and a model over its instance for n nodes.
class HandModel {
public:
    HandModel(uint32_t k, const std::vector<uint64_t>& tables, const std::string& library,
              uint32_t n, bool allowConst, bool poly)
        : library_(library) {
        target_ = makeTarget(k, tables, poly);
        engine.set_polyedges(poly);
        engine.set_PLA(target_.get());
        engine.set_inv(true);
        engine.set_const(allowConst);
        {
            TempDir dir; // the library derivation exchanges files in the current directory
            ScopedCwd cwd(dir.path());
            engine.DeriveFunctions(library);
        }
        engine.set_GateCosts(std::string(library.size(), '1'));
        engine.set_difftopology(false);
        engine.n = n;
        engine.Generate_SAT();
    }

    // Marks a variable true; every variable not marked is false.
    HandModel& set(const std::string& name) {
        trueVars_.push_back(name);
        return *this;
    }
    // Leaves a variable undecided (don't care) in the model.
    HandModel& dc(const std::string& name) {
        dcVars_.push_back(name);
        return *this;
    }
    // Port b of node i reads signal s.
    HandModel& conn(uint32_t s, uint32_t i, uint32_t b) {
        return set("C" + std::to_string(s) + "_" + std::to_string(i) + "_" + std::to_string(b));
    }
    // Output o is taken from signal s.
    HandModel& out(uint32_t o, uint32_t s) {
        return set("O" + std::to_string(o) + "_" + std::to_string(s));
    }
    // Node i uses library function t.
    HandModel& func(uint32_t i, uint32_t t) {
        for (uint32_t f = 0; f < engine.codeBits; ++f)
            if ((t >> (engine.codeBits - 1 - f)) & 1u)
                set("F" + std::to_string(i) + "_" + std::to_string(f));
        functions_[i] = t;
        return *this;
    }

    // The model holder: the instance's variables with one term of the chosen values.
    const SoPLA* model() {
        model_ = modelOver(engine.clauses, trueVars_, dcVars_);
        return model_.get();
    }

    bool value(const std::string& name) const {
        return model_->getLitByName(model_->begin(), name) == Lit_1;
    }

    // Evaluates the circuit the model describes at row r, straight from the meaning of the
    // variables (checking that all sources of a port agree); one value per output.
    std::vector<int> simulate(uint32_t r) const {
        const uint32_t k = engine.k, n = engine.n, m = engine.m;
        const uint32_t w = k + (engine.polyEdges ? 1 : 0);
        const int p = engine.polyEdges ? static_cast<int>(r & 1u) : 0;
        std::vector<int> y(k + n + 1, 0);
        for (uint32_t q = 1; q <= k; ++q)
            y[q] = (r >> (w - q)) & 1u;
        auto s_ = [](uint32_t v) { return std::to_string(v); };
        for (uint32_t i = k + 1; i <= k + n; ++i) {
            int xn[2];
            for (uint32_t b = 0; b < 2; ++b) {
                int x = -1;
                for (uint32_t s = engine.allowConst ? 0 : 1; s < i; ++s) {
                    if (!value("C" + s_(s) + "_" + s_(i) + "_" + s_(b))) continue;
                    if (x >= 0 && x != y[s])
                        throw std::runtime_error("hand model: sources of a port disagree");
                    x = y[s];
                }
                if (x < 0) throw std::runtime_error("hand model: port without source");
                const int xp = x ^ (value("P" + s_(i) + "_" + s_(b)) ? p : 0);
                xn[b] = xp ^ (value("N" + s_(i) + "_" + s_(b)) ? 1 : 0);
            }
            const auto f = functions_.find(i);
            const uint32_t t = f == functions_.end() ? 0 : f->second;
            y[i] = libraryValue(library_[t], xn[0], xn[1]);
        }
        std::vector<int> result;
        for (uint32_t o = 0; o < m; ++o) {
            int v = -1;
            for (uint32_t s = 0; s <= k + n; ++s)
                if (value("O" + s_(o) + "_" + s_(s))) {
                    if (v >= 0) throw std::runtime_error("hand model: output with two drivers");
                    v = y[s];
                }
            if (v < 0) throw std::runtime_error("hand model: output without driver");
            v ^= value("ON" + s_(o)) ? 1 : 0;
            v ^= value("OP" + s_(o)) ? p : 0;
            result.push_back(v);
        }
        return result;
    }

    uint32_t rows() const { return 1u << (engine.k + (engine.polyEdges ? 1 : 0)); }
    const PLA& target() const { return *target_; }

    SAT_CircGen engine;

private:
    std::string library_;
    std::unique_ptr<PLA> target_;
    std::vector<std::string> trueVars_;
    std::vector<std::string> dcVars_;
    std::map<uint32_t, uint32_t> functions_;
    std::shared_ptr<SoPLA> model_;
};

} // namespace testsupport
