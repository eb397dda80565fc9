// Canonical forms of truth tables under input permutations and, optionally, input and
// output negations (NPN classes; P classes without negations), for up to six inputs.
//
// A table of k inputs is one 64-bit word: bit r is the value on row r, and row r gives
// input j the value of bit j of r. A transformation T turns a table c into t = T(c):
//     t(y) = c(x) xor negOutput,  where x_j = y_perm[j] xor (bit j of negInputs),
// so input j of c becomes input perm[j] of t, negated when bit j of negInputs is set.
// The canonical form of t is the least table of its class; canonical() also gives the
// transformation from the canonical form back to t: the first T, in a fixed order of all
// transformations, with T(canonical) = t. Both depend only on t, k and the option, so
// equal tables always get the same representative and the same transformation.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>

struct NpnTransform {
    std::array<uint8_t, 6> perm{0, 1, 2, 3, 4, 5};
    uint8_t negInputs = 0;
    bool negOutput = false;

    // T(table) for a table of k inputs.
    uint64_t Apply(uint64_t table, uint32_t k) const;
};

class NpnCanon {
public:
    static constexpr uint32_t kMaxInputs = 6;

    // k inputs (at most kMaxInputs); negations: input and output negations belong to the
    // class (otherwise permutations only).
    NpnCanon(uint32_t k, bool negations);

    struct Result {
        uint64_t canonical = 0;
        NpnTransform fromCanonical; // fromCanonical.Apply(canonical) == the table
    };
    // The table's canonical form and transformation. Remembers every table of a class it
    // has seen for k <= 4 (at most 2^16 tables), so a batch of many tables of few classes
    // pays the search once per class.
    Result Canonical(uint64_t table);

    // All rows of a table of k inputs.
    static uint64_t Mask(uint32_t k) {
        return k >= 6 ? ~uint64_t{0} : (uint64_t{1} << (1u << k)) - 1;
    }

private:
    // Calls visit(T) for every transformation in the fixed order: permutations in
    // lexicographic order, then input negation masks 0, 1, ..., then output negation
    // false, true; visit returns false to stop.
    template <class Visit> void forEach(Visit visit) const;

    uint32_t k_;
    bool negations_;
    std::unordered_map<uint64_t, Result> known_;
};
