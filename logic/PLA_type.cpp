#include "logic/PLA_type.h"

#include "util/myExcept.h"

PLA_type::PLA_type(const std::string& letters) {
    for (char c : letters) {
        switch (c) {
        case 'f':
            f = true;
            break;
        case 'd':
            d = true;
            break;
        case 'r':
            r = true;
            break;
        default:
            throw RuntimeException("Runtime error: unknown PLA type");
        }
    }
}

bool PLA_type::operator==(const PLA_type& o) const {
    return f == o.f && d == o.d && r == o.r && esop == o.esop;
}

PLA_type PLA_type::operator+(const PLA_type& o) const {
    PLA_type t(*this);
    t += o;
    return t;
}

PLA_type& PLA_type::operator+=(const PLA_type& o) {
    f = f || o.f;
    d = d || o.d;
    r = r || o.r;
    return *this;
}

std::string PLA_type::toString() const {
    std::string s;
    if (f) s += 'f';
    if (d) s += 'd';
    if (r) s += 'r';
    return s;
}
