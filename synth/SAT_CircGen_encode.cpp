// CNF encoding of an n-node circuit over the truth table of the target (Generate_SAT).
//
// Signals: 0 is the constant 0, 1..k the primary inputs, k+1..k+n the nodes. Structural
// variables choose each node's sources, function code, input inversions and polymorphic
// edges, and each output's driver, inversion and polymorphism; row variables carry the
// value of every signal and port at every truth-table row.
//
// The variables are created in their fixed order (which is their DIMACS numbering) and
// their positions are kept in tables, so that every literal is set by position; this gives
// the clause set that setting each literal by its variable's name would give.
#include "synth/SAT_CircGen.h"

#include "solver/CostCounter.h"
#include "solver/SearchSolver.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Appends clauses to a clause set, each a copy of an all-don't-care prototype, and sets
// their literals by variable position.
class ClauseWriter {
public:
    ClauseWriter(SoPLA& cnf, uint32_t width) : cnf_(cnf) { proto_.init_sparse(width); }
    ClauseWriter& add() {
        cur_ = cnf_.AppendTerm(proto_);
        return *this;
    }
    ClauseWriter& pos(uint32_t v) {
        cur_->setLit(v, Lit_1);
        return *this;
    }
    ClauseWriter& neg(uint32_t v) {
        cur_->setLit(v, Lit_0);
        return *this;
    }
    ClauseWriter& lit(uint32_t v, bool positive) { return positive ? pos(v) : neg(v); }

private:
    SoPLA& cnf_;
    Cube proto_;
    SoPLA::iterator cur_;
};

std::string num(uint32_t v) {
    return std::to_string(v);
}

} // namespace

void SAT_CircGen::Generate_SAT() {
    if (target == nullptr) throw RuntimeException("SAT_CircGen::Generate_SAT: no target function");
    const uint32_t width = polyEdges ? k + 1 : k; // characters of a row string
    if (width >= 32)
        throw RuntimeException("SAT_CircGen::Generate_SAT: too many inputs for a truth table");
    const uint32_t rows = 1u << width;
    const uint32_t nf = functionCount;
    const uint32_t nb = codeBits;
    const uint32_t last = k + n;                 // highest signal number
    const uint32_t first = allowConst ? 0u : 1u; // lowest signal that may feed a node
    const auto node = [this](uint32_t i) { return i - k - 1; }; // 0-based node index

    clauses.clear();
    if (solver) solver->Reset();
    extras = SolverExtras();
    clauses.setCNF(true);
    clauses.setSparse();
    const auto var = [this](const std::string& name) {
        const uint32_t p = clauses.getInputs();
        clauses.AppendInput(name);
        return p;
    };

    // --- structural variables ---
    std::vector<uint32_t> O(static_cast<size_t>(m) * (last + 1));
    for (uint32_t o = 0; o < m; ++o)
        for (uint32_t s = 0; s <= last; ++s)
            O[static_cast<size_t>(o) * (last + 1) + s] = var("O" + num(o) + "_" + num(s));
    const auto Ov = [&O, last](uint32_t o, uint32_t s) {
        return O[static_cast<size_t>(o) * (last + 1) + s];
    };
    std::vector<uint32_t> N(2 * static_cast<size_t>(n)), P(2 * static_cast<size_t>(n));
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            N[2 * node(i) + b] = var("N" + num(i) + "_" + num(b));
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            P[2 * node(i) + b] = var("P" + num(i) + "_" + num(b));
    // C<j>_<i>_<b> for j < last and i >= max(k+1, j): a node also "feeds itself".
    std::vector<uint32_t> C(static_cast<size_t>(last) * n * 2, kNone);
    const auto Cidx = [this, node](uint32_t j, uint32_t i, uint32_t b) {
        return (static_cast<size_t>(j) * n + node(i)) * 2 + b;
    };
    for (uint32_t j = first; j < last; ++j)
        for (uint32_t i = std::max(k + 1, j); i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                C[Cidx(j, i, b)] = var("C" + num(j) + "_" + num(i) + "_" + num(b));
    const auto Cv = [&C, &Cidx](uint32_t j, uint32_t i, uint32_t b) { return C[Cidx(j, i, b)]; };
    std::vector<uint32_t> F(static_cast<size_t>(n) * nb);
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t f = 0; f < nb; ++f)
            F[static_cast<size_t>(node(i)) * nb + f] = var("F" + num(i) + "_" + num(f));
    std::vector<uint32_t> OP(m), ON(m);
    for (uint32_t o = 0; o < m; ++o) {
        OP[o] = var("OP" + num(o));
        ON[o] = var("ON" + num(o));
    }

    // --- row variables, row after row, each row in the same family order ---
    const uint32_t rowBase = clauses.getInputs();
    const uint32_t offX = last + 1;
    const uint32_t offXN = offX + 2 * n;
    const uint32_t offON = offXN + 2 * n;
    const uint32_t offOV = offON + m;
    const uint32_t offXP = offOV + m;
    const uint32_t offONP = offXP + 2 * n;
    const uint32_t offP = offONP + m;
    const uint32_t rowSize = offP + 1;
    for (uint32_t r = 0; r < rows; ++r) {
        StopRequest::ThrowIfPending();
        const std::string row = "_#" + num(r);
        for (uint32_t s = 0; s <= last; ++s)
            var("Y" + num(s) + row);
        for (uint32_t i = k + 1; i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                var("X" + num(i) + "_" + num(b) + row);
        for (uint32_t i = k + 1; i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                var("XN" + num(i) + "_" + num(b) + row);
        for (uint32_t o = 0; o < m; ++o)
            var("ON" + num(o) + row);
        for (uint32_t o = 0; o < m; ++o)
            var("OV" + num(o) + row);
        for (uint32_t i = k + 1; i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                var("XP" + num(i) + "_" + num(b) + row);
        for (uint32_t o = 0; o < m; ++o)
            var("ONP" + num(o) + row);
        var("P" + row);
    }

    ClauseWriter cw(clauses, clauses.getInputs());

    // Function codes: code-exclusion literals for t at node i are false exactly when node i
    // carries function t.
    const uint32_t codes = nb >= 32 ? 0xFFFFFFFFu : (1u << nb);
    std::vector<std::string> code(std::max(codes, nf));
    for (uint32_t t = 0; t < code.size(); ++t)
        code[t] = int2bin(t, nb);
    const auto excludeCode = [&](uint32_t i, uint32_t t) {
        for (uint32_t f = 0; f < nb; ++f)
            cw.lit(F[static_cast<size_t>(node(i)) * nb + f], code[t][f] == '0');
    };

    // --- structural clauses ---
    // Every port has a source.
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t b = 0; b < 2; ++b) {
            cw.add();
            for (uint32_t j = first; j < i; ++j)
                cw.pos(Cv(j, i, b));
        }
    // Every node is used, by a later node or by an output.
    for (uint32_t i = k + 1; i <= last; ++i) {
        cw.add();
        for (uint32_t j = i + 1; j <= last; ++j)
            for (uint32_t b = 0; b < 2; ++b)
                cw.pos(Cv(i, j, b));
        for (uint32_t o = 0; o < m; ++o)
            cw.pos(Ov(o, i));
    }
    // Every output has exactly one driver.
    for (uint32_t o = 0; o < m; ++o) {
        cw.add();
        for (uint32_t s = 0; s <= last; ++s)
            cw.pos(Ov(o, s));
    }
    for (uint32_t o = 0; o < m; ++o)
        for (uint32_t s1 = 0; s1 < last; ++s1)
            for (uint32_t s2 = s1 + 1; s2 <= last; ++s2)
                cw.add().neg(Ov(o, s1)).neg(Ov(o, s2));
    // A port has at most one source (with a non-symmetric function in the library, two
    // sources of a port are held equal by the row clauses instead).
    if (allSymmetric)
        for (uint32_t i = k + 1; i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                for (uint32_t j1 = first; j1 < i; ++j1)
                    for (uint32_t j2 = j1 + 1; j2 < i; ++j2)
                        cw.add().neg(Cv(j1, i, b)).neg(Cv(j2, i, b));
    // Symmetric functions take the smaller source on port 0.
    const uint32_t symCount = allSymmetric ? 1u : nf;
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t t = 0; t < symCount && t < symmetric.size(); ++t) {
            if (!symmetric[t]) continue;
            for (uint32_t j1 = 1; j1 < i; ++j1)
                for (uint32_t j2 = first; j2 < j1; ++j2) {
                    cw.add();
                    if (!allSymmetric) excludeCode(i, t);
                    cw.neg(Cv(j1, i, 0)).neg(Cv(j2, i, 1));
                }
        }
    // Functions unchanged under complementing both inputs need no input inversion.
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t t = 0; t < nf && t < negSymmetric.size(); ++t) {
            if (!negSymmetric[t]) continue;
            for (uint32_t b = 0; b < 2; ++b) {
                cw.add();
                excludeCode(i, t);
                cw.neg(N[2 * node(i) + b]);
            }
        }
    // Edge kinds switched off: no port and no output uses them.
    const auto forbid = [&](const std::vector<uint32_t>& portVars,
                            const std::vector<uint32_t>& outputVars) {
        for (uint32_t i = k + 1; i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                cw.add().neg(portVars[2 * node(i) + b]);
        for (uint32_t o = 0; o < m; ++o)
            cw.add().neg(outputVars[o]);
    };
    if (!allowInv) forbid(N, ON);
    if (!polyEdges) forbid(P, OP);
    // Function codes beyond the library.
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t t = nf; t < codes; ++t) {
            cw.add();
            excludeCode(i, t);
        }

    // --- row clauses ---
    // The target's value at every input assignment, computed once.
    const std::vector<uint8_t> targetValues = target->SimulateAll();
    for (uint32_t r = 0; r < rows; ++r) {
        StopRequest::ThrowIfPending();
        const uint32_t base = rowBase + r * rowSize;
        const auto Y = [base](uint32_t s) { return base + s; };
        const auto X = [base, offX, node](uint32_t i, uint32_t b) {
            return base + offX + 2 * node(i) + b;
        };
        const auto XN = [base, offXN, node](uint32_t i, uint32_t b) {
            return base + offXN + 2 * node(i) + b;
        };
        const auto XP = [base, offXP, node](uint32_t i, uint32_t b) {
            return base + offXP + 2 * node(i) + b;
        };
        const auto ONr = [base, offON](uint32_t o) { return base + offON + o; };
        const auto OVr = [base, offOV](uint32_t o) { return base + offOV + o; };
        const auto ONPr = [base, offONP](uint32_t o) { return base + offONP + o; };
        const uint32_t Pr = base + offP;

        // Inversion stage: XN = XP xor N.
        for (uint32_t i = k + 1; i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b) {
                const uint32_t xn = XN(i, b), xp = XP(i, b), nv = N[2 * node(i) + b];
                cw.add().pos(xn).neg(xp).pos(nv);
                cw.add().pos(xn).pos(xp).neg(nv);
                cw.add().neg(xn).neg(xp).neg(nv);
                cw.add().neg(xn).pos(xp).pos(nv);
            }
        // Polymorphic stage: XP = X xor (P and control).
        for (uint32_t i = k + 1; i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b) {
                const uint32_t p = P[2 * node(i) + b], xp = XP(i, b), x = X(i, b);
                cw.add().neg(p).neg(xp).pos(x).pos(Pr);
                cw.add().neg(p).pos(xp).neg(x).pos(Pr);
                cw.add().neg(p).pos(xp).pos(x).neg(Pr);
                cw.add().neg(p).neg(xp).neg(x).neg(Pr);
                cw.add().pos(p).pos(x).neg(xp);
                cw.add().pos(p).neg(x).pos(xp);
            }
        // Connections: X of a port equals Y of its source.
        for (uint32_t j = first; j < last; ++j)
            for (uint32_t i = std::max(k + 1, j + 1); i <= last; ++i)
                for (uint32_t b = 0; b < 2; ++b) {
                    const uint32_t c = Cv(j, i, b);
                    cw.add().neg(c).pos(Y(j)).neg(X(i, b));
                    cw.add().neg(c).neg(Y(j)).pos(X(i, b));
                }
        // Output selection: OV equals Y of the driver.
        for (uint32_t o = 0; o < m; ++o)
            for (uint32_t s = 0; s <= last; ++s) {
                cw.add().neg(Ov(o, s)).neg(OVr(o)).pos(Y(s));
                cw.add().neg(Ov(o, s)).pos(OVr(o)).neg(Y(s));
            }
        // Output inversion: ON_# = OV xor ON.
        for (uint32_t o = 0; o < m; ++o) {
            cw.add().pos(ONr(o)).pos(OVr(o)).neg(ON[o]);
            cw.add().pos(ONr(o)).neg(OVr(o)).pos(ON[o]);
            cw.add().neg(ONr(o)).neg(OVr(o)).neg(ON[o]);
            cw.add().neg(ONr(o)).pos(OVr(o)).pos(ON[o]);
        }
        // Output polymorphism: ONP = ON_# xor (OP and control).
        for (uint32_t o = 0; o < m; ++o) {
            cw.add().neg(OP[o]).neg(ONPr(o)).pos(ONr(o)).pos(Pr);
            cw.add().neg(OP[o]).pos(ONPr(o)).neg(ONr(o)).pos(Pr);
            cw.add().neg(OP[o]).pos(ONPr(o)).pos(ONr(o)).neg(Pr);
            cw.add().neg(OP[o]).neg(ONPr(o)).neg(ONr(o)).neg(Pr);
            cw.add().pos(OP[o]).pos(ONPr(o)).neg(ONr(o));
            cw.add().pos(OP[o]).neg(ONPr(o)).pos(ONr(o));
        }
        // Node functions: one clause per on-set and off-set cube of each library function.
        for (uint32_t i = k + 1; i <= last; ++i)
            for (uint32_t t = 0; t < nf && t < nodeFunctions.size(); ++t)
                for (const Term& term : nodeFunctions[t].getTerms()) {
                    cw.add();
                    excludeCode(i, t);
                    cw.lit(Y(i), term.getOM2(0) == Lit_1);
                    for (uint32_t p = 0; p < 2; ++p) {
                        const Literal l = term.getLit2(p);
                        if (l == Lit_1)
                            cw.neg(XN(i, p));
                        else if (l == Lit_0)
                            cw.pos(XN(i, p));
                    }
                }
        // Primary inputs and the control input take the row's values.
        const std::string rowString = int2bin(r, width);
        for (uint32_t j = 1; j <= k; ++j)
            cw.add().lit(Y(j), rowString[j - 1] == '1');
        if (polyEdges) cw.add().lit(Pr, rowString.back() == '1');
        // The outputs equal the target wherever it cares.
        size_t minterm = 0; // row r's input assignment: input p is character p of the row
        for (uint32_t p = 0; p < width; ++p)
            if (rowString[p] == '1') minterm |= size_t(1) << p;
        for (uint32_t o = 0; o < m; ++o) {
            const uint8_t value = targetValues[minterm * m + o];
            if (value != Lit_dc) cw.add().lit(ONPr(o), value == Lit_1);
        }
        // The constant signal is 0.
        cw.add().neg(Y(0));
    }
}
