// Growable packed bit vector.
#pragma once

#include <cstdint>
#include <vector>

class bitvector {
public:
    bitvector() = default;
    explicit bitvector(uint32_t n); // n bits, all 0; n = 0 is an error

    void resize(uint32_t n);
    void resize(uint32_t n, bool value);
    void assign(uint32_t n, bool value);
    void push_back(bool value);
    bool operator[](uint32_t i) const;
    void setbit(uint32_t i, bool value);
    uint32_t size() const { return size_; }

    bitvector operator&(const bitvector& b) const;
    bitvector operator|(const bitvector& b) const;
    bitvector operator^(const bitvector& b) const;
    bitvector& operator&=(const bitvector& b);
    bitvector& operator|=(const bitvector& b);
    bitvector& operator^=(const bitvector& b);
    bitvector operator~() const;
    bool operator==(const bitvector& b) const;
    bool operator!=(const bitvector& b) const { return !(*this == b); }
    bool contains(const bitvector& b) const;
    bool isNull() const;
    bool isOne() const;
    void clear() { size_ = 0; }

private:
    uint32_t lastMask() const;
    std::vector<uint32_t> words_;
    uint32_t size_ = 0;
};
