// A test, run before the search, for targets that no circuit of any size can realise with
// the available gates. Such a search would try n = 0, 1, 2, ... forever.
//
// The test rests on Post's lattice: a clone is a set of Boolean functions that holds every
// projection and is closed under composition, so when every primitive a circuit is built
// from lies in a clone, so does every signal of every circuit. The primitives are the
// library functions under the port inversions allowed, the constant 0 when nodes may read
// it, and the exclusive-or of a polymorphic edge. The clones tried are the five maximal
// ones (0-preserving, 1-preserving, monotone, self-dual, affine), the clones of pure
// conjunction and pure disjunction (with the constants), the functions that are 1 only
// where a certain input is 1 (built from a and not b alone), the functions that are 1
// wherever a certain input is 1 (built from implications alone), and the functions of at
// most one input (built from projections and negations alone). An output is proven unreachable
// only when none of its completions (don't-care rows set either way), under none of the
// output transformations allowed (inversion, exclusive-or with the control input), lies in
// the clone, and it is none of the constants an output can take directly.
//
// With polymorphic edges the control input P enters only through exclusive-ors on edges.
// Besides the test above (with the exclusive-or as one more primitive), each half of the
// target is tested on its own: with P = 0 the polymorphic edges vanish, so that half must
// be reachable by an ordinary circuit; with P = 1 every polymorphic edge is an inversion,
// so that half must be reachable by a circuit with inversions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PLA;

class Realizability {
public:
    // library: the node functions as hexadecimal truth-table digits (f(a, b) is bit 2a + b
    // of a digit); characters that are no hexadecimal digit are passed over.
    Realizability(const std::string& library, bool allowInv, bool allowConst, bool polyEdges);

    // An explanation when no circuit can realise the target, else the empty string. With
    // polymorphic edges the target's last input is the control input. Targets of more than
    // kMaxInputs inputs are not examined.
    std::string ProveImpossible(const PLA& target) const;

    static constexpr uint32_t kMaxInputs = 20;

    // The clones tried, and their properties on partially specified functions.
    enum Clone {
        ZeroPreserving,
        OnePreserving,
        Monotone,
        SelfDual,
        Affine,
        Conjunction,
        Disjunction,
        BelowAnInput, // f(x) = 1 implies x_i = 1, for one i (or f = 0)
        AboveAnInput, // x_i = 1 implies f(x) = 1, for one i (or f = 1)
        OneInput,     // a constant, an input or an inverted input
        CloneCount
    };
    // A function of w variables: one value per row (row r assigns bit j of r to variable
    // j): 0, 1 or kDontCare.
    static constexpr int8_t kDontCare = -1;
    using Partial = std::vector<int8_t>;
    // Whether some completion of f lies in the clone (for a completely specified f:
    // whether f lies in it). f has 2^w rows.
    static bool HasCompletionIn(Clone clone, const Partial& f, uint32_t w);
    // "0-preserving", ..., "a conjunction of its inputs".
    static std::string Describe(Clone clone);

private:
    // An output transformation: inversion, exclusive-or with the control input.
    struct Transform {
        bool invert;
        bool control;
    };
    // The primitives as complete truth tables over two variables (the constant over one).
    std::vector<Partial> Primitives(bool inversions, bool polymorphic) const;
    // The proof for outputs f over w variables built from the primitives, the outputs
    // transformed as allowed (the control input, if any, is bit 0 of a row); "" when none.
    std::string Prove(const std::vector<Partial>& f, uint32_t w,
                      const std::vector<Partial>& primitives,
                      const std::vector<Transform>& transforms,
                      const std::vector<std::string>& names, const std::string& context) const;

    std::vector<uint32_t> library_; // the node functions' digits
    bool allowInv_;
    bool allowConst_;
    bool polyEdges_;
};
