#include "logic/bitvector.h"

#include "util/myExcept.h"

#include <new>
#include <stdexcept>

namespace {

constexpr uint32_t kWordBits = 32;

// Number of words holding n bits (no overflow for n close to 2^32).
inline size_t wordCount(uint32_t n) {
    return n / kWordBits + (n % kWordBits != 0 ? 1 : 0);
}

void resizeWords(std::vector<uint32_t>& w, size_t n, uint32_t fill) {
    try {
        w.resize(n, fill);
    } catch (const std::bad_alloc&) {
        throw RuntimeException("bitvector:: Not enough memory");
    } catch (const std::length_error&) {
        throw RuntimeException("bitvector:: Not enough memory");
    }
}

inline void putBit(std::vector<uint32_t>& w, uint32_t i, bool value) {
    const uint32_t bit = 1u << (i % kWordBits);
    if (value)
        w[i / kWordBits] |= bit;
    else
        w[i / kWordBits] &= ~bit;
}

void checkSameSize(uint32_t a, uint32_t b) {
    if (a != b) throw RuntimeException("bitvector:: & operator between vectors of different sizes");
}

} // namespace

bitvector::bitvector(uint32_t n) {
    if (n == 0) throw RuntimeException("bitvector:: Zero vector size");
    resizeWords(words_, wordCount(n), 0);
    size_ = n;
}

uint32_t bitvector::lastMask() const {
    const uint32_t r = size_ % kWordBits;
    return r == 0 ? ~0u : (1u << r) - 1u;
}

void bitvector::resize(uint32_t n) {
    resize(n, false);
}

void bitvector::resize(uint32_t n, bool value) {
    if (n == 0) throw RuntimeException("bitvector:: Zero vector size");
    const size_t need = wordCount(n);
    if (words_.size() != need) resizeWords(words_, need, 0);
    uint32_t i = size_;
    // The bits of the old last word above the old size are undefined: define them first.
    while (i < n && i % kWordBits != 0) {
        putBit(words_, i, value);
        ++i;
    }
    for (; i < n; i += kWordBits) {
        words_[i / kWordBits] = value ? ~0u : 0u;
        if (n - i < kWordBits) break;
    }
    size_ = n;
}

void bitvector::assign(uint32_t n, bool value) {
    if (n == 0) throw RuntimeException("bitvector:: Zero vector size");
    std::vector<uint32_t> w;
    resizeWords(w, wordCount(n), value ? ~0u : 0u);
    words_.swap(w);
    size_ = n;
}

void bitvector::push_back(bool value) {
    if (words_.size() <= size_ / kWordBits) resizeWords(words_, size_ / kWordBits + 1, 0);
    putBit(words_, size_, value);
    ++size_;
}

bool bitvector::operator[](uint32_t i) const {
    if (i >= size_) throw RuntimeException("bitvector:: index out of range");
    return (words_[i / kWordBits] >> (i % kWordBits)) & 1u;
}

void bitvector::setbit(uint32_t i, bool value) {
    if (i >= size_) throw RuntimeException("bitvector:: index out of range");
    putBit(words_, i, value);
}

bitvector bitvector::operator&(const bitvector& b) const {
    bitvector r(*this);
    r &= b;
    return r;
}

bitvector bitvector::operator|(const bitvector& b) const {
    bitvector r(*this);
    r |= b;
    return r;
}

bitvector bitvector::operator^(const bitvector& b) const {
    bitvector r(*this);
    r ^= b;
    return r;
}

bitvector& bitvector::operator&=(const bitvector& b) {
    checkSameSize(size_, b.size_);
    const size_t n = wordCount(size_);
    for (size_t k = 0; k < n; ++k)
        words_[k] &= b.words_[k];
    return *this;
}

bitvector& bitvector::operator|=(const bitvector& b) {
    checkSameSize(size_, b.size_);
    const size_t n = wordCount(size_);
    for (size_t k = 0; k < n; ++k)
        words_[k] |= b.words_[k];
    return *this;
}

bitvector& bitvector::operator^=(const bitvector& b) {
    checkSameSize(size_, b.size_);
    const size_t n = wordCount(size_);
    for (size_t k = 0; k < n; ++k)
        words_[k] ^= b.words_[k];
    return *this;
}

bitvector bitvector::operator~() const {
    bitvector r(*this);
    const size_t n = wordCount(size_);
    for (size_t k = 0; k < n; ++k)
        r.words_[k] = ~r.words_[k];
    return r;
}

bool bitvector::operator==(const bitvector& b) const {
    if (size_ != b.size_) return false;
    const size_t n = wordCount(size_);
    if (n == 0) return true;
    for (size_t k = 0; k + 1 < n; ++k)
        if (words_[k] != b.words_[k]) return false;
    return ((words_[n - 1] ^ b.words_[n - 1]) & lastMask()) == 0;
}

bool bitvector::contains(const bitvector& b) const {
    if (size_ != b.size_)
        throw RuntimeException("bitvector::contains: comparing vectors of different sizes");
    const size_t n = wordCount(size_);
    for (size_t k = 0; k < n; ++k) {
        const uint32_t mask = k + 1 == n ? lastMask() : ~0u;
        if ((b.words_[k] & ~words_[k] & mask) != 0) return false;
    }
    return true;
}

bool bitvector::isNull() const {
    const size_t n = wordCount(size_);
    for (size_t k = 0; k < n; ++k) {
        const uint32_t mask = k + 1 == n ? lastMask() : ~0u;
        if ((words_[k] & mask) != 0) return false;
    }
    return true;
}

bool bitvector::isOne() const {
    const size_t n = wordCount(size_);
    for (size_t k = 0; k < n; ++k) {
        const uint32_t mask = k + 1 == n ? lastMask() : ~0u;
        if ((words_[k] & mask) != mask) return false;
    }
    return true;
}
