// Which output values the terms of a PLA list: f (ON-set), d (don't-care set), r (OFF-set),
// plus the esop flag of files read with ".type esop".
#pragma once

#include <string>

class PLA_type {
public:
    PLA_type() = default;
    PLA_type(const std::string& letters); // NOLINT: implicit on purpose, as "fr"
    PLA_type(const char* letters) : PLA_type(std::string(letters)) {} // NOLINT

    bool f = false;
    bool d = false;
    bool r = false;
    bool esop = false;

    bool operator==(const PLA_type& o) const;
    bool operator!=(const PLA_type& o) const { return !(*this == o); }
    PLA_type operator+(const PLA_type& o) const;
    PLA_type& operator+=(const PLA_type& o);
    // The set letters among f, d, r in that order.
    std::string toString() const;
};
