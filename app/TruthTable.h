// Truth table of a single-output Boolean function: one bit per minterm, minterm i being
// the input assignment in which input j has the value of bit j of i.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TruthTable {
public:
    TruthTable() = default;
    // size minterms, all 0.
    explicit TruthTable(uint32_t size);
    // size minterms; minterm i takes bit i of f (minterms 32 and above are 0).
    static TruthTable FromNumber(uint32_t f, uint32_t size);

    uint32_t size() const { return size_; }
    // Value on minterm i; 0 for minterms beyond the table.
    bool get(uint32_t i) const;
    // Sets minterm i; i must lie in the table (RuntimeException otherwise).
    void set(uint32_t i, bool value);
    // Minterms 0..31 as a number (bit i = minterm i).
    uint32_t low32() const;
    // true when a minterm at or above 32 is 1, so the table is no 32-bit function number.
    bool exceeds32() const;

    // Reads digits '0'/'1', most significant first: the last character is minterm 0.
    // Missing leading digits count 0. Returns false (table unchanged) on another character
    // or when the text is longer than the table.
    bool setBinary(const std::string& digits);
    // Reads hexadecimal digits, most significant first: the last digit holds minterms 3..0.
    // Returns false (table unchanged) on a character that is no hexadecimal digit or when
    // the value has a one beyond the table (leading zeros are fine).
    bool setHex(const std::string& digits);
    // size characters '0'/'1', the value on minterm size - 1 first.
    std::string toBinary() const;

    bool operator==(const TruthTable& o) const { return size_ == o.size_ && words_ == o.words_; }
    bool operator!=(const TruthTable& o) const { return !(*this == o); }

private:
    uint32_t size_ = 0;
    std::vector<uint64_t> words_;
};
