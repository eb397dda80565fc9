#include "logic/Cube.h"

#include "util/myExcept.h"

#include <algorithm>

namespace {

using SparseLits = Cube::SparseLits;

inline char litChar(Literal v) {
    return v == Lit_0 ? '0' : (v == Lit_1 ? '1' : '-');
}

// Literal of one character of a dense cube or of a cube text.
inline Literal classify(char c) {
    switch (c) {
    case '0':
        return Lit_0;
    case '1':
        return Lit_1;
    case '-':
        return Lit_dc;
    default:
        throw RuntimeException("Cube::getLit2: Not allowed literal value");
    }
}

// A stored sparse entry must be a care literal.
inline Literal checkedEntry(Literal v) {
    if (v != Lit_0 && v != Lit_1) throw RuntimeException("Cube::getLit: Cubes not defined");
    return v;
}

inline bool lessPos(const std::pair<uint32_t, Literal>& e, uint32_t p) {
    return e.first < p;
}

SparseLits::const_iterator findEntry(const SparseLits& v, uint32_t p) {
    if (v.empty() || v.back().first < p) return v.end();
    auto it = std::lower_bound(v.begin(), v.end(), p, lessPos);
    return (it != v.end() && it->first == p) ? it : v.end();
}

// Stores a care literal at p, keeping the entries sorted; appending is the cheap case.
void putEntry(SparseLits& v, uint32_t p, Literal lit) {
    if (v.empty() || v.back().first < p) {
        v.emplace_back(p, lit);
        return;
    }
    auto it = std::lower_bound(v.begin(), v.end(), p, lessPos);
    if (it != v.end() && it->first == p)
        it->second = lit;
    else
        v.insert(it, std::make_pair(p, lit));
}

// Removes the entry at p; returns whether there was one.
bool eraseEntry(SparseLits& v, uint32_t p) {
    if (v.empty() || v.back().first < p) return false;
    auto it = std::lower_bound(v.begin(), v.end(), p, lessPos);
    if (it == v.end() || it->first != p) return false;
    v.erase(it);
    return true;
}

// Every character of a cube text must be '0', '1' or '-'.
void checkText(const std::string& s) {
    for (char c : s)
        classify(c);
}

SparseLits specifiedOfText(const std::string& s) {
    SparseLits r;
    for (uint32_t j = 0; j < s.size(); ++j) {
        const Literal v = classify(s[j]);
        if (v != Lit_dc) r.emplace_back(j, v);
    }
    return r;
}

// The specified positions of c: its own storage when sparse, else a list built in tmp.
const SparseLits& specifiedRef(const Cube& c, SparseLits& tmp) {
    if (c.isSparse()) return c.sparseLits();
    tmp = c.specified();
    return tmp;
}

// Reads the literals of a cube at non-decreasing positions.
class LitCursor {
public:
    explicit LitCursor(const Cube& c) : c_(c) {}
    Literal at(uint32_t p) {
        if (!c_.isSparse()) return classify(c_.denseLits()[p]);
        const SparseLits& v = c_.sparseLits();
        while (k_ < v.size() && v[k_].first < p)
            ++k_;
        if (k_ < v.size() && v[k_].first == p) return checkedEntry(v[k_].second);
        return Lit_dc;
    }

private:
    const Cube& c_;
    size_t k_ = 0;
};

// Merge walks over two sorted lists of specified positions.
bool intersectsLists(const SparseLits& a, const SparseLits& b) {
    size_t i = 0, k = 0;
    while (i < a.size() && k < b.size()) {
        if (a[i].first < b[k].first) {
            ++i;
        } else if (b[k].first < a[i].first) {
            ++k;
        } else {
            if (checkedEntry(a[i].second) != checkedEntry(b[k].second)) return false;
            ++i;
            ++k;
        }
    }
    return true;
}

bool containsLists(const SparseLits& a, const SparseLits& b) {
    size_t k = 0;
    for (const auto& e : a) {
        while (k < b.size() && b[k].first < e.first)
            ++k;
        if (k == b.size() || b[k].first != e.first) return false;
        if (checkedEntry(b[k].second) != checkedEntry(e.second)) return false;
    }
    return true;
}

int intersectSizeLists(const SparseLits& a, const SparseLits& b) {
    size_t i = 0, k = 0;
    int n = 0;
    while (i < a.size() && k < b.size()) {
        if (a[i].first < b[k].first) {
            ++n;
            ++i;
        } else if (b[k].first < a[i].first) {
            ++n;
            ++k;
        } else {
            if (checkedEntry(a[i].second) != checkedEntry(b[k].second)) return -1;
            ++i;
            ++k;
        }
    }
    return n + static_cast<int>(a.size() - i) + static_cast<int>(b.size() - k);
}

// Dense walks; both strings hold only '0', '1' and '-'.
bool intersectsText(const std::string& a, const std::string& b) {
    for (size_t j = 0; j < a.size(); ++j)
        if (a[j] != '-' && b[j] != '-' && a[j] != b[j]) return false;
    return true;
}

bool containsText(const std::string& a, const std::string& b) {
    for (size_t j = 0; j < a.size(); ++j)
        if (a[j] != '-' && a[j] != b[j]) return false;
    return true;
}

int intersectSizeText(const std::string& a, const std::string& b) {
    int n = 0;
    for (size_t j = 0; j < a.size(); ++j) {
        if (a[j] == b[j]) continue;
        if (a[j] != '-' && b[j] != '-') return -1;
        ++n;
    }
    return n;
}

} // namespace

Cube::Cube(uint32_t n) {
    init(n);
}

Cube::Cube(const std::string& text) {
    setCube(text);
}

void Cube::init(uint32_t n) {
    sparse_ = false;
    sparseLits_.clear();
    lits_.assign(n, '-');
    size_ = n;
    dim_ = n;
    cubeType_ = CUBE_NONE;
}

void Cube::init_sparse(uint32_t n) {
    sparse_ = true;
    std::string().swap(lits_);
    sparseLits_.clear();
    size_ = n;
    dim_ = n;
    cubeType_ = CUBE_NONE;
}

void Cube::clear() {
    size_ = 0;
    lits_.clear();
    sparseLits_.clear();
    dim_ = 0;
}

void Cube::setSparse() {
    if (sparse_) return;
    sparseLits_ = specified();
    std::string().swap(lits_);
    sparse_ = true;
}

bool Cube::isLit_0(uint32_t j) const {
    if (j >= size_) throw RuntimeException("Cube::isLit_0: Index out of range");
    return getLit2(j) == Lit_0;
}

bool Cube::isLit_1(uint32_t j) const {
    if (j >= size_) throw RuntimeException("Cube::isLit_1: Index out of range");
    return getLit2(j) == Lit_1;
}

bool Cube::isLit_dc(uint32_t j) const {
    if (j >= size_) throw RuntimeException("Cube::isLit_dc: Index out of range");
    return getLit2(j) == Lit_dc;
}

char Cube::getLit(uint32_t j) const {
    if (sparse_) {
        auto it = findEntry(sparseLits_, j);
        return it == sparseLits_.end() ? '-' : litChar(checkedEntry(it->second));
    }
    // Positions beyond the size read as don't care, as in the sparse form.
    return j < size_ ? lits_[j] : '-';
}

Literal Cube::getLit2(uint32_t j) const {
    if (sparse_) {
        auto it = findEntry(sparseLits_, j);
        return it == sparseLits_.end() ? Lit_dc : checkedEntry(it->second);
    }
    return j < size_ ? classify(lits_[j]) : Lit_dc;
}

void Cube::setCareLit(uint32_t j, Literal v, const char* op) {
    if (j >= size_) throw RuntimeException(std::string("Cube::") + op + ": Index out of range");
    if (sparse_) {
        putEntry(sparseLits_, j, v);
        return;
    }
    if (lits_[j] == '-' && dim_ != kDimUnknown) --dim_;
    lits_[j] = litChar(v);
}

void Cube::setLit_0(uint32_t j) {
    setCareLit(j, Lit_0, "setLit_0");
}

void Cube::setLit_1(uint32_t j) {
    setCareLit(j, Lit_1, "setLit_1");
}

void Cube::setLit_dc(uint32_t j) {
    if (j >= size_) throw RuntimeException("Cube::setLit_dc: Index out of range");
    if (sparse_) {
        eraseEntry(sparseLits_, j);
        return;
    }
    if (lits_[j] != '-' && dim_ != kDimUnknown) ++dim_;
    lits_[j] = '-';
}

void Cube::setLit(uint32_t j, Literal v) {
    if (j >= size_) throw RuntimeException("Cube::setLit: Index out of range");
    switch (v) {
    case Lit_0:
        setLit_0(j);
        break;
    case Lit_1:
        setLit_1(j);
        break;
    case Lit_dc:
        setLit_dc(j);
        break;
    default:
        throw RuntimeException("Cube::setLit: Wrong IM value");
    }
}

void Cube::setLit(uint32_t j, char c) {
    if (j >= size_) throw RuntimeException("Cube::setLit: Index out of range");
    switch (c) {
    case '0':
        setLit_0(j);
        break;
    case '1':
        setLit_1(j);
        break;
    case '-':
        setLit_dc(j);
        break;
    default:
        throw RuntimeException("Cube::setLit: Invalid value");
    }
}

void Cube::resetForSetCube(uint32_t n) {
    if (size_ != 0 && size_ != n) throw RuntimeException("Cube::setCube: Wrong IM size");
    if (sparse_)
        sparseLits_.clear();
    else
        lits_.assign(n, '-');
    size_ = n;
    dim_ = kDimUnknown;
}

void Cube::setCube(const std::vector<Literal>& lits) {
    const uint32_t n = static_cast<uint32_t>(lits.size());
    resetForSetCube(n);
    for (uint32_t j = 0; j < n; ++j)
        setLit(j, lits[j]);
}

void Cube::setCube(const std::string& text) {
    const uint32_t n = static_cast<uint32_t>(text.size());
    resetForSetCube(n);
    for (uint32_t j = 0; j < n; ++j)
        setLit(j, text[j]);
}

void Cube::assign(uint32_t n, Literal v) {
    if (v != Lit_0 && v != Lit_1 && v != Lit_dc) {
        throw RuntimeException(sparse_ ? "Cube::setLit: Wrong IM value"
                                       : "Cube::assign: incorrect literal value");
    }
    size_ = n;
    if (sparse_) {
        sparseLits_.clear();
        if (v != Lit_dc) {
            sparseLits_.reserve(n);
            for (uint32_t j = 0; j < n; ++j)
                sparseLits_.emplace_back(j, v);
        }
    } else {
        lits_.assign(n, litChar(v));
    }
    dim_ = v == Lit_dc ? n : 0;
}

void Cube::assign(Literal v) {
    assign(size_, v);
}

void Cube::append(char c) {
    switch (c) {
    case '0':
        append(Lit_0);
        break;
    case '1':
        append(Lit_1);
        break;
    case '-':
        append(Lit_dc);
        break;
    default:
        throw RuntimeException("Cube::setLit: Invalid value");
    }
}

void Cube::append(Literal v) {
    if (v != Lit_0 && v != Lit_1 && v != Lit_dc)
        throw RuntimeException("Cube::setLit: Wrong IM value");
    if (sparse_) {
        if (v != Lit_dc) sparseLits_.emplace_back(size_, v);
    } else {
        lits_.push_back(litChar(v));
        if (v == Lit_dc && dim_ != kDimUnknown) ++dim_;
    }
    ++size_;
}

void Cube::resize(uint32_t n) {
    if (n == size_) return;
    if (sparse_) {
        // Only the width changes; a narrower cube loses its entries beyond the new end.
        if (n < size_) {
            auto it = std::lower_bound(sparseLits_.begin(), sparseLits_.end(), n, lessPos);
            sparseLits_.erase(it, sparseLits_.end());
        }
        size_ = n;
        return;
    }
    if (n > size_) {
        lits_.append(n - size_, '-');
        if (dim_ != kDimUnknown) dim_ += n - size_;
    } else {
        lits_.resize(n);
        dim_ = kDimUnknown;
    }
    size_ = n;
}

uint32_t Cube::getDim() const {
    if (sparse_) return size_ - static_cast<uint32_t>(sparseLits_.size());
    if (dim_ == kDimUnknown) {
        uint32_t n = 0;
        for (char c : lits_)
            if (classify(c) == Lit_dc) ++n;
        dim_ = n;
    }
    return dim_;
}

bool Cube::is_empty() const {
    return getDim() == size_;
}

std::string Cube::getCube() const {
    if (!sparse_) return lits_;
    std::string s(size_, '-');
    for (const auto& e : sparseLits_)
        s[e.first] = litChar(checkedEntry(e.second));
    return s;
}

std::vector<Literal> Cube::getCube2() const {
    std::vector<Literal> r(size_, Lit_dc);
    if (sparse_) {
        for (const auto& e : sparseLits_)
            r[e.first] = checkedEntry(e.second);
    } else {
        for (uint32_t j = 0; j < size_; ++j)
            r[j] = classify(lits_[j]);
    }
    return r;
}

Cube::SparseLits Cube::specified() const {
    if (sparse_) return sparseLits_;
    SparseLits r;
    for (uint32_t j = 0; j < size_; ++j) {
        const Literal v = classify(lits_[j]);
        if (v != Lit_dc) r.emplace_back(j, v);
    }
    return r;
}

bool Cube::operator==(const Cube& b) const {
    // Each form compares its own storage; the other form's storage is empty.
    return lits_ == b.lits_ && sparseLits_ == b.sparseLits_;
}

bool Cube::operator==(const std::string& s) const {
    if (s.size() != size_) return false;
    if (!sparse_) return lits_ == s;
    size_t k = 0;
    for (uint32_t j = 0; j < size_; ++j) {
        char c = '-';
        if (k < sparseLits_.size() && sparseLits_[k].first == j)
            c = litChar(checkedEntry(sparseLits_[k++].second));
        if (c != s[j]) return false;
    }
    return true;
}

namespace {

// One relation of two cubes, or of a cube and a cube text, each read in its stored form:
// the walk over the texts when both are dense, else the merge of the specified positions.
template <typename TextWalk, typename ListWalk>
auto relate(const Cube& a, const Cube& b, const char* op, TextWalk text, ListWalk lists) {
    if (a.size() != b.size())
        throw RuntimeException(std::string("Cube::") + op + ": Comparing incompatible terms");
    if (!a.isSparse() && !b.isSparse()) return text(a.denseLits(), b.denseLits());
    SparseLits ta, tb;
    return lists(specifiedRef(a, ta), specifiedRef(b, tb));
}

template <typename TextWalk, typename ListWalk>
auto relate(const Cube& a, const std::string& s, const char* op, TextWalk text, ListWalk lists) {
    if (a.size() != s.size())
        throw RuntimeException(std::string("Cube::") + op + ": Comparing incompatible terms");
    if (a.isSparse()) return lists(a.sparseLits(), specifiedOfText(s));
    checkText(s);
    return text(a.denseLits(), s);
}

} // namespace

bool Cube::intersects(const Cube& b) const {
    return relate(*this, b, "intersects", intersectsText, intersectsLists);
}

bool Cube::intersects(const std::string& s) const {
    return relate(*this, s, "intersects", intersectsText, intersectsLists);
}

bool Cube::contains(const Cube& b) const {
    return relate(*this, b, "contains", containsText, containsLists);
}

bool Cube::contains(const std::string& s) const {
    return relate(*this, s, "contains", containsText, containsLists);
}

int Cube::intersectSize(const Cube& b) const {
    return relate(*this, b, "intersectSize", intersectSizeText, intersectSizeLists);
}

int Cube::intersectSize(const std::string& s) const {
    return relate(*this, s, "intersectSize", intersectSizeText, intersectSizeLists);
}

Cube Cube::intersection(const Cube& b) const {
    if (!intersects(b)) throw RuntimeException("Cube::intersection: no intersection");
    Cube r(*this);
    SparseLits tb;
    for (const auto& e : specifiedRef(b, tb))
        r.setLit(e.first, e.second);
    return r;
}

Cube Cube::intersection(const std::string& s) const {
    if (!intersects(s)) throw RuntimeException("Cube::intersection: no intersection");
    Cube r(*this);
    for (const auto& e : specifiedOfText(s))
        r.setLit(e.first, e.second);
    return r;
}

uint32_t Cube::Simulate(const Cube& input) const {
    if (input.size_ != size_) throw RuntimeException("Cube::Simulate: Incorrect number of inputs");
    if (cubeType_ != CUBE_SUM && cubeType_ != CUBE_PRODUCT && cubeType_ != CUBE_XSUM)
        throw RuntimeException("Cube::Simulate: unknown cube type");

    LitCursor in(input);
    uint32_t flips = 0;
    // Result decided at position p with cube literal v, or 3 to go on.
    auto visit = [&](uint32_t p, Literal v) -> uint32_t {
        const Literal x = in.at(p);
        if (x == Lit_dc) return 2;
        switch (cubeType_) {
        case CUBE_PRODUCT:
            return x != v ? 0 : 3;
        case CUBE_SUM:
            return x == v ? 1 : 3;
        default:
            if (x != v) ++flips;
            return 3;
        }
    };
    if (sparse_) {
        for (const auto& e : sparseLits_) {
            const uint32_t r = visit(e.first, checkedEntry(e.second));
            if (r != 3) return r;
        }
    } else {
        for (uint32_t j = 0; j < size_; ++j) {
            const Literal v = classify(lits_[j]);
            if (v == Lit_dc) continue;
            const uint32_t r = visit(j, v);
            if (r != 3) return r;
        }
    }
    switch (cubeType_) {
    case CUBE_PRODUCT:
        return 1;
    case CUBE_SUM:
        return 0;
    default:
        return flips == 0 ? 2 : (flips % 2 == 1 ? 0 : 1);
    }
}
