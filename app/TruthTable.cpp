#include "app/TruthTable.h"

#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>

namespace {

uint32_t hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    return static_cast<uint32_t>(c - 'a' + 10);
}

} // namespace

TruthTable::TruthTable(uint32_t size) : size_(size), words_((uint64_t{size} + 63) / 64, 0) {}

TruthTable TruthTable::FromNumber(uint32_t f, uint32_t size) {
    TruthTable t(size);
    if (size == 0) return t;
    uint64_t bits = f;
    if (size < 64) bits &= (uint64_t{1} << size) - 1;
    t.words_[0] = bits;
    return t;
}

bool TruthTable::get(uint32_t i) const {
    if (i >= size_) return false;
    return (words_[i / 64] >> (i % 64)) & 1u;
}

void TruthTable::set(uint32_t i, bool value) {
    if (i >= size_) throw RuntimeException("TruthTable::set: Minterm out of range");
    const uint64_t mask = uint64_t{1} << (i % 64);
    if (value)
        words_[i / 64] |= mask;
    else
        words_[i / 64] &= ~mask;
}

uint32_t TruthTable::low32() const {
    return words_.empty() ? 0u : static_cast<uint32_t>(words_[0] & 0xFFFFFFFFu);
}

bool TruthTable::exceeds32() const {
    if (words_.empty()) return false;
    if (words_[0] >> 32) return true;
    for (size_t w = 1; w < words_.size(); ++w)
        if (words_[w]) return true;
    return false;
}

bool TruthTable::setBinary(const std::string& digits) {
    if (digits.size() > size_) return false;
    for (char c : digits)
        if (c != '0' && c != '1') return false;
    std::fill(words_.begin(), words_.end(), 0);
    const size_t len = digits.size();
    for (size_t p = 0; p < len; ++p) {
        if (digits[len - 1 - p] == '1') {
            const size_t i = p; // the last character is minterm 0
            words_[i / 64] |= uint64_t{1} << (i % 64);
        }
    }
    return true;
}

bool TruthTable::setHex(const std::string& digits) {
    size_t first = 0; // first significant digit
    for (char c : digits)
        if (!isHexDigit(c)) return false;
    while (first < digits.size() && digits[first] == '0')
        ++first;
    const size_t sig = digits.size() - first;
    if (sig > 0) {
        // Highest minterm that is 1: the top set bit of the leading significant digit.
        uint32_t lead = hexDigitValue(digits[first]);
        uint64_t top = 4 * (uint64_t{sig} - 1);
        while (lead > 1) {
            lead >>= 1;
            ++top;
        }
        if (top >= size_) return false;
    }
    std::fill(words_.begin(), words_.end(), 0);
    const size_t len = digits.size();
    for (size_t p = 0; p < sig; ++p) {
        const uint64_t v = hexDigitValue(digits[len - 1 - p]);
        if (v == 0) continue;
        const size_t i = 4 * p; // digit p from the end holds minterms 4p+3..4p
        words_[i / 64] |= v << (i % 64);
    }
    return true;
}

std::string TruthTable::toBinary() const {
    std::string s(size_, '0');
    for (uint32_t i = 0; i < size_; ++i)
        if (get(i)) s[size_ - 1 - i] = '1';
    return s;
}
