// Ternary cube: the input part of a product term, or a clause over SAT variables.
// Dense form keeps one character per position; sparse form keeps only the positions
// holding 0 or 1, sorted by position, for clauses over very many variables.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum Literal : uint32_t { Lit_0 = 0, Lit_1 = 1, Lit_dc = 2, Lit_undef = 3 };

// Cube types used by Simulate.
enum : uint32_t { CUBE_NONE = 0, CUBE_SUM = 1, CUBE_PRODUCT = 2, CUBE_XSUM = 3 };

class Cube {
public:
    using SparseLits = std::vector<std::pair<uint32_t, Literal>>; // sorted by position

    Cube() = default;
    explicit Cube(uint32_t n);
    explicit Cube(const std::string& text);

    void init(uint32_t n);
    void init_sparse(uint32_t n);
    void clear();
    uint32_t size() const { return size_; }
    bool isSparse() const { return sparse_; }
    void setSparse();

    bool isLit_0(uint32_t j) const;
    bool isLit_1(uint32_t j) const;
    bool isLit_dc(uint32_t j) const;
    char getLit(uint32_t j) const;     // '0', '1' or '-'
    Literal getLit2(uint32_t j) const; // Lit_0, Lit_1 or Lit_dc
    void setLit_0(uint32_t j);
    void setLit_1(uint32_t j);
    void setLit_dc(uint32_t j);
    void setLit(uint32_t j, Literal v);
    void setLit(uint32_t j, char c);
    void setCube(const std::vector<Literal>& lits);
    void setCube(const std::string& text);
    void assign(uint32_t n, Literal v);
    void assign(Literal v);
    void append(char c);
    void append(Literal v);
    void resize(uint32_t n); // grows with '-' positions; shrinking drops the last positions

    uint32_t getDim() const; // number of don't-care positions
    bool is_empty() const;   // every position is '-'
    std::string getCube() const;
    std::vector<Literal> getCube2() const;
    // Specified (0/1) positions in increasing order, in either form.
    SparseLits specified() const;
    // Sparse storage (empty in the dense form).
    const SparseLits& sparseLits() const { return sparseLits_; }
    const std::string& denseLits() const { return lits_; }

    bool operator==(const Cube& b) const;
    bool operator==(const std::string& s) const;
    bool operator!=(const Cube& b) const { return !(*this == b); }
    bool intersects(const Cube& b) const;
    bool intersects(const std::string& s) const;
    bool contains(const Cube& b) const;
    bool contains(const std::string& s) const;
    int intersectSize(const Cube& b) const;
    int intersectSize(const std::string& s) const;
    Cube intersection(const Cube& b) const;
    Cube intersection(const std::string& s) const;

    // 0, 1 or 2 (undefined) by cube type.
    uint32_t Simulate(const Cube& input) const;

    uint32_t getCubeType() const { return cubeType_; }
    void setCubeType(uint32_t t) { cubeType_ = t; }
    uint32_t getTermIndex() const { return termIndex_; }
    void setTermIndex(uint32_t i) { termIndex_ = i; }

private:
    // Sets position j to Lit_0 or Lit_1; op names the operation in the range message.
    void setCareLit(uint32_t j, Literal v, const char* op);
    // Start of setCube: checks the new size n and clears every position to '-'.
    void resetForSetCube(uint32_t n);

    static constexpr uint32_t kDimUnknown = 0xFFFFFFFFu;
    mutable uint32_t dim_ = kDimUnknown;
    std::string lits_;
    uint32_t size_ = 0;
    bool sparse_ = false;
    SparseLits sparseLits_;
    uint32_t termIndex_ = 0;
    uint32_t cubeType_ = CUBE_NONE;
};
