#include "logic/Term.h"

#include "util/myExcept.h"

#include <utility>

namespace {

inline bool isOutputChar(char c) {
    return c == '0' || c == '1' || c == '-' || c == '~';
}

inline char outputChar(Literal v) {
    static const char kChars[4] = {'0', '1', '-', '~'};
    return kChars[v];
}

inline bool isOutputLiteral(Literal v) {
    return v == Lit_0 || v == Lit_1 || v == Lit_dc || v == Lit_undef;
}

} // namespace

Term::Term(uint32_t inputs, uint32_t outputs) {
    init(inputs, outputs);
}

void Term::init(uint32_t inputs, uint32_t outputs) {
    Cube::init(inputs);
    om_.assign(outputs, '~');
}

void Term::clear() {
    Cube::clear();
    om_.clear();
}

void Term::setOM(uint32_t j, char c) {
    if (j >= om_.size()) throw RuntimeException("Term::setOM: Index out of range");
    if (!isOutputChar(c)) throw RuntimeException("Term::setOM: Invalid value");
    om_[j] = c;
}

void Term::setOM(const std::string& s) {
    if (om_.empty())
        om_.assign(s.size(), '~');
    else if (om_.size() != s.size())
        throw RuntimeException("Term::setOM: Wrong OM size");
    for (uint32_t j = 0; j < s.size(); ++j)
        setOM(j, s[j]);
}

void Term::setOM(uint32_t j, Literal v) {
    if (j >= om_.size()) throw RuntimeException("Term::setOM: Index out of range");
    if (!isOutputLiteral(v)) throw RuntimeException("Term::setOM: incorrect literal value");
    om_[j] = outputChar(v);
}

void Term::setOM_0(uint32_t j) {
    if (j >= om_.size()) throw RuntimeException("Term::setOM_0: Index out of range");
    om_[j] = '0';
}

void Term::setOM_1(uint32_t j) {
    if (j >= om_.size()) throw RuntimeException("Term::setOM_1: Index out of range");
    om_[j] = '1';
}

void Term::setOM_dc(uint32_t j) {
    if (j >= om_.size()) throw RuntimeException("Term::setOM_dc: Index out of range");
    om_[j] = '-';
}

void Term::setOM_undef(uint32_t j) {
    if (j >= om_.size()) throw RuntimeException("Term::setOM_undef: Index out of range");
    om_[j] = '~';
}

void Term::assignOM(Literal v) {
    if (!isOutputLiteral(v)) throw RuntimeException("Term::assign: incorrect literal value");
    om_.assign(om_.size(), outputChar(v));
}

void Term::assignOM(uint32_t n, Literal v) {
    om_.resize(n, '~');
    assignOM(v);
}

bool Term::isOM_0(uint32_t j) const {
    if (j >= om_.size()) throw RuntimeException("Term::isOM_0: Index out of range");
    return om_[j] == '0';
}

bool Term::isOM_1(uint32_t j) const {
    if (j >= om_.size()) throw RuntimeException("Term::isOM_1: Index out of range");
    return om_[j] == '1';
}

bool Term::isOM_dc(uint32_t j) const {
    if (j >= om_.size()) throw RuntimeException("Term::isOM_dc: Index out of range");
    return om_[j] == '-';
}

bool Term::isOM_undef(uint32_t j) const {
    if (j >= om_.size()) throw RuntimeException("Term::isOM_undef: Index out of range");
    return om_[j] == '~';
}

Literal Term::getOM2(uint32_t j) const {
    if (j >= om_.size()) throw RuntimeException("Term::getOM: Index out of range");
    switch (om_[j]) {
    case '0':
        return Lit_0;
    case '1':
        return Lit_1;
    case '-':
        return Lit_dc;
    case '~':
        return Lit_undef;
    default:
        throw RuntimeException("Term::getOM: incorrect literal value");
    }
}

uint32_t Term::getOC() const {
    uint32_t n = 0;
    for (char c : om_)
        if (c == '1') ++n;
    return n;
}

namespace {

// Some output is '1' in both parts (equal lengths).
bool shareOnOutput(const std::string& a, const std::string& b) {
    for (size_t j = 0; j < a.size(); ++j)
        if (a[j] == '1' && b[j] == '1') return true;
    return false;
}

} // namespace

bool Term::intersects(const Term& t) const {
    if (om_.size() != t.om_.size())
        throw RuntimeException("Term::intersects: Comparing incompatible terms");
    return shareOnOutput(om_, t.om_) && Cube::intersects(t);
}

bool Term::intersects(const Term& t, uint32_t j) const {
    return isOM_1(j) && t.isOM_1(j) && Cube::intersects(t);
}

int Term::intersectSize(const Term& t) const {
    if (om_.size() != t.om_.size())
        throw RuntimeException("Term::intersects: Comparing incompatible terms");
    if (!shareOnOutput(om_, t.om_)) return -1;
    return Cube::intersectSize(t);
}

bool Term::contains(const Term& t) const {
    if (om_.size() != t.om_.size())
        throw RuntimeException("Term::contains: Comparing incompatible terms");
    return om_ == t.om_ && Cube::contains(t);
}

void Term::Merge(const Term& t) {
    if (om_.size() != t.om_.size())
        throw RuntimeException("Term::Merge: Merging incompatible terms");
    for (size_t j = 0; j < om_.size(); ++j)
        if (t.om_[j] == '1') om_[j] = '1';
}

void Term::SwapOutputs(uint32_t j, uint32_t k) {
    if (j >= om_.size() || k >= om_.size())
        throw RuntimeException("Term::SwapOutputs: Index out of range");
    std::swap(om_[j], om_[k]);
}
