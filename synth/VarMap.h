// Where each variable of the classic CNF instance sits. The instance creates its variables
// in a fixed order, which is their DIMACS numbering (position + 1):
//   structural: O<o>_<s>, N<i>_<b>, P<i>_<b>, C<j>_<i>_<b>, F<i>_<f>, then OP<o> and ON<o>
//   per row r:  Y<s>, X<i>_<b>, XN<i>_<b>, ON<o>, OV<o>, XP<i>_<b>, ONP<o>, P (all "_#<r>")
//   after the rows, when function-select variables are added: FH<i>_<t>
// The positions follow from (k, m, n, library size, constants, polymorphic edges) alone, so
// the map is computed arithmetically and never looks a name up. One map describes one
// instance: the encoding, the blocking and cost clauses, the decoder and the writers all
// address variables through it; Name() gives the names the CNF files carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class VarMap {
public:
    VarMap(uint32_t k, uint32_t m, uint32_t n, uint32_t functionCount, uint32_t codeBits,
           bool allowConst, bool polyEdges);

    uint32_t k() const { return k_; }
    uint32_t m() const { return m_; }
    uint32_t n() const { return n_; }
    uint32_t rows() const { return rows_; }
    // Lowest signal that may feed a node port (0 when constants are allowed).
    uint32_t firstSource() const { return first_; }

    // Structural variables (i a node signal k+1..k+n, s a signal 0..k+n).
    uint32_t O(uint32_t o, uint32_t s) const { return o * (last_ + 1) + s; }
    uint32_t N(uint32_t i, uint32_t b) const { return baseN_ + 2 * (i - k_ - 1) + b; }
    uint32_t P(uint32_t i, uint32_t b) const { return baseP_ + 2 * (i - k_ - 1) + b; }
    // Signal j (firstSource()..k+n-1) feeds port b of node i (max(k+1, j)..k+n).
    uint32_t C(uint32_t j, uint32_t i, uint32_t b) const;
    uint32_t F(uint32_t i, uint32_t f) const { return baseF_ + (i - k_ - 1) * codeBits_ + f; }
    uint32_t OP(uint32_t o) const { return baseOut_ + 2 * o; }
    uint32_t ON(uint32_t o) const { return baseOut_ + 2 * o + 1; }

    // Row variables.
    uint32_t Y(uint32_t r, uint32_t s) const { return row(r) + s; }
    uint32_t X(uint32_t r, uint32_t i, uint32_t b) const { return row(r) + offX_ + port(i, b); }
    uint32_t XN(uint32_t r, uint32_t i, uint32_t b) const { return row(r) + offXN_ + port(i, b); }
    uint32_t ONr(uint32_t r, uint32_t o) const { return row(r) + offON_ + o; }
    uint32_t OV(uint32_t r, uint32_t o) const { return row(r) + offOV_ + o; }
    uint32_t XP(uint32_t r, uint32_t i, uint32_t b) const { return row(r) + offXP_ + port(i, b); }
    uint32_t ONP(uint32_t r, uint32_t o) const { return row(r) + offONP_ + o; }
    uint32_t Pr(uint32_t r) const { return row(r) + offP_; }

    // Function-select variables, created after everything else.
    uint32_t FH(uint32_t i, uint32_t t) const { return total_ + (i - k_ - 1) * functionCount_ + t; }

    // The name of the variable at a position, as the CNF files show it (the inverse of the
    // functions above). Names exist only for the files; the engine works on positions.
    std::string Name(uint32_t pos) const;

    // Connection variables C<j>_<i>_<b> that the row clauses use (j < i), per port bit.
    uint64_t connectionPairs() const;

    uint32_t structuralCount() const { return structural_; }
    uint32_t rowSize() const { return rowSize_; }
    // Variables of the instance without (with) the function-select variables.
    uint32_t count() const { return total_; }
    uint32_t countWithFH() const { return total_ + n_ * functionCount_; }

private:
    uint32_t row(uint32_t r) const { return structural_ + r * rowSize_; }
    uint32_t port(uint32_t i, uint32_t b) const { return 2 * (i - k_ - 1) + b; }

    uint32_t k_, m_, n_, functionCount_, codeBits_, first_, last_, rows_;
    uint32_t baseN_, baseP_, baseC_, baseF_, baseOut_, structural_;
    uint32_t offX_, offXN_, offON_, offOV_, offXP_, offONP_, offP_, rowSize_, total_;
    std::vector<uint32_t> cOffset_; // per source j: position of C<j>_<max(k+1,j)>_0 - baseC_
};
