#include "logic/SoPLA.h"

#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

// Number of specified (0/1) positions of a cube.
uint32_t countLiterals(const Cube& c) {
    if (c.isSparse()) return static_cast<uint32_t>(c.sparseLits().size());
    uint32_t n = 0;
    for (char ch : c.denseLits())
        if (ch != '-') ++n;
    return n;
}

// Calls f(position, literal) for every specified position of c, in increasing order.
template <class F> void forEachLiteral(const Cube& c, F f) {
    if (c.isSparse()) {
        for (const auto& e : c.sparseLits())
            f(e.first, e.second);
        return;
    }
    const std::string& s = c.denseLits();
    for (uint32_t j = 0; j < s.size(); ++j)
        if (s[j] != '-') f(j, c.getLit2(j));
}

bool sameTextPair(const std::string& a, const std::string& b, const char* x, const char* y) {
    return (a == x && b == y) || (a == y && b == x);
}

std::string toUpper(const std::string& s) {
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

const std::string kEmptyName;

} // namespace

// --- construction ---

SoPLA::SoPLA(uint32_t inputs) : inputCount_(inputs) {}

SoPLA::SoPLA(uint32_t inputs, bool phase) : inputCount_(inputs), phase_(phase) {}

SoPLA::SoPLA(const std::string& cube) : inputCount_(static_cast<uint32_t>(cube.size())) {
    AppendTerm(cube);
}

SoPLA::SoPLA(const SoPLA& other)
    : outputName_(other.outputName_), inputCount_(other.inputCount_), terms_(other.terms_),
      indexed_(false), phase_(other.phase_), sparse_(other.sparse_), dff_(other.dff_),
      cnf_(other.cnf_), gateName_(other.gateName_), inputNames_(other.inputNames_),
      comments_(other.comments_), nameIndex_(other.nameIndex_),
      nameIndexValid_(other.nameIndexValid_), widthDirty_(other.widthDirty_) {}

SoPLA& SoPLA::operator=(const SoPLA& other) {
    if (this == &other) return *this;
    SoPLA copy(other);
    *this = std::move(copy);
    return *this;
}

SoPLA::SoPLA(const SoPLA* shape)
    : outputName_(shape->outputName_), inputCount_(shape->inputCount_), phase_(shape->phase_),
      sparse_(shape->sparse_), dff_(shape->dff_), cnf_(shape->cnf_),
      inputNames_(shape->inputNames_), nameIndex_(shape->nameIndex_),
      nameIndexValid_(shape->nameIndexValid_) {}

// --- shape ---

void SoPLA::clear() {
    terms_.clear();
    termIndex_.clear();
    indexed_ = false;
    inputNames_.clear();
    inputCount_ = 0;
    nameIndex_.clear();
    nameIndexValid_ = true;
    widthDirty_ = false;
}

void SoPLA::clearData() {
    terms_.clear();
    termIndex_.clear();
    indexed_ = false;
    widthDirty_ = false;
}

void SoPLA::setInputs(int n) {
    // Pending columns belong to the old width; the terms keep what they have.
    syncWidth();
    inputCount_ = static_cast<uint32_t>(n);
}

void SoPLA::resize(uint32_t n) {
    for (Cube& t : terms_)
        t.resize(n);
    widthDirty_ = false;
    inputCount_ = n;
    inputNames_.resize(n);
    invalidateNames();
}

void SoPLA::syncWidth() const {
    if (!widthDirty_) return;
    for (Cube& t : terms_)
        if (t.size() < inputCount_) t.resize(inputCount_);
    widthDirty_ = false;
}

void SoPLA::setSparse() {
    sparse_ = true;
    for (Cube& t : terms_)
        t.setSparse();
}

// --- names ---

void SoPLA::invalidateNames() const {
    nameIndex_.clear();
    nameIndexValid_ = false;
}

const SoPLA::NameMap& SoPLA::nameIndex() const {
    if (!nameIndexValid_) {
        nameIndex_.clear();
        nameIndex_.reserve(inputNames_.size());
        for (uint32_t i = 0; i < inputNames_.size(); ++i) {
            auto it = nameIndex_.find(inputNames_[i]);
            if (it == nameIndex_.end())
                nameIndex_.emplace(inputNames_[i], NameSlot{i, 1});
            else
                ++it->second.count;
        }
        nameIndexValid_ = true;
    }
    return nameIndex_;
}

const std::string& SoPLA::nameAt(uint32_t i) const {
    return i < inputNames_.size() ? inputNames_[i] : kEmptyName;
}

uint32_t SoPLA::firstNamePos(const std::string& name) const {
    if (inputNames_.empty()) return (name.empty() && inputCount_ > 0) ? 0 : inputCount_;
    uint64_t pos = UINT64_MAX;
    const NameMap& idx = nameIndex();
    auto it = idx.find(name);
    if (it != idx.end()) pos = it->second.first;
    // Columns past the stored names have no name, which equals the empty name.
    if (name.empty() && inputNames_.size() < inputCount_)
        pos = std::min<uint64_t>(pos, inputNames_.size());
    return pos < inputCount_ ? static_cast<uint32_t>(pos) : inputCount_;
}

void SoPLA::AppendInput(const std::string& name) {
    const uint32_t old = inputCount_;
    ++inputCount_;
    if (!terms_.empty()) {
        if (sparse_) {
            widthDirty_ = true;
        } else {
            for (Cube& t : terms_)
                if (t.size() < inputCount_) t.resize(inputCount_);
            widthDirty_ = false;
        }
    }
    if (inputNames_.size() == old) {
        inputNames_.push_back(name);
        if (nameIndexValid_) {
            auto res = nameIndex_.emplace(name, NameSlot{old, 1});
            if (!res.second) ++res.first->second.count;
        }
    } else {
        inputNames_.resize(inputCount_);
        inputNames_.back() = name;
        invalidateNames();
    }
}

void SoPLA::setIName(uint32_t i, const std::string& name) {
    if (i >= inputCount_) throw RuntimeException("SoPLA::setIName: Incorrect index");
    if (inputNames_.empty()) {
        inputNames_.assign(inputCount_, std::string());
        nameIndex_.clear();
        nameIndex_.emplace(std::string(), NameSlot{0, inputCount_});
        nameIndexValid_ = true;
    } else if (inputNames_.size() < inputCount_) {
        inputNames_.resize(inputCount_);
        invalidateNames();
    }
    std::string& cur = inputNames_[i];
    if (cur == name) return;
    if (nameIndexValid_) {
        auto old = nameIndex_.find(cur);
        if (--old->second.count == 0) {
            nameIndex_.erase(old);
        } else if (old->second.first == i) {
            uint32_t j = i + 1;
            while (inputNames_[j] != cur)
                ++j;
            old->second.first = j;
        }
        auto res = nameIndex_.emplace(name, NameSlot{i, 1});
        if (!res.second) {
            ++res.first->second.count;
            res.first->second.first = std::min(res.first->second.first, i);
        }
    }
    cur = name;
}

std::string SoPLA::getIName(uint32_t i) const {
    if (inputNames_.empty()) return std::string();
    if (i >= inputCount_) throw RuntimeException("SoPLA::getIName: Incorrect index");
    return nameAt(i);
}

int SoPLA::FindIName(const std::string& name) const {
    if (inputNames_.empty() || inputCount_ == 0) return -1;
    const uint32_t p = firstNamePos(name);
    return p == inputCount_ ? -1 : static_cast<int>(p);
}

uint32_t SoPLA::getNamePos(const std::string& name) const {
    return firstNamePos(name);
}

bool SoPLA::EqualInps(const SoPLA& other) const {
    if (inputCount_ == 0) return true;
    const NameMap& theirs = other.nameIndex();
    for (uint32_t i = 0; i < inputCount_; ++i)
        if (theirs.find(nameAt(i)) == theirs.end()) return false;
    return true;
}

// --- terms ---

SoPLA::iterator SoPLA::begin() {
    syncWidth();
    return terms_.begin();
}

SoPLA::iterator SoPLA::end() {
    return terms_.end();
}

SoPLA::const_iterator SoPLA::begin() const {
    syncWidth();
    return terms_.cbegin();
}

SoPLA::const_iterator SoPLA::end() const {
    return terms_.cend();
}

SoPLA::iterator SoPLA::AppendTerm(const Cube& c) {
    if (inputCount_ == 0)
        inputCount_ = c.size();
    else if (c.size() != inputCount_)
        throw RuntimeException("SoPLA::AppendTerm: incompatible terms");
    terms_.push_back(c);
    indexed_ = false;
    return std::prev(terms_.end());
}

SoPLA::iterator SoPLA::AppendTerm(const std::string& text) {
    Cube c;
    if (sparse_) {
        c.init_sparse(static_cast<uint32_t>(text.size()));
        for (uint32_t j = 0; j < text.size(); ++j)
            c.setLit(j, text[j]);
    } else {
        c.setCube(text);
    }
    c.setCubeType(CUBE_PRODUCT);
    return AppendTerm(c);
}

void SoPLA::AppendPLA(const SoPLA& other) {
    other.syncWidth();
    // A fixed count, so that appending a cover to itself terminates.
    size_t n = other.terms_.size();
    for (auto it = other.terms_.cbegin(); n > 0; ++it, --n)
        AppendTerm(*it);
}

SoPLA::iterator SoPLA::DeleteTerm(iterator it) {
    indexed_ = false;
    return terms_.erase(it);
}

void SoPLA::setLitByName(iterator term, const std::string& name, Literal value) {
    const uint32_t pos = firstNamePos(name);
    if (pos == inputCount_) throw RuntimeException("SoPLA::setLitByName: Variable name not found");
    if (term->size() < inputCount_) term->resize(inputCount_);
    term->setLit(pos, value);
}

Literal SoPLA::getLitByName(const_iterator term, const std::string& name) const {
    const uint32_t pos = firstNamePos(name);
    if (pos == inputCount_) throw RuntimeException("SoPLA::setLitByName: Variable name not found");
    // A column appended after the term was filled is don't care in it.
    if (pos >= term->size()) return Lit_dc;
    return term->getLit2(pos);
}

SoPLA::iterator SoPLA::getTerm(uint32_t i) {
    syncWidth();
    Reindex();
    return termIndex_[i];
}

void SoPLA::Reindex() {
    if (indexed_) return;
    termIndex_.clear();
    termIndex_.reserve(terms_.size());
    uint32_t pos = 0;
    for (auto it = terms_.begin(); it != terms_.end(); ++it) {
        it->setTermIndex(pos++);
        termIndex_.push_back(it);
    }
    indexed_ = true;
}

void SoPLA::Splice(SoPLA& other) {
    if (&other == this) return;
    if (terms_.empty()) {
        inputCount_ = other.inputCount_;
        phase_ = other.phase_;
    }
    if (inputCount_ != other.inputCount_ || phase_ != other.phase_)
        throw RuntimeException("SoPLA::Splice: Splicing different PLA types");
    syncWidth();
    other.syncWidth();
    terms_.splice(terms_.end(), other.terms_);
    indexed_ = false;
    other.indexed_ = false;
    other.termIndex_.clear();
}

void SoPLA::Splice(std::list<Cube>& cubes) {
    syncWidth();
    terms_.splice(terms_.end(), cubes);
    indexed_ = false;
}

// --- two-level operations and measures ---

void SoPLA::MergeSoPLAs(const SoPLA& other) {
    if (phase_ != other.phase_ || cnf_ != other.cnf_)
        throw RuntimeException("SoPLA::MergeSoPLAs: Incompatible PLAs");
    if (dff_ || other.dff_) throw RuntimeException("SoPLA::MergeSoPLAs: DFFs canot be merged");

    // Everything read from `other` is taken before this cover changes (other may be *this).
    const uint32_t oldCount = inputCount_;
    const uint32_t theirCount = other.inputCount_;
    std::vector<std::string> theirNames(theirCount);
    std::vector<uint32_t> map(theirCount);
    uint32_t next = oldCount;
    for (uint32_t i = 0; i < theirCount; ++i) {
        theirNames[i] = other.nameAt(i);
        const int p = FindIName(theirNames[i]);
        map[i] = p >= 0 ? static_cast<uint32_t>(p) : next++;
    }
    std::vector<Cube::SparseLits> theirTerms;
    std::vector<uint32_t> theirTypes;
    theirTerms.reserve(other.terms_.size());
    for (const Cube& t : other.terms_) {
        theirTerms.push_back(t.specified());
        theirTypes.push_back(t.getCubeType());
    }

    inputCount_ = next;
    for (Cube& t : terms_)
        t.resize(inputCount_);
    widthDirty_ = false;
    inputNames_.resize(inputCount_);
    for (uint32_t i = 0; i < theirCount; ++i)
        inputNames_[map[i]] = theirNames[i];
    invalidateNames();

    for (size_t k = 0; k < theirTerms.size(); ++k) {
        Cube c;
        if (sparse_)
            c.init_sparse(inputCount_);
        else
            c.init(inputCount_);
        for (const auto& e : theirTerms[k])
            if (e.first < theirCount) c.setLit(map[e.first], e.second);
        c.setCubeType(theirTypes[k]);
        AppendTerm(c);
    }
    indexed_ = false;
}

std::unique_ptr<SoPLA> SoPLA::Cofactor(const Cube& c) const {
    if (c.size() != inputCount_)
        throw RuntimeException("SoPLA::Cofactor: PLA and the term are incompatible");
    syncWidth();
    auto result = std::make_unique<SoPLA>(this);
    const Cube::SparseLits fixed = c.specified();
    for (const Cube& t : terms_) {
        bool clash = false;
        for (const auto& e : fixed) {
            const Literal v = t.getLit2(e.first);
            if (v != Lit_dc && v != e.second) {
                clash = true;
                break;
            }
        }
        if (clash) continue;
        Cube copy(t);
        for (const auto& e : fixed)
            copy.setLit_dc(e.first);
        result->AppendTerm(copy);
    }
    return result;
}

void SoPLA::RemoveAllDCCols() {
    if (inputCount_ == 1 || inputCount_ == 0) return;
    syncWidth();
    std::vector<bool> used(inputCount_, false);
    for (const Cube& t : terms_)
        forEachLiteral(t, [&](uint32_t p, Literal) {
            if (p < inputCount_) used[p] = true;
        });
    std::vector<uint32_t> newPos(inputCount_);
    uint32_t kept = 0;
    for (uint32_t j = 0; j < inputCount_; ++j)
        newPos[j] = used[j] ? kept++ : inputCount_;
    if (kept == inputCount_) return;

    for (Cube& t : terms_) {
        const Cube::SparseLits lits = t.specified();
        t.clear();
        t.resize(kept);
        for (const auto& e : lits)
            if (e.first < inputCount_) t.setLit(newPos[e.first], e.second);
    }
    if (!inputNames_.empty()) {
        std::vector<std::string> names;
        names.reserve(kept);
        for (uint32_t j = 0; j < inputNames_.size(); ++j)
            if (j >= inputCount_ || used[j]) names.push_back(std::move(inputNames_[j]));
        inputNames_ = std::move(names);
        invalidateNames();
    }
    inputCount_ = kept;
}

void SoPLA::RemoveAbsorbed() {
    if (terms_.size() < 2) return;
    syncWidth();
    for (auto a = terms_.begin(); a != terms_.end();) {
        bool aGone = false;
        for (auto b = std::next(a); b != terms_.end();) {
            if (a->contains(*b)) {
                b = terms_.erase(b);
                indexed_ = false;
            } else if (b->contains(*a)) {
                a = terms_.erase(a);
                indexed_ = false;
                aGone = true;
                break;
            } else {
                ++b;
            }
        }
        if (!aGone) ++a;
    }
}

uint32_t SoPLA::getLiterals() const {
    uint32_t n = 0;
    for (const Cube& t : terms_)
        n += countLiterals(t);
    return n;
}

uint32_t SoPLA::getGEs() const {
    uint32_t sum = 0;
    for (const Cube& t : terms_) {
        const uint32_t l = countLiterals(t);
        if (l >= 2) sum += l;
    }
    if (terms_.size() != 1) return sum + static_cast<uint32_t>(terms_.size());
    if (inputCount_ == 1 && countLiterals(terms_.front()) == 1) return 1;
    return sum;
}

bool SoPLA::operator==(const SoPLA& other) const {
    if (inputCount_ != other.inputCount_ || terms_.size() != other.terms_.size()) return false;
    syncWidth();
    other.syncWidth();
    const uint32_t n = inputCount_;
    // Column i of this cover is compared with column map[i] of the other.
    std::vector<uint32_t> map(n);
    if (inputNames_.empty() && other.inputNames_.empty()) {
        for (uint32_t i = 0; i < n; ++i)
            map[i] = i;
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            map[i] = other.firstNamePos(nameAt(i));
            if (map[i] == n) return false;
        }
    }
    // A term of this cover is matched by any term of the other whose projection through
    // the map has the same text.
    std::unordered_map<std::string, bool> projections;
    projections.reserve(other.terms_.size());
    for (const Cube& u : other.terms_) {
        std::string key(n, '-');
        for (uint32_t i = 0; i < n; ++i)
            key[i] = u.getLit(map[i]);
        projections.emplace(std::move(key), true);
    }
    for (const Cube& t : terms_)
        if (projections.find(t.getCube()) == projections.end()) return false;
    return true;
}

uint32_t SoPLA::Simulate(const Cube& x) const {
    syncWidth();
    const uint32_t on = phase_ ? 1 : 0;
    const uint32_t off = phase_ ? 0 : 1;
    if (!cnf_) {
        for (const Cube& t : terms_) {
            const uint32_t r = t.Simulate(x);
            if (r == 0) continue;
            if (r == 1) return on;
            if (r == 2) return 2;
            return 0;
        }
        return off;
    }
    for (const Cube& t : terms_) {
        const uint32_t r = t.Simulate(x);
        if (r == 1) continue;
        if (r == 2) return 2;
        if (r == 0) return off;
        return 1;
    }
    return on;
}

// --- gate recognition and construction ---

bool SoPLA::RecognizeGateName() {
    if (terms_.empty()) return false;
    syncWidth();
    const size_t count = terms_.size();
    const uint32_t n = inputCount_;
    auto name = [this](const char* on, const char* off) {
        gateName_ = phase_ ? on : off;
        return true;
    };

    if (n == 0) return name("1", "0");
    if (n == 1) {
        if (count != 1) {
            gateName_ = "unknown";
            return false;
        }
        switch (terms_.front().getLit2(0)) {
        case Lit_1:
            return name("buff", "inv");
        case Lit_0:
            return name("inv", "buff");
        default:
            return name("1", "0");
        }
    }
    if (n == 2) {
        const std::string s0 = terms_.front().getCube();
        if (count == 1 && !phase_ && s0 == "10") return name("", "imply");
        if (count == 2) {
            const std::string s1 = std::next(terms_.begin())->getCube();
            if (sameTextPair(s0, s1, "00", "11")) return name("xnor", "xor");
            if (sameTextPair(s0, s1, "01", "10")) return name("xor", "xnor");
            if (phase_ && sameTextPair(s0, s1, "0-", "-1")) return name("imply", "");
        }
    }
    if (count == 1) {
        const std::string s = terms_.front().getCube();
        if (s.find_first_not_of('1') == std::string::npos) return name("and", "nand");
        if (s.find_first_not_of('0') == std::string::npos) return name("nor", "or");
        gateName_ = "unknown";
        return false;
    }
    if (count == n) {
        // Diagonal, then anti-diagonal (only when the first term leaves position 0 open).
        auto sameAlong = [this, n](bool anti, Literal& v) {
            uint32_t j = 0;
            for (auto it = terms_.begin(); it != terms_.end(); ++it, ++j) {
                const Literal l = it->getLit2(anti ? n - 1 - j : j);
                if (j == 0) v = l;
                if (l != v) return false;
            }
            return v != Lit_dc;
        };
        Literal v = Lit_dc;
        bool found = sameAlong(false, v);
        if (!found && terms_.front().getLit2(0) == Lit_dc) found = sameAlong(true, v);
        if (found) return v == Lit_1 ? name("or", "nor") : name("nand", "and");
    }
    gateName_ = "unknown";
    return false;
}

std::string SoPLA::getGateName() {
    if (gateName_.empty()) RecognizeGateName();
    return gateName_;
}

bool SoPLA::isConstant() const {
    if (terms_.empty()) return true;
    if (terms_.size() > 1) return false;
    return inputCount_ == 0 || countLiterals(terms_.front()) == 0;
}

bool SoPLA::isBuffer() const {
    if (terms_.size() != 1 || inputCount_ != 1) return false;
    const Literal l = terms_.front().getLit2(0);
    return (l == Lit_1 && phase_) || (l == Lit_0 && !phase_);
}

bool SoPLA::isInverter() const {
    if (terms_.size() != 1 || inputCount_ != 1) return false;
    const Literal l = terms_.front().getLit2(0);
    return (l == Lit_0 && phase_) || (l == Lit_1 && !phase_);
}

bool SoPLA::isTrivial() const {
    return isConstant() || isBuffer() || isInverter();
}

bool SoPLA::isAND_OR() const {
    return inputCount_ >= 2 && terms_.size() >= 2 && getLiterals() > inputCount_;
}

bool SoPLA::isXOR() const {
    if (inputCount_ != 2 || terms_.size() != 2) return false;
    syncWidth();
    const std::string a = terms_.front().getCube();
    const std::string b = terms_.back().getCube();
    return sameTextPair(a, b, "00", "11") || sameTextPair(a, b, "01", "10");
}

void SoPLA::makeGate(uint32_t n, bool phase, const std::string& name,
                     const std::vector<std::string>& cubes) {
    clearData();
    inputNames_.clear();
    invalidateNames();
    inputCount_ = n;
    phase_ = phase;
    for (const std::string& c : cubes)
        AppendTerm(c);
    gateName_ = name;
}

void SoPLA::Make_AND(uint32_t n) {
    makeGate(n, true, "and", {std::string(n, '1')});
}

void SoPLA::Make_NAND(uint32_t n) {
    makeGate(n, false, "nand", {std::string(n, '1')});
}

void SoPLA::Make_OR(uint32_t n) {
    makeGate(n, false, "or", {std::string(n, '0')});
}

void SoPLA::Make_NOR(uint32_t n) {
    makeGate(n, true, "nor", {std::string(n, '0')});
}

void SoPLA::Make_XOR() {
    makeGate(2, true, "xor", {"01", "10"});
}

void SoPLA::Make_XNOR() {
    makeGate(2, true, "xnor", {"00", "11"});
}

void SoPLA::Make_Inv() {
    makeGate(1, true, "inv", {"0"});
}

void SoPLA::Make_Buff() {
    makeGate(1, true, "buff", {"1"});
}

void SoPLA::Make_ONE() {
    makeGate(1, true, "one", {"-"});
}

void SoPLA::Make_ZERO() {
    makeGate(1, false, "zero", {"-"});
}

bool SoPLA::RecognizeFunction(const std::string& type, uint32_t n) {
    if (inputCount_ != 0 && inputCount_ != n)
        throw RuntimeException("SoPLA::RecognizeFunction: incorrect number of inputs");
    const std::string t = toUpper(type);
    gateName_ = t;
    clearData();
    inputCount_ = n;

    // Parity gates list every minterm; beyond this width the cover cannot be held.
    const uint32_t kMaxParityInputs = 20;
    if (t == "AND" || t == "NAND") {
        phase_ = t == "AND";
        AppendTerm(std::string(n, '1'));
    } else if (t == "OR" || t == "NOR") {
        phase_ = t == "NOR";
        AppendTerm(std::string(n, '0'));
    } else if (t == "XOR" || t == "XNOR") {
        if (n > kMaxParityInputs)
            throw RuntimeException("SoPLA::RecognizeFunction: too many inputs");
        phase_ = true;
        const uint32_t odd = t == "XOR" ? 1 : 0;
        for (uint32_t m = 0; m < (1u << n); ++m)
            if ((__builtin_popcount(m) & 1u) == odd) AppendTerm(int2bin(m, n));
    } else if (t == "BUF" || t == "BUFF") {
        phase_ = true;
        AppendTerm(std::string("1"));
    } else if (t == "INV" || t == "NOT") {
        phase_ = true;
        AppendTerm(std::string("0"));
    } else if (t == "ONE" || t == "ZERO") {
        phase_ = t == "ONE";
        AppendTerm(std::string("-"));
    } else if (t.compare(0, 6, "LUT_0X") == 0) {
        phase_ = true;
        std::string bits;
        for (size_t i = 6; i < t.size(); ++i)
            bits += hex2bin(t[i]);
        // Digit m counted from the right end; a text too short for 2^n minterms leaves the
        // missing minterms out.
        const uint64_t minterms = n >= 64 ? UINT64_MAX : (uint64_t(1) << n);
        const uint64_t limit = std::min<uint64_t>(minterms, bits.size());
        for (uint64_t m = 0; m < limit; ++m)
            if (bits[bits.size() - 1 - m] == '1') AppendTerm(int2bin(static_cast<uint32_t>(m), n));
    } else {
        return false;
    }
    return true;
}

double SoPLA::getGateG() const {
    const double n = inputCount_;
    if (gateName_ == "NOT") return 1.0;
    if (gateName_ == "NAND") return (n + 2.0) / 3.0;
    if (gateName_ == "NOR") return (2.0 * n + 1.0) / 3.0;
    if (gateName_ == "XOR") return 8.0;
    if (gateName_ == "C") return n;
    throw RuntimeException("SoPLA::getGateG: Unknown gate type");
}

double SoPLA::getGateP() const {
    const double n = inputCount_;
    if (gateName_ == "NOT") return 1.0;
    if (gateName_ == "NAND" || gateName_ == "NOR") return n;
    if (gateName_ == "XOR") return 4.0;
    if (gateName_ == "C") return 2.0;
    throw RuntimeException("SoPLA::getGateP: Unknown gate type");
}
