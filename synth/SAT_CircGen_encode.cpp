// CNF encoding of an n-node circuit over the truth table of the target (Generate_SAT).
//
// Signals: 0 is the constant 0, 1..k the primary inputs, k+1..k+n the nodes. Structural
// variables choose each node's sources, function code, input inversions and polymorphic
// edges, and each output's driver, inversion and polymorphism; row variables carry the
// value of every signal and port at every truth-table row.
//
// The instance is built in three steps: the variables (all of them, in their fixed order,
// named by the variable map), the structural clauses, and the clauses of each row. Every
// literal is set by the position the map gives; the clause order is the classic one, so
// inst.cnf is written as before.
#include "synth/SAT_CircGen.h"

#include "solver/CostCounter.h"
#include "solver/SearchSolver.h"
#include "util/Step.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

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

    // z = x xor c, as the four clauses (z -x c), (z x -c), (-z -x -c), (-z x c).
    void Xor(uint32_t z, uint32_t x, uint32_t c) {
        add().pos(z).neg(x).pos(c);
        add().pos(z).pos(x).neg(c);
        add().neg(z).neg(x).neg(c);
        add().neg(z).pos(x).pos(c);
    }
    // z = x xor (p and ctrl): four clauses under p, then two under not p. The classic
    // encoding writes those last two as (p x -z), (p -x z) for a port and in the other
    // order for an output; the order is kept, so that inst.cnf stays as it was.
    void GatedXor(uint32_t z, uint32_t x, uint32_t p, uint32_t ctrl, bool outputOrder) {
        add().neg(p).neg(z).pos(x).pos(ctrl);
        add().neg(p).pos(z).neg(x).pos(ctrl);
        add().neg(p).pos(z).pos(x).neg(ctrl);
        add().neg(p).neg(z).neg(x).neg(ctrl);
        if (outputOrder) {
            add().pos(p).pos(z).neg(x);
            add().pos(p).neg(z).pos(x);
        } else {
            add().pos(p).pos(x).neg(z);
            add().pos(p).neg(x).pos(z);
        }
    }

private:
    SoPLA& cnf_;
    Cube proto_;
    SoPLA::iterator cur_;
};

// Builds the classic instance of an engine into its clause set.
} // namespace

class SAT_CircGen::InstanceBuilder {
public:
    InstanceBuilder(SAT_CircGen& e, const VarMap& vm)
        : e_(e), vm_(vm), k_(e.k), m_(e.m), last_(e.k + e.n), first_(vm.firstSource()),
          nb_(e.library().CodeBits()),
          codes_(e.library().CodeBits() >= 32 ? 0xFFFFFFFFu : (1u << e.library().CodeBits())),
          cw_(e.clauses, vm.count()), targetValues_(e.target->SimulateAll()) {
        code_.resize(std::max(codes_, e.library().size()));
        for (uint32_t t = 0; t < code_.size(); ++t)
            code_[t] = int2bin(t, nb_);
    }

    void Structure();
    void Row(uint32_t r);

private:
    // The code-exclusion literals for t at node i: false exactly when node i carries t.
    void ExcludeCode(uint32_t i, uint32_t t) {
        for (uint32_t f = 0; f < nb_; ++f)
            cw_.lit(vm_.F(i, f), code_[t][f] == '0');
    }

    SAT_CircGen& e_;
    const VarMap& vm_;
    const uint32_t k_, m_, last_, first_, nb_, codes_;
    ClauseWriter cw_;
    std::vector<std::string> code_;
    // The target's value at every input assignment (input p is bit p), computed once.
    const std::vector<uint8_t> targetValues_;
};

void SAT_CircGen::InstanceBuilder::Structure() {
    // Every port has a source.
    for (uint32_t i = k_ + 1; i <= last_; ++i)
        for (uint32_t b = 0; b < 2; ++b) {
            cw_.add();
            for (uint32_t j = first_; j < i; ++j)
                cw_.pos(vm_.C(j, i, b));
        }
    // Every node is used, by a later node or by an output.
    for (uint32_t i = k_ + 1; i <= last_; ++i) {
        cw_.add();
        for (uint32_t j = i + 1; j <= last_; ++j)
            for (uint32_t b = 0; b < 2; ++b)
                cw_.pos(vm_.C(i, j, b));
        for (uint32_t o = 0; o < m_; ++o)
            cw_.pos(vm_.O(o, i));
    }
    // Every output has exactly one driver.
    for (uint32_t o = 0; o < m_; ++o) {
        cw_.add();
        for (uint32_t s = 0; s <= last_; ++s)
            cw_.pos(vm_.O(o, s));
    }
    for (uint32_t o = 0; o < m_; ++o)
        for (uint32_t s1 = 0; s1 < last_; ++s1)
            for (uint32_t s2 = s1 + 1; s2 <= last_; ++s2)
                cw_.add().neg(vm_.O(o, s1)).neg(vm_.O(o, s2));
    // A port has at most one source (with a non-symmetric function in the library, two
    // sources of a port are held equal by the row clauses instead).
    if (e_.library().AllSymmetric())
        for (uint32_t i = k_ + 1; i <= last_; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                for (uint32_t j1 = first_; j1 < i; ++j1)
                    for (uint32_t j2 = j1 + 1; j2 < i; ++j2)
                        cw_.add().neg(vm_.C(j1, i, b)).neg(vm_.C(j2, i, b));
    // Symmetric functions take the smaller source on port 0.
    const uint32_t symCount = e_.library().AllSymmetric() ? 1u : e_.library().size();
    for (uint32_t i = k_ + 1; i <= last_; ++i)
        for (uint32_t t = 0; t < symCount; ++t) {
            if (!e_.library().Symmetric(t)) continue;
            for (uint32_t j1 = 1; j1 < i; ++j1)
                for (uint32_t j2 = first_; j2 < j1; ++j2) {
                    cw_.add();
                    if (!e_.library().AllSymmetric()) ExcludeCode(i, t);
                    cw_.neg(vm_.C(j1, i, 0)).neg(vm_.C(j2, i, 1));
                }
        }
    // Functions unchanged under complementing both inputs need no input inversion.
    for (uint32_t i = k_ + 1; i <= last_; ++i)
        for (uint32_t t = 0; t < e_.library().size(); ++t) {
            if (!e_.library().NegSymmetric(t)) continue;
            for (uint32_t b = 0; b < 2; ++b) {
                cw_.add();
                ExcludeCode(i, t);
                cw_.neg(vm_.N(i, b));
            }
        }
    // Edge kinds switched off: no port and no output uses them.
    if (!e_.allowInv) {
        for (uint32_t i = k_ + 1; i <= last_; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                cw_.add().neg(vm_.N(i, b));
        for (uint32_t o = 0; o < m_; ++o)
            cw_.add().neg(vm_.ON(o));
    }
    if (!e_.polyEdges) {
        for (uint32_t i = k_ + 1; i <= last_; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                cw_.add().neg(vm_.P(i, b));
        for (uint32_t o = 0; o < m_; ++o)
            cw_.add().neg(vm_.OP(o));
    }
    // Function codes beyond the library.
    for (uint32_t i = k_ + 1; i <= last_; ++i)
        for (uint32_t t = e_.library().size(); t < codes_; ++t) {
            cw_.add();
            ExcludeCode(i, t);
        }
}

void SAT_CircGen::InstanceBuilder::Row(uint32_t r) {
    const uint32_t ctrl = vm_.Pr(r);
    // Port values: XN = XP xor N, XP = X xor (P and control).
    for (uint32_t i = k_ + 1; i <= last_; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            cw_.Xor(vm_.XN(r, i, b), vm_.XP(r, i, b), vm_.N(i, b));
    for (uint32_t i = k_ + 1; i <= last_; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            cw_.GatedXor(vm_.XP(r, i, b), vm_.X(r, i, b), vm_.P(i, b), ctrl, false);
    // Connections: X of a port equals Y of its source.
    for (uint32_t j = first_; j < last_; ++j)
        for (uint32_t i = std::max(k_ + 1, j + 1); i <= last_; ++i)
            for (uint32_t b = 0; b < 2; ++b) {
                const uint32_t c = vm_.C(j, i, b);
                cw_.add().neg(c).pos(vm_.Y(r, j)).neg(vm_.X(r, i, b));
                cw_.add().neg(c).neg(vm_.Y(r, j)).pos(vm_.X(r, i, b));
            }
    // Output selection: OV equals Y of the driver.
    for (uint32_t o = 0; o < m_; ++o)
        for (uint32_t s = 0; s <= last_; ++s) {
            cw_.add().neg(vm_.O(o, s)).neg(vm_.OV(r, o)).pos(vm_.Y(r, s));
            cw_.add().neg(vm_.O(o, s)).pos(vm_.OV(r, o)).neg(vm_.Y(r, s));
        }
    // Output values: ON_# = OV xor ON, ONP = ON_# xor (OP and control).
    for (uint32_t o = 0; o < m_; ++o)
        cw_.Xor(vm_.ONr(r, o), vm_.ON(o), vm_.OV(r, o));
    for (uint32_t o = 0; o < m_; ++o)
        cw_.GatedXor(vm_.ONP(r, o), vm_.ONr(r, o), vm_.OP(o), ctrl, true);
    // Node functions: one clause per on-set and off-set cube of each library function.
    for (uint32_t i = k_ + 1; i <= last_; ++i)
        for (uint32_t t = 0; t < e_.library().size(); ++t)
            for (const Term& term : e_.library().Function(t).getTerms()) {
                cw_.add();
                ExcludeCode(i, t);
                cw_.lit(vm_.Y(r, i), term.getOM2(0) == Lit_1);
                for (uint32_t p = 0; p < 2; ++p) {
                    const Literal l = term.getLit2(p);
                    if (l == Lit_1)
                        cw_.neg(vm_.XN(r, i, p));
                    else if (l == Lit_0)
                        cw_.pos(vm_.XN(r, i, p));
                }
            }
    // Primary inputs and the control input take the row's values.
    const std::string rowString = int2bin(r, e_.polyEdges ? k_ + 1 : k_);
    for (uint32_t j = 1; j <= k_; ++j)
        cw_.add().lit(vm_.Y(r, j), rowString[j - 1] == '1');
    if (e_.polyEdges) cw_.add().lit(ctrl, rowString.back() == '1');
    // The outputs equal the target wherever it cares.
    size_t minterm = 0; // row r's input assignment: input p is character p of the row
    for (size_t p = 0; p < rowString.size(); ++p)
        if (rowString[p] == '1') minterm |= size_t(1) << p;
    for (uint32_t o = 0; o < m_; ++o) {
        const uint8_t value = targetValues_[minterm * m_ + o];
        if (value != Lit_dc) cw_.add().lit(vm_.ONP(r, o), value == Lit_1);
    }
    // The constant signal is 0.
    cw_.add().neg(vm_.Y(r, 0));
}

// --- the size of an instance, before it is built ---

namespace {

// Memory of one clause of the clause set (list node, cube, sparse literals) and of its copy
// in the embedded solver (clause, watches), measured on instances of this encoding (-k 8
// to 10, n 10 to 12: within 10 % below the peak resident size), so that a refusal is never
// wrong.
constexpr double kBytesPerClause = 140.0;
constexpr double kBytesPerLiteral = 4.0;
constexpr double kBytesPerSolverClause = 130.0;
constexpr double kBytesPerSolverLiteral = 8.0;
constexpr double kBytesPerVariable = 48.0;

struct InstanceSize {
    double clauses = 0;
    double literals = 0;
    double bytes = 0;
};

InstanceSize sizeOf(const Library& library, const VarMap& vm, bool embedded) {
    const double n = vm.n(), m = vm.m(), k = vm.k(), last = vm.k() + vm.n(),
                 nb = library.CodeBits();
    double terms = 0; // clauses of the node functions per node and row
    for (const PLA& f : library.Functions())
        terms += static_cast<double>(f.getTermCount());
    const double pairs = static_cast<double>(vm.connectionPairs());
    InstanceSize size;
    // Per row: port stages, connections, output selection and values, node functions,
    // inputs, target and constant.
    const double rowClauses =
        20 * n + 4 * pairs + 2 * m * (last + 1) + 10 * m + n * terms + k + m + 2;
    const double rowLiterals =
        68 * n + 12 * pairs + 6 * m * (last + 1) + 32 * m + n * terms * (nb + 3) + k + m + 2;
    // Structural clauses: sources, drivers, port order (at most quadratic in the signals).
    const double structural = 3 * n + m * (last + 1) * (last + 1) / 2 + 2 * n * last * last;
    size.clauses = rowClauses * vm.rows() + structural;
    size.literals = rowLiterals * vm.rows() + 3 * structural;
    size.bytes = size.clauses * kBytesPerClause + size.literals * kBytesPerLiteral +
                 static_cast<double>(vm.count()) * kBytesPerVariable;
    if (embedded)
        size.bytes += size.clauses * kBytesPerSolverClause + size.literals * kBytesPerSolverLiteral;
    return size;
}

// Bytes this process may still allocate: its address-space limit less what it maps now
// (freed heap memory counts as available), and at most the machine's memory and swap.
double availableBytes() {
    struct sysinfo info {};
    double machine = 1e300;
    if (sysinfo(&info) == 0)
        machine = (static_cast<double>(info.totalram) + static_cast<double>(info.totalswap)) *
                  info.mem_unit;
    struct rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return machine;
    double mapped = 0;
    std::ifstream statm("/proc/self/statm");
    if (statm >> mapped) mapped *= static_cast<double>(sysconf(_SC_PAGESIZE));
    const double freeHeap = static_cast<double>(mallinfo2().fordblks);
    return std::min(machine, static_cast<double>(limit.rlim_cur) - mapped + freeHeap);
}

} // namespace

VarMap SAT_CircGen::MapFor(uint32_t nodes) const {
    return VarMap(k, m, nodes, library().size(), library().CodeBits(), allowConst, polyEdges);
}

const VarMap& SAT_CircGen::Vars() const {
    if (!vars_) throw InternalError("SAT_CircGen: no instance has been built");
    const uint32_t width = clauses.getInputs();
    if (width != vars_->count() && width != vars_->countWithFH())
        throw InternalError("SAT_CircGen: the instance has " + int2string(width) +
                            " variables, its map " + int2string(vars_->count()));
    return *vars_;
}

void SAT_CircGen::Generate_SAT() {
    if (target == nullptr) throw InternalError("SAT_CircGen::Generate_SAT: no target function");
    vars_.reset();
    const VarMap vm = MapFor(n);

    // The previous instance goes first: its memory is what the new one will reuse.
    clauses.clear();
    if (solver) solver->Reset();
    extras = SolverExtras();
    const InstanceSize size = sizeOf(library(), vm, route == SolverRoute::Embedded);
    const std::string what = "building the instance for n = " + int2string(n) + ": " +
                             withCommas(vm.rows()) + " rows × " + int2string(n) + " nodes, about " +
                             withCommas(static_cast<uint64_t>(size.clauses)) + " clauses (" +
                             bytesText(size.bytes) + ")";
    const double available = availableBytes();
    if (size.bytes > available)
        throw ResourceError("out of memory " + what + "; only " + bytesText(available) +
                            " can be had. Give a smaller target or node count (-n), or more "
                            "memory.");
    const Step step(what);

    clauses.setCNF(true);
    clauses.setSparse();
    // The variables, all of them, in their fixed order: the names are the files'. A stop
    // request is honoured every few thousand variables and at every row.
    for (uint32_t pos = 0; pos < vm.count(); ++pos) {
        if ((pos & 0xFFF) == 0) StopRequest::ThrowIfPending();
        clauses.AppendInput(vm.Name(pos));
    }
    InstanceBuilder build(*this, vm);
    build.Structure();
    for (uint32_t r = 0; r < vm.rows(); ++r) {
        StopRequest::ThrowIfPending();
        build.Row(r);
    }
    vars_ = vm;
}

void SAT_CircGen::AdoptLoadedInstance() {
    vars_.reset();
    const VarMap vm = MapFor(n);
    const uint32_t width = clauses.getInputs();
    if (width != vm.count() && width != vm.countWithFH())
        throw RuntimeException("constr.cnf has " + int2string(width) +
                               " variables; the instance of this problem for n = " + int2string(n) +
                               " has " + int2string(vm.count()) + " (or " +
                               int2string(vm.countWithFH()) +
                               " with function-select variables): it belongs to another "
                               "problem.");
    for (uint32_t pos = 0; pos < width; ++pos)
        if (clauses.getIName(pos) != vm.Name(pos))
            throw RuntimeException("constr.cnf: variable " + int2string(pos + 1) +
                                   " of constr.cnf is " + clauses.getIName(pos) +
                                   ", where this problem's instance for n = " + int2string(n) +
                                   " has " + vm.Name(pos) + ": it belongs to another problem.");
    vars_ = vm;
}
