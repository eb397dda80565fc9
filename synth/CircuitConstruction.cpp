#include "synth/CircuitConstruction.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <utility>

namespace {

// A truth table over the target's k inputs: bit r of the table is row r. Tables of fewer
// than six inputs keep their unused high bits clear.
using Table = std::vector<uint64_t>;

// The bits of a word at which input v (v < 6) is 1.
constexpr uint64_t kVarMask[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull,
                                  0xF0F0F0F0F0F0F0F0ull, 0xFF00FF00FF00FF00ull,
                                  0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};

class Tables {
public:
    explicit Tables(uint32_t k)
        : k_(k), words_(k <= 6 ? 1 : size_t{1} << (k - 6)),
          last_(k >= 6 ? ~uint64_t{0} : (uint64_t{1} << (1u << k)) - 1) {}

    uint32_t inputs() const { return k_; }
    Table zero() const { return Table(words_, 0); }
    Table ones() const {
        Table t(words_, ~uint64_t{0});
        if (words_ == 1) t[0] = last_;
        return t;
    }
    Table input(uint32_t v) const {
        Table t(words_);
        for (size_t w = 0; w < words_; ++w)
            t[w] = v < 6 ? kVarMask[v] : ((w >> (v - 6)) & 1u ? ~uint64_t{0} : 0);
        if (words_ == 1) t[0] &= last_;
        return t;
    }
    Table negate(const Table& a) const {
        Table t(words_);
        for (size_t w = 0; w < words_; ++w)
            t[w] = ~a[w];
        if (words_ == 1) t[0] &= last_;
        return t;
    }
    static Table both(const Table& a, const Table& b) {
        Table t(a.size());
        for (size_t w = 0; w < a.size(); ++w)
            t[w] = a[w] & b[w];
        return t;
    }
    static Table either(const Table& a, const Table& b) {
        Table t(a.size());
        for (size_t w = 0; w < a.size(); ++w)
            t[w] = a[w] | b[w];
        return t;
    }
    static Table differ(const Table& a, const Table& b) {
        Table t(a.size());
        for (size_t w = 0; w < a.size(); ++w)
            t[w] = a[w] ^ b[w];
        return t;
    }
    static bool isZero(const Table& a) {
        return std::all_of(a.begin(), a.end(), [](uint64_t w) { return w == 0; });
    }
    // a and b agree wherever care is 1.
    static bool agree(const Table& a, const Table& b, const Table& care) {
        for (size_t w = 0; w < a.size(); ++w)
            if ((a[w] ^ b[w]) & care[w]) return false;
        return true;
    }
    // The cofactor of a at input v = value, as a table over all inputs (not depending on v).
    Table cofactor(const Table& a, uint32_t v, bool value) const {
        Table t(a);
        if (v < 6) {
            const uint32_t shift = 1u << v;
            for (uint64_t& w : t) {
                const uint64_t half = value ? (w & kVarMask[v]) >> shift : w & ~kVarMask[v];
                w = half | (half << shift);
            }
            if (words_ == 1) t[0] &= last_;
        } else {
            const size_t stride = size_t{1} << (v - 6);
            for (size_t w = 0; w < words_; ++w)
                if (!((w >> (v - 6)) & 1u)) {
                    const uint64_t x = value ? a[w + stride] : a[w];
                    t[w] = x;
                    t[w + stride] = x;
                }
        }
        return t;
    }
    bool dependsOn(const Table& a, uint32_t v) const {
        return cofactor(a, v, false) != cofactor(a, v, true);
    }

private:
    uint32_t k_;
    size_t words_;
    uint64_t last_;
};

// A cube of an irredundant cover: the inputs in mask, each at its bit of value.
struct Cube {
    uint32_t mask = 0;
    uint32_t value = 0;
};

// Minato-Morreale: an irredundant cover of some function between lower and upper
// (lower <= upper), of the inputs below `top`; its function is left in `function`.
std::vector<Cube> isop(const Tables& t, const Table& lower, const Table& upper, uint32_t top,
                       Table& function) {
    if (Tables::isZero(lower)) {
        function = t.zero();
        return {};
    }
    if (Tables::isZero(t.negate(upper))) {
        function = t.ones();
        return {Cube{}};
    }
    // The highest input below top that either bound depends on. There is one: bounds that
    // depend on none are constants, and a nonzero lower bound below a non-constant upper
    // bound cannot be constant.
    uint32_t v = top;
    while (v > 0 && !t.dependsOn(lower, v - 1) && !t.dependsOn(upper, v - 1))
        --v;
    if (v == 0) {
        function = t.ones();
        return {Cube{}};
    }
    --v;
    const Table l0 = t.cofactor(lower, v, false), l1 = t.cofactor(lower, v, true);
    const Table u0 = t.cofactor(upper, v, false), u1 = t.cofactor(upper, v, true);
    Table r0, r1, rs;
    std::vector<Cube> c0 = isop(t, Tables::both(l0, t.negate(u1)), u0, v, r0);
    std::vector<Cube> c1 = isop(t, Tables::both(l1, t.negate(u0)), u1, v, r1);
    const Table ls = Tables::either(Tables::both(l0, t.negate(r0)), Tables::both(l1, t.negate(r1)));
    std::vector<Cube> cs = isop(t, ls, Tables::both(u0, u1), v, rs);
    const Table x = t.input(v);
    function = Tables::either(
        Tables::either(Tables::both(t.negate(x), r0), Tables::both(x, r1)), rs);
    std::vector<Cube> cover;
    cover.reserve(c0.size() + c1.size() + cs.size());
    for (Cube c : c0) {
        c.mask |= 1u << v;
        cover.push_back(c);
    }
    for (Cube c : c1) {
        c.mask |= 1u << v;
        c.value |= 1u << v;
        cover.push_back(c);
    }
    cover.insert(cover.end(), cs.begin(), cs.end());
    return cover;
}

// An AND-inverter graph with exclusive-or nodes. A literal is twice a signal, plus one
// when complemented; signal 0 is the constant 0, signals 1..k the inputs.
class Graph {
public:
    struct Node {
        bool isXor = false;
        uint32_t a = 0, b = 0; // literals, a < b
    };

    explicit Graph(const Tables& t) : t_(&t) {
        tables_.push_back(t.zero());
        for (uint32_t v = 0; v < t.inputs(); ++v)
            tables_.push_back(t.input(v));
        nodes_.resize(tables_.size());
    }

    uint32_t signals() const { return static_cast<uint32_t>(tables_.size()); }
    uint32_t firstNode() const { return t_->inputs() + 1; }
    const Node& node(uint32_t signal) const { return nodes_[signal]; }
    Table tableOf(uint32_t lit) const {
        return lit & 1u ? t_->negate(tables_[lit >> 1]) : tables_[lit >> 1];
    }

    uint32_t And(uint32_t a, uint32_t b) {
        if (a > b) std::swap(a, b);
        if (a == 0) return 0;
        if (a == 1) return b;
        if (a == b) return a;
        if ((a ^ b) == 1) return 0;
        return add(false, a, b, Tables::both(tableOf(a), tableOf(b)));
    }
    uint32_t Or(uint32_t a, uint32_t b) { return And(a ^ 1u, b ^ 1u) ^ 1u; }
    uint32_t Xor(uint32_t a, uint32_t b) {
        const uint32_t c = (a ^ b) & 1u;
        a &= ~1u;
        b &= ~1u;
        if (a > b) std::swap(a, b);
        if (a == b) return c;
        if (a == 0) return b ^ c;
        return add(true, a, b, Tables::differ(tableOf(a), tableOf(b))) ^ c;
    }

    // A literal whose signal computes f on care (or its complement does), if any.
    std::optional<uint32_t> existing(const Table& f, const Table& care) const {
        const Table nf = t_->negate(f);
        for (uint32_t s = 0; s < tables_.size(); ++s) {
            if (Tables::agree(tables_[s], f, care)) return 2 * s;
            if (Tables::agree(tables_[s], nf, care)) return 2 * s + 1;
        }
        return std::nullopt;
    }

    // The nodes that the literals reach.
    std::vector<bool> live(const std::vector<uint32_t>& lits) const {
        std::vector<bool> used(tables_.size(), false);
        std::vector<uint32_t> stack;
        for (uint32_t l : lits)
            stack.push_back(l >> 1);
        while (!stack.empty()) {
            const uint32_t s = stack.back();
            stack.pop_back();
            if (s < firstNode() || used[s]) continue;
            used[s] = true;
            stack.push_back(nodes_[s].a >> 1);
            stack.push_back(nodes_[s].b >> 1);
        }
        return used;
    }
    uint32_t liveCount(const std::vector<uint32_t>& lits) const {
        const std::vector<bool> used = live(lits);
        return static_cast<uint32_t>(std::count(used.begin(), used.end(), true));
    }

private:
    uint32_t add(bool isXor, uint32_t a, uint32_t b, Table table) {
        const uint64_t key = (uint64_t{a} << 33) | (uint64_t{b} << 1) | (isXor ? 1u : 0u);
        const auto found = hash_.find(key);
        if (found != hash_.end()) return found->second;
        const uint32_t lit = 2 * signals();
        tables_.push_back(std::move(table));
        nodes_.push_back({isXor, a, b});
        hash_.emplace(key, lit);
        return lit;
    }

    const Tables* t_;
    std::vector<Table> tables_; // of every signal
    std::vector<Node> nodes_;   // of every signal (unused below firstNode())
    std::unordered_map<uint64_t, uint32_t> hash_;
};

// The constructions of one output into a graph.
class Builder {
public:
    Builder(const Tables& t, Graph& g, bool xorNodes, uint32_t budget, uint32_t lookahead)
        : t_(t), g_(g), xor_(xorNodes), budget_(budget), lookahead_(lookahead) {}

    bool exceeded() const { return g_.signals() > budget_; }

    // The factored irredundant cover of a function between lower and upper.
    uint32_t Cover(const Table& lower, const Table& upper) {
        Table f;
        const std::vector<Cube> cubes = isop(t_, lower, upper, t_.inputs(), f);
        return factor(cubes);
    }

    // The cofactor decomposition of f on care. Near the root (depth below lookahead_)
    // every input it depends on is tried, and the factored covers of f and of its
    // complement, each into a copy of the graph; the one that adds the fewest nodes is
    // kept. Deeper down the input whose cofactors have the fewest cubes is taken.
    uint32_t Cofactors(const Table& f, const Table& care, uint32_t depth = 0) {
        const Table on = Tables::both(f, care);
        if (Tables::isZero(on)) return 0;
        if (Tables::isZero(Tables::both(t_.negate(f), care))) return 1;
        if (const std::optional<uint32_t> lit = g_.existing(f, care)) return *lit;
        if (exceeded()) return 0;
        if (depth < lookahead_) {
            std::optional<Graph> bestGraph;
            uint32_t bestLit = 0;
            const auto consider = [&](const std::function<uint32_t(Builder&)>& build) {
                Graph copy = g_;
                Builder b(t_, copy, xor_, budget_, lookahead_);
                const uint32_t lit = build(b);
                if (b.exceeded()) return;
                if (!bestGraph || copy.signals() < bestGraph->signals()) {
                    bestGraph = std::move(copy);
                    bestLit = lit;
                }
            };
            const Table upper = Tables::either(f, t_.negate(care));
            consider([&](Builder& b) { return b.Cover(on, upper); });
            consider([&](Builder& b) {
                return b.Cover(Tables::both(t_.negate(f), care),
                               Tables::either(t_.negate(f), t_.negate(care))) ^
                       1u;
            });
            for (uint32_t v = 0; v < t_.inputs(); ++v) {
                const Table c0 = t_.cofactor(care, v, false), c1 = t_.cofactor(care, v, true);
                if (Tables::agree(t_.cofactor(f, v, false), t_.cofactor(f, v, true),
                                  Tables::both(c0, c1)))
                    continue;
                consider([&](Builder& b) { return b.split(f, care, v, depth + 1); });
            }
            if (bestGraph) {
                g_ = std::move(*bestGraph);
                return bestLit;
            }
        }
        // The inputs the function depends on where it is cared for, and the one whose
        // cofactors have the fewest cubes.
        uint32_t best = t_.inputs();
        size_t bestCubes = ~size_t{0};
        for (uint32_t v = 0; v < t_.inputs(); ++v) {
            const Table f0 = t_.cofactor(f, v, false), f1 = t_.cofactor(f, v, true);
            const Table c0 = t_.cofactor(care, v, false), c1 = t_.cofactor(care, v, true);
            // v is not needed when the cofactors agree where both are cared for.
            if (Tables::agree(f0, f1, Tables::both(c0, c1))) continue;
            Table r;
            const size_t cubes =
                isop(t_, Tables::both(f0, c0), Tables::either(f0, t_.negate(c0)), t_.inputs(), r)
                    .size() +
                isop(t_, Tables::both(f1, c1), Tables::either(f1, t_.negate(c1)), t_.inputs(), r)
                    .size();
            if (cubes < bestCubes) {
                bestCubes = cubes;
                best = v;
            }
        }
        if (best == t_.inputs()) {
            // f depends on no input where it is cared for: the cofactors merge into one
            // function of fewer inputs.
            return Cover(on, Tables::either(f, t_.negate(care)));
        }
        return split(f, care, best, depth + 1);
    }

    // f = x ? f1 : f0 on input v (one AND when a cofactor is constant), or, with
    // exclusive-or nodes, f = x XOR g when the cofactors are complements where both are
    // cared for (g = f0 where c0 and NOT f1 where c1).
    uint32_t split(const Table& f, const Table& care, uint32_t v, uint32_t depth) {
        const Table f0 = t_.cofactor(f, v, false), f1 = t_.cofactor(f, v, true);
        const Table c0 = t_.cofactor(care, v, false), c1 = t_.cofactor(care, v, true);
        const uint32_t x = 2 * (v + 1);
        if (xor_ && Tables::agree(f1, t_.negate(f0), Tables::both(c0, c1))) {
            const Table g =
                Tables::either(Tables::both(f0, c0), Tables::both(t_.negate(f1), c1));
            return g_.Xor(x, Cofactors(g, Tables::either(c0, c1), depth));
        }
        const uint32_t g0 = Cofactors(f0, c0, depth);
        const uint32_t g1 = Cofactors(f1, c1, depth);
        return g_.Or(g_.And(x, g1), g_.And(x ^ 1u, g0));
    }

private:
    // A cover, factored by its most frequent literal: F = l * (F / l) + R.
    uint32_t factor(const std::vector<Cube>& cubes) {
        if (cubes.empty()) return 0;
        for (const Cube& c : cubes)
            if (c.mask == 0) return 1;
        std::vector<uint32_t> count(2 * t_.inputs(), 0);
        for (const Cube& c : cubes)
            for (uint32_t v = 0; v < t_.inputs(); ++v)
                if ((c.mask >> v) & 1u) ++count[2 * v + ((c.value >> v) & 1u)];
        const auto most = std::max_element(count.begin(), count.end());
        if (*most <= 1) {
            std::vector<uint32_t> terms;
            for (const Cube& c : cubes)
                terms.push_back(product(c));
            return balanced(terms, false);
        }
        const auto l = static_cast<uint32_t>(most - count.begin());
        const uint32_t v = l / 2, value = l & 1u;
        std::vector<Cube> quotient, rest;
        for (Cube c : cubes) {
            if (((c.mask >> v) & 1u) && ((c.value >> v) & 1u) == value) {
                c.mask &= ~(1u << v);
                c.value &= ~(1u << v);
                quotient.push_back(c);
            } else {
                rest.push_back(c);
            }
        }
        const uint32_t literal = 2 * (v + 1) + (value ? 0u : 1u);
        const uint32_t q = g_.And(literal, factor(quotient));
        return rest.empty() ? q : g_.Or(q, factor(rest));
    }

    uint32_t product(const Cube& c) {
        std::vector<uint32_t> lits;
        for (uint32_t v = 0; v < t_.inputs(); ++v)
            if ((c.mask >> v) & 1u) lits.push_back(2 * (v + 1) + (((c.value >> v) & 1u) ? 0u : 1u));
        return balanced(lits, true);
    }

    // The AND (or the OR) of the literals as a balanced tree.
    uint32_t balanced(std::vector<uint32_t> lits, bool conjunction) {
        if (lits.empty()) return conjunction ? 1 : 0;
        while (lits.size() > 1) {
            std::vector<uint32_t> next;
            for (size_t i = 0; i + 1 < lits.size(); i += 2)
                next.push_back(conjunction ? g_.And(lits[i], lits[i + 1])
                                           : g_.Or(lits[i], lits[i + 1]));
            if (lits.size() % 2) next.push_back(lits.back());
            lits = std::move(next);
        }
        return lits[0];
    }

    const Tables& t_;
    Graph& g_;
    bool xor_;
    uint32_t budget_;
    uint32_t lookahead_;
};

// The 4-bit table of a node over its operand signals (a <= b), h(x_a, x_b) at bit 2a + b.
uint32_t nodeTable(bool isXor, bool ca, bool cb) {
    uint32_t table = 0;
    for (uint32_t xa = 0; xa < 2; ++xa)
        for (uint32_t xb = 0; xb < 2; ++xb) {
            const uint32_t va = xa ^ (ca ? 1u : 0u), vb = xb ^ (cb ? 1u : 0u);
            if (isXor ? (va ^ vb) : (va & vb)) table |= 1u << (2 * xa + xb);
        }
    return table;
}

// Resubstitution: a node whose function, on the rows where some output observes it (and
// cares), equals an existing signal that does not depend on it, or an AND (exclusive-or)
// of two such signals, is replaced by it; the nodes only it used go with it. One
// replacement per call, the first that removes nodes; false when there is none.
class Resubstitution {
public:
    // cares[o]: the rows output o cares for.
    Resubstitution(const Tables& t, bool xorNodes, std::vector<Table> cares)
        : t_(t), xor_(xorNodes), cares_(std::move(cares)) {}

    // Replacements while any removes nodes (small graphs only: each costs a simulation per
    // node).
    void Run(Graph& graph, std::vector<uint32_t>& outputs) const {
        for (uint32_t round = 0; round < kMaxRounds && graph.liveCount(outputs) <= kMaxNodes;
             ++round)
            if (!Once(graph, outputs)) break;
    }

    bool Once(Graph& graph, std::vector<uint32_t>& outputs) const {
        const uint32_t first = graph.firstNode();
        const uint32_t signals = graph.signals();
        const std::vector<bool> live = graph.live(outputs);
        std::vector<Table> value(signals);
        for (uint32_t s = 0; s < signals; ++s)
            value[s] = graph.tableOf(2 * s);
        // References of every signal by live nodes and outputs.
        std::vector<uint32_t> refs(signals, 0);
        for (uint32_t s = first; s < signals; ++s)
            if (live[s]) {
                ++refs[graph.node(s).a >> 1];
                ++refs[graph.node(s).b >> 1];
            }
        for (uint32_t lit : outputs)
            ++refs[lit >> 1];
        for (uint32_t s = signals; s-- > first;) {
            if (!live[s]) continue;
            // The nodes that depend on s, and the rows where an output observes s.
            std::vector<bool> above(signals, false);
            above[s] = true;
            std::vector<Table> flipped = value;
            flipped[s] = t_.negate(value[s]);
            for (uint32_t x = s + 1; x < signals; ++x) {
                if (!live[x]) continue;
                const Graph::Node& nd = graph.node(x);
                if (!above[nd.a >> 1] && !above[nd.b >> 1]) continue;
                above[x] = true;
                const Table a = literal(flipped, nd.a), b = literal(flipped, nd.b);
                flipped[x] = nd.isXor ? Tables::differ(a, b) : Tables::both(a, b);
            }
            Table seen = t_.zero();
            for (size_t o = 0; o < outputs.size(); ++o)
                seen = Tables::either(
                    seen, Tables::both(Tables::differ(literal(value, outputs[o]),
                                                      literal(flipped, outputs[o])),
                                       cares_[o]));
            const std::vector<bool> cone = mffc(graph, s, refs);
            const auto gain = static_cast<uint32_t>(std::count(cone.begin(), cone.end(), true));
            // Signals that survive and do not depend on s.
            std::vector<uint32_t> usable;
            for (uint32_t x = 0; x < signals; ++x)
                if (!above[x] && !cone[x] && (x < first || live[x])) usable.push_back(x);
            const Table& f = value[s];
            for (uint32_t x : usable)
                for (uint32_t c = 0; c < 2; ++c)
                    if (Tables::agree(literal(value, 2 * x + c), f, seen))
                        return rebuild(graph, outputs, s, {2 * x + c, 2 * x + c, false, true});
            if (gain < 2 || usable.size() > kMaxPairSignals) continue;
            for (size_t i = 0; i < usable.size(); ++i)
                for (size_t j = i + 1; j < usable.size(); ++j)
                    for (uint32_t c = 0; c < 4; ++c) {
                        const uint32_t la = 2 * usable[i] + (c & 1u);
                        const uint32_t lb = 2 * usable[j] + (c >> 1);
                        const Table a = literal(value, la), b = literal(value, lb);
                        if (Tables::agree(Tables::both(a, b), f, seen))
                            return rebuild(graph, outputs, s, {la, lb, false, false});
                        if (xor_ && c == 0 && Tables::agree(Tables::differ(a, b), f, seen))
                            return rebuild(graph, outputs, s, {la, lb, true, false});
                        if (xor_ && c == 0 &&
                            Tables::agree(t_.negate(Tables::differ(a, b)), f, seen))
                            return rebuild(graph, outputs, s, {la, lb ^ 1u, true, false});
                    }
        }
        return false;
    }

private:
    // Limits that keep the work small: a round simulates the graph once per node, and the
    // pairs of signals are tried only among a few.
    static constexpr uint32_t kMaxRounds = 200;
    static constexpr uint32_t kMaxNodes = 150;
    static constexpr size_t kMaxPairSignals = 80;

    struct Replacement {
        uint32_t a, b;
        bool isXor;
        bool single; // the literal a itself
    };

    Table literal(const std::vector<Table>& value, uint32_t lit) const {
        return lit & 1u ? t_.negate(value[lit >> 1]) : value[lit >> 1];
    }

    // The nodes that only s (transitively) uses: they go when s goes.
    static std::vector<bool> mffc(const Graph& graph, uint32_t s, std::vector<uint32_t> refs) {
        std::vector<bool> cone(graph.signals(), false);
        std::vector<uint32_t> stack{s};
        cone[s] = true;
        while (!stack.empty()) {
            const uint32_t x = stack.back();
            stack.pop_back();
            for (uint32_t lit : {graph.node(x).a, graph.node(x).b}) {
                const uint32_t y = lit >> 1;
                if (y < graph.firstNode() || --refs[y] != 0) continue;
                cone[y] = true;
                stack.push_back(y);
            }
        }
        return cone;
    }

    // The graph again from the outputs, with signal s replaced.
    bool rebuild(Graph& graph, std::vector<uint32_t>& outputs, uint32_t s,
                 const Replacement& r) const {
        Graph fresh(t_);
        std::vector<uint32_t> done(graph.signals(), ~0u);
        std::function<uint32_t(uint32_t)> build = [&](uint32_t lit) -> uint32_t {
            const uint32_t x = lit >> 1, c = lit & 1u;
            if (x < graph.firstNode()) return lit;
            if (done[x] == ~0u) {
                if (x == s) {
                    const uint32_t a = build(r.a), b = build(r.b);
                    done[x] = r.single ? a : (r.isXor ? fresh.Xor(a, b) : fresh.And(a, b));
                } else {
                    const Graph::Node& nd = graph.node(x);
                    const uint32_t a = build(nd.a), b = build(nd.b);
                    done[x] = nd.isXor ? fresh.Xor(a, b) : fresh.And(a, b);
                }
            }
            return done[x] ^ c;
        };
        for (uint32_t& lit : outputs)
            lit = build(lit);
        graph = std::move(fresh);
        return true;
    }

    const Tables& t_;
    bool xor_;
    std::vector<Table> cares_;
};

// Balancing: a tree of AND nodes (each read once, uncomplemented, by its parent) or of
// exclusive-or nodes (each read once) is rebuilt pairing its shallowest operands first, so
// that its depth is least for the same number of nodes.
void balance(const Tables& t, Graph& graph, std::vector<uint32_t>& outputs) {
    const std::vector<bool> live = graph.live(outputs);
    std::vector<uint32_t> refs(graph.signals(), 0);
    for (uint32_t s = graph.firstNode(); s < graph.signals(); ++s)
        if (live[s]) {
            ++refs[graph.node(s).a >> 1];
            ++refs[graph.node(s).b >> 1];
        }
    for (uint32_t lit : outputs)
        refs[lit >> 1] += 2; // an output is never inside a tree
    Graph fresh(t);
    std::vector<uint32_t> level(1, 0); // of the fresh graph's signals
    const auto levelOf = [&](uint32_t lit) {
        const uint32_t s = lit >> 1;
        return s < level.size() ? level[s] : 0u;
    };
    std::vector<uint32_t> done(graph.signals(), ~0u);
    std::function<uint32_t(uint32_t)> build = [&](uint32_t lit) -> uint32_t {
        const uint32_t x = lit >> 1, c = lit & 1u;
        if (x < graph.firstNode()) return lit;
        if (done[x] == ~0u) {
            const bool isXor = graph.node(x).isXor;
            // The tree's operands: descend into nodes of the same kind read only here.
            std::vector<uint32_t> leaves, stack{graph.node(x).a, graph.node(x).b};
            uint32_t parity = 0;
            while (!stack.empty()) {
                const uint32_t l = stack.back();
                stack.pop_back();
                const uint32_t y = l >> 1;
                const bool inside = y >= graph.firstNode() && refs[y] == 1 &&
                                    graph.node(y).isXor == isXor && (isXor || !(l & 1u));
                if (!inside) {
                    leaves.push_back(build(isXor ? l & ~1u : l));
                    parity ^= isXor ? l & 1u : 0u;
                    continue;
                }
                parity ^= isXor ? l & 1u : 0u;
                stack.push_back(graph.node(y).a);
                stack.push_back(graph.node(y).b);
            }
            // Pair the two shallowest operands until one is left.
            while (leaves.size() > 1) {
                std::stable_sort(leaves.begin(), leaves.end(), [&](uint32_t p, uint32_t q) {
                    return levelOf(p) < levelOf(q);
                });
                const uint32_t p = leaves[0], q = leaves[1];
                const uint32_t before = fresh.signals();
                const uint32_t r = isXor ? fresh.Xor(p, q) : fresh.And(p, q);
                level.resize(fresh.signals(), 0);
                if (fresh.signals() > before)
                    level[r >> 1] = 1 + std::max(levelOf(p), levelOf(q));
                leaves.erase(leaves.begin(), leaves.begin() + 2);
                leaves.push_back(r);
            }
            done[x] = leaves[0] ^ parity;
            level.resize(fresh.signals(), 0);
        }
        return done[x] ^ c;
    };
    for (uint32_t& lit : outputs)
        lit = build(lit);
    graph = std::move(fresh);
}

} // namespace

std::optional<BoundCircuit> ConstructCircuit(const ConstructionTarget& target, bool xorNodes,
                                             bool constants) {
    const uint32_t k = target.k;
    if (k > kMaxConstructionInputs || target.outputs == 0) return std::nullopt;
    const Tables t(k);
    const uint32_t rows = 1u << k;
    Graph graph(t);
    std::vector<uint32_t> outputs;
    std::vector<Table> cares;
    // A bound on the graph's size: beyond it a construction is abandoned for a cheaper one.
    const uint32_t budget = std::min(64 * rows * target.outputs, 20000u) + graph.signals();
    // How many levels of the cofactor decomposition try every choice: the trials multiply
    // with each level, so fewer for wider targets.
    const uint32_t lookahead = k <= 5 ? 3 : (k <= 6 ? 2 : (k <= 8 ? 1 : 0));
    for (uint32_t o = 0; o < target.outputs; ++o) {
        Table f = t.zero(), care = t.zero();
        for (uint32_t r = 0; r < rows; ++r) {
            const uint8_t v = target.values[size_t{r} * target.outputs + o];
            if (v == 2) continue;
            care[r >> 6] |= uint64_t{1} << (r & 63);
            if (v == 1) f[r >> 6] |= uint64_t{1} << (r & 63);
        }
        cares.push_back(care);
        const Resubstitution resub(t, xorNodes, cares);
        const Table on = Tables::both(f, care);
        const Table upper = Tables::either(f, t.negate(care));
        const Table off = Tables::both(t.negate(f), care);
        const Table offUpper = Tables::either(t.negate(f), t.negate(care));
        std::optional<Graph> best;
        std::vector<uint32_t> bestOutputs;
        uint32_t bestCount = 0;
        for (int how = 0; how < 4; ++how) {
            Graph g = graph;
            // The greedy decomposition (how 3) as well: trying every choice near the root
            // minimises each step, not always the whole.
            Builder b(t, g, xorNodes, budget, how == 3 ? 0 : lookahead);
            uint32_t lit = 0;
            if (how == 0)
                lit = b.Cover(on, upper);
            else if (how == 1)
                lit = b.Cover(off, offUpper) ^ 1u;
            else
                lit = b.Cofactors(f, care);
            // (how 2 and 3 differ only in the builder's lookahead.)
            if (b.exceeded() || !Tables::agree(g.tableOf(lit), f, care)) continue;
            // Each candidate as resubstitution leaves it (which may also shrink the
            // outputs built before).
            std::vector<uint32_t> all = outputs;
            all.push_back(lit);
            resub.Run(g, all);
            const uint32_t count = g.liveCount(all);
            if (!best || count < bestCount) {
                best = std::move(g);
                bestOutputs = std::move(all);
                bestCount = count;
            }
        }
        if (!best) return std::nullopt;
        graph = std::move(*best);
        outputs = std::move(bestOutputs);
    }

    // Least depth for the same nodes; kept only when it adds none (shared operands can
    // make a rebuilt tree larger).
    {
        Graph balanced = graph;
        std::vector<uint32_t> balancedOutputs = outputs;
        balance(t, balanced, balancedOutputs);
        if (balanced.liveCount(balancedOutputs) <= graph.liveCount(outputs)) {
            graph = std::move(balanced);
            outputs = std::move(balancedOutputs);
        }
    }

    // The live nodes in order, renumbered after the inputs.
    const std::vector<bool> used = graph.live(outputs);
    std::vector<uint32_t> signalOf(graph.signals(), 0);
    for (uint32_t s = 0; s < graph.firstNode(); ++s)
        signalOf[s] = s;
    BoundCircuit c;
    c.k = k;
    for (uint32_t s = graph.firstNode(); s < graph.signals(); ++s) {
        if (!used[s]) continue;
        const Graph::Node& nd = graph.node(s);
        uint32_t a = signalOf[nd.a >> 1], b = signalOf[nd.b >> 1];
        bool ca = nd.a & 1u, cb = nd.b & 1u;
        if (a > b) {
            std::swap(a, b);
            std::swap(ca, cb);
        }
        c.nodes.push_back({a, b, nodeTable(nd.isXor, ca, cb)});
        signalOf[s] = k + static_cast<uint32_t>(c.nodes.size());
    }
    for (uint32_t lit : outputs) {
        if ((lit >> 1) == 0 && !constants) return std::nullopt;
        c.outputs.push_back({signalOf[lit >> 1], (lit & 1u) != 0});
    }
    return c;
}
