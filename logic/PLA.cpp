#include "logic/PLA.h"

#include "util/myExcept.h"

#include <utility>

namespace {

// Membership of a dense input in a dense product cube, with the rule of Cube::Simulate:
// scanning from position 0, an input '-' where the cube cares gives 2 at once, a
// contradicting literal gives 0 at once; otherwise the input lies in the cube (1).
uint32_t productValue(const std::string& cube, const std::string& input) {
    const size_t n = cube.size();
    for (size_t p = 0; p < n; ++p) {
        const char c = cube[p];
        if (c == '-') continue;
        const char x = input[p];
        if (x == '-') return 2;
        if (x != c) return 0;
    }
    return 1;
}

// Per-output flags kept above the value bits during Simulate.
constexpr uint32_t kValueMask = 0x3;
constexpr uint32_t kDcCovered = 0x4;
constexpr uint32_t kOnOffClash = 0x8;

} // namespace

// ---------------------------------------------------------------------------------------
// construction and shape

PLA::PLA(uint32_t inputs, uint32_t outputs) : inputs_(inputs), outputs_(outputs) {}

PLA::PLA(uint32_t inputs, uint32_t outputs, const PLA_type& type)
    : inputs_(inputs), outputs_(outputs), type_(type) {}

PLA::PLA(const PLA& other)
    : inputs_(other.inputs_), outputs_(other.outputs_), type_(other.type_),
      indexed_(other.indexed_), unique_(other.unique_), gateName_(other.gateName_),
      dff_(other.dff_), terms_(other.terms_), inames_(other.inames_), onames_(other.onames_) {
    // The tree holds positions into the term list: give the copy a tree of its own.
    if (unique_) rebuildTree();
}

PLA& PLA::operator=(const PLA& other) {
    if (this == &other) return *this;
    PLA copy(other);
    *this = std::move(copy);
    return *this;
}

PLA::PLA(const SoPLA& cover) : inputs_(cover.getInputs()), outputs_(1) {
    type_ = cover.getPhase() ? PLA_type("f") : PLA_type("r");
    const char out = cover.getPhase() ? '1' : '0';
    terms_.reserve(cover.getTermCount());
    for (const Cube& c : cover) {
        Term t(inputs_, 1);
        if (!c.isSparse() && c.size() == inputs_) {
            t.setCube(c.denseLits());
        } else {
            // Sparse clause storage: positions missing from the list are don't cares.
            for (const auto& lit : c.specified())
                if (lit.first < inputs_) t.setLit(lit.first, lit.second);
        }
        t.setCubeType(CUBE_PRODUCT);
        t.setOM(0, out);
        AppendTerm(t);
    }
    if (!cover.getINames().empty()) {
        inames_ = cover.getINames();
        inames_.resize(inputs_);
    }
    if (!cover.getName().empty()) onames_.assign(1, cover.getName());
}

PLA::PLA(const std::list<Term>& terms, const PLA_type& type) : type_(type) {
    terms_.reserve(terms.size());
    AppendTermList(terms);
}

void PLA::clear() {
    terms_.clear();
    tree_ = TTree();
    inames_.clear();
    onames_.clear();
    gateName_.clear();
    inputs_ = 0;
    outputs_ = 0;
    indexed_ = false;
}

void PLA::setInputs(uint32_t n) {
    if (inputs_ != 0 && inputs_ != n)
        throw RuntimeException("PLA::SetInputs: Changing the number of PLA inputs");
    inputs_ = n;
}

void PLA::setOutputs(uint32_t n) {
    if (outputs_ != 0 && outputs_ != n)
        throw RuntimeException("PLA::SetOutputs: Changing the number of PLA outputs");
    outputs_ = n;
}

void PLA::setUnique() {
    unique_ = true;
    rebuildTree();
}

void PLA::setNonUnique() {
    unique_ = false;
    tree_ = TTree();
}

// Inserts every cube into a fresh tree. Terms with a cube seen before are merged into the
// first one (their '1' outputs are added to it) and dropped, so the flag's invariant holds.
void PLA::rebuildTree() {
    tree_ = TTree(inputs_);
    std::vector<size_t> mergeInto(terms_.size(), SIZE_MAX);
    bool merged = false;
    for (size_t i = 0; i < terms_.size(); ++i) {
        TTreeNode* node = tree_.InsertTerm(terms_[i].getCube());
        if (node->hasTerm()) {
            mergeInto[i] = node->getTerm();
            merged = true;
        } else {
            node->SetTerm(i);
        }
    }
    if (merged) {
        std::vector<Term> kept;
        kept.reserve(terms_.size());
        std::vector<size_t> newPos(terms_.size(), SIZE_MAX);
        for (size_t i = 0; i < terms_.size(); ++i) {
            if (mergeInto[i] == SIZE_MAX) {
                newPos[i] = kept.size();
                kept.push_back(std::move(terms_[i]));
            } else {
                Term& into = kept[newPos[mergeInto[i]]];
                const std::string& om = terms_[i].getOM();
                for (uint32_t j = 0; j < om.size(); ++j)
                    if (om[j] == '1') into.setOM(j, '1');
            }
        }
        terms_.swap(kept);
        tree_ = TTree(inputs_);
        for (size_t i = 0; i < terms_.size(); ++i)
            tree_.InsertTerm(terms_[i].getCube())->SetTerm(i);
    }
    if (indexed_)
        for (size_t i = 0; i < terms_.size(); ++i)
            terms_[i].setTermIndex(static_cast<uint32_t>(i));
}

// ---------------------------------------------------------------------------------------
// terms

uint32_t PLA::AppendTerm(const Term& t) {
    if (inputs_ == 0 && outputs_ == 0 && terms_.empty()) {
        inputs_ = t.size();
        outputs_ = t.getOutputs();
    } else if (inputs_ != t.size() || outputs_ != t.getOutputs()) {
        throw RuntimeException("PLA::AppendTerm: incompatible terms");
    }

    if (!unique_) {
        const auto pos = static_cast<uint32_t>(terms_.size());
        terms_.push_back(t);
        if (indexed_) terms_.back().setTermIndex(pos);
        return pos;
    }

    if (tree_.getInputs() != inputs_) tree_.setInputs(inputs_);
    TTreeNode* node = tree_.InsertTerm(t.getCube());
    if (node->hasTerm()) {
        const auto pos = static_cast<uint32_t>(node->getTerm());
        Term& stored = terms_[pos];
        const std::string& om = t.getOM();
        for (uint32_t j = 0; j < om.size(); ++j)
            if (om[j] == '1') stored.setOM(j, '1');
        return pos;
    }
    const auto pos = static_cast<uint32_t>(terms_.size());
    terms_.push_back(t);
    if (indexed_) terms_.back().setTermIndex(pos);
    node->SetTerm(pos);
    if (tree_.getTermCount() != terms_.size())
        throw RuntimeException("PLA:AppendTerm: Inconsistency between PLA and TT");
    return pos;
}

uint32_t PLA::AppendTerm(const std::string& in, const std::string& out) {
    Term t;
    t.setCube(in);
    t.setOM(out);
    t.setCubeType(CUBE_PRODUCT);
    return AppendTerm(t);
}

void PLA::AppendPLA(const PLA& other) {
    if (&other == this) {
        const std::vector<Term> copy(other.terms_);
        for (const Term& t : copy)
            AppendTerm(t);
        return;
    }
    for (const Term& t : other.terms_)
        AppendTerm(t);
}

void PLA::AppendTermList(const std::list<Term>& terms) {
    for (const Term& t : terms)
        AppendTerm(t);
}

Term& PLA::termAt(size_t pos, const char* op) {
    if (pos >= terms_.size())
        throw RuntimeException(std::string("PLA::") + op + ": Term index out of range");
    return terms_[pos];
}

void PLA::setLit_0(size_t pos, uint32_t j) {
    termAt(pos, "setLit_0").setLit_0(j);
    if (unique_) rebuildTree();
}

void PLA::setLit_1(size_t pos, uint32_t j) {
    termAt(pos, "setLit_1").setLit_1(j);
    if (unique_) rebuildTree();
}

void PLA::setLit_dc(size_t pos, uint32_t j) {
    termAt(pos, "setLit_dc").setLit_dc(j);
    if (unique_) rebuildTree();
}

void PLA::setLit(size_t pos, uint32_t j, Literal v) {
    if (v != Lit_0 && v != Lit_1 && v != Lit_dc)
        throw RuntimeException("PLA::setLit: Wrong literal value");
    termAt(pos, "setLit").setLit(j, v);
    if (unique_) rebuildTree();
}

void PLA::setLit(size_t pos, uint32_t j, char c) {
    if (c != '0' && c != '1' && c != '-')
        throw RuntimeException("PLA::setLit: Wrong literal value");
    termAt(pos, "setLit").setLit(j, c);
    if (unique_) rebuildTree();
}

void PLA::setOM(size_t pos, uint32_t j, char c) {
    termAt(pos, "setOM").setOM(j, c);
}

void PLA::NegateInput(uint32_t j) {
    for (Term& t : terms_) {
        if (t.isLit_0(j))
            t.setLit_1(j);
        else if (t.isLit_1(j))
            t.setLit_0(j);
    }
    // Negation maps distinct cubes to distinct cubes, but their texts changed.
    if (unique_) rebuildTree();
}

void PLA::NegateOutput(uint32_t j) {
    for (Term& t : terms_) {
        if (t.isOM_0(j))
            t.setOM(j, '1');
        else if (t.isOM_1(j))
            t.setOM(j, '0');
    }
}

// ---------------------------------------------------------------------------------------
// names

void PLA::NameVars() {
    if (inames_.empty() && inputs_ > 0) {
        inames_.reserve(inputs_);
        for (uint32_t i = 0; i < inputs_; ++i)
            inames_.push_back("x" + std::to_string(i));
    }
    if (onames_.empty() && outputs_ > 0) {
        onames_.reserve(outputs_);
        for (uint32_t i = 0; i < outputs_; ++i)
            onames_.push_back("y" + std::to_string(i));
    }
}

void PLA::setIName(uint32_t j, const std::string& name) {
    if (j >= inputs_ || (!inames_.empty() && inames_.size() != inputs_))
        throw RuntimeException("PLA::setIName: Incorrect index");
    if (inames_.empty()) inames_.assign(inputs_, std::string());
    inames_[j] = name;
}

void PLA::setOName(uint32_t j, const std::string& name) {
    if (j >= outputs_ || (!onames_.empty() && onames_.size() != outputs_))
        throw RuntimeException("PLA::setOName: Incorrect index");
    if (onames_.empty()) onames_.assign(outputs_, std::string());
    onames_[j] = name;
}

std::string PLA::getIName(uint32_t j) const {
    if (inames_.empty()) return std::string();
    if (j >= inames_.size()) throw RuntimeException("PLA::getIName: Wrong name index");
    return inames_[j];
}

std::string PLA::getOName(uint32_t j) const {
    if (onames_.empty()) return std::string();
    if (j >= onames_.size()) throw RuntimeException("PLA::getOName: Wrong name index");
    return onames_[j];
}

std::string PLA::getGateName() {
    if (gateName_.empty()) RecognizeGateName();
    return gateName_;
}

// A single-output ON-set or OFF-set PLA is named by the recognition of its cover; any
// other PLA is "unknown".
bool PLA::RecognizeGateName() {
    if (outputs_ == 1 && (type_.f || type_.r)) {
        bool incomplete = false;
        for (const Term& t : terms_)
            if (t.getOM()[0] == '-') {
                incomplete = true;
                break;
            }
        if (!incomplete) {
            std::unique_ptr<SoPLA> cover = ToSoPLA(0);
            cover->setGateName(std::string());
            const bool named = cover->RecognizeGateName();
            gateName_ = cover->peekGateName();
            return named;
        }
    }
    gateName_ = "unknown";
    return false;
}

// ---------------------------------------------------------------------------------------
// gate functions

void PLA::makeGate(uint32_t n, const char* type, const char* name,
                   std::initializer_list<std::pair<std::string, std::string>> terms) {
    clear();
    type_ = PLA_type(type);
    inputs_ = n;
    outputs_ = 1;
    for (const auto& t : terms)
        AppendTerm(t.first, t.second);
    gateName_ = name;
}

void PLA::Make_AND(uint32_t n) {
    makeGate(n, "f", "and", {{std::string(n, '1'), "1"}});
}
void PLA::Make_NAND(uint32_t n) {
    makeGate(n, "r", "nand", {{std::string(n, '1'), "0"}});
}
void PLA::Make_OR(uint32_t n) {
    makeGate(n, "r", "or", {{std::string(n, '0'), "0"}});
}
void PLA::Make_NOR(uint32_t n) {
    makeGate(n, "f", "nor", {{std::string(n, '0'), "1"}});
}
void PLA::Make_XOR() {
    makeGate(2, "f", "xor", {{"01", "1"}, {"10", "1"}});
}
void PLA::Make_XNOR() {
    makeGate(2, "f", "xnor", {{"00", "1"}, {"11", "1"}});
}
void PLA::Make_Inv() {
    makeGate(1, "f", "inv", {{"0", "1"}});
}
void PLA::Make_Buff() {
    makeGate(1, "f", "buff", {{"1", "1"}});
}
void PLA::Make_ONE() {
    makeGate(1, "f", "one", {{"-", "1"}});
}
void PLA::Make_ZERO() {
    makeGate(1, "r", "zero", {{"-", "0"}});
}

// ---------------------------------------------------------------------------------------
// queries

bool PLA::isConstant() const {
    if (terms_.size() > 1 || !gateName_.empty()) return false;
    return inputs_ == 0 || terms_.empty() || terms_.front().is_empty();
}

bool PLA::singleLiteral(char onInput, char offInput) const {
    if (terms_.size() != 1 || inputs_ != 1 || outputs_ != 1) return false;
    if (type_.f && type_.r) return false;
    const Term& t = terms_.front();
    if (type_.f) return t.getLit(0) == onInput && t.getOM()[0] == '1';
    if (type_.r) return t.getLit(0) == offInput && t.getOM()[0] == '0';
    return true;
}

bool PLA::isBuffer() const {
    return singleLiteral('1', '0');
}

bool PLA::isInverter() const {
    return singleLiteral('0', '1');
}

bool PLA::isTrivial() const {
    return isConstant() || isBuffer() || isInverter();
}

// Each output starts with 3 (no information). ON-set and OFF-set terms decide in list
// order; a point inside a don't-care term is don't care whatever the other terms say, and
// only then is an ON/OFF overlap tolerated. Unlisted points take the complement of the
// listed set; when the type lists both the ON-set and the OFF-set (f and r), they are
// don't cares, as in the Berkeley format.
namespace {

// One term's effect on an output's value during Simulate: the term's output character c,
// r = 1 when the input lies in the term's cube, 2 when it may.
void applyTerm(uint32_t& v, char c, uint32_t r, const PLA_type& type) {
    const uint32_t cur = v & kValueMask;
    if (c == '1' && type.f) {
        if (r == 1) {
            if (cur == 0)
                v |= kOnOffClash;
            else
                v = (v & ~kValueMask) | 1;
        } else if (r == 2 && cur != 1) {
            v = (v & ~kValueMask) | 2;
        }
    } else if (c == '0' && type.r) {
        if (r == 1) {
            if (cur == 1)
                v |= kOnOffClash;
            else
                v = (v & ~kValueMask);
        } else if (r == 2 && cur != 0) {
            v = (v & ~kValueMask) | 2;
        }
    } else if (c == '-' && type.d && r == 1) {
        v |= kDcCovered;
    }
}

// The final value once every term was applied: what no term lists follows the type.
uint32_t resolveValue(uint32_t v, const PLA_type& type) {
    if (v & kDcCovered) return 2;
    if (v & kOnOffClash) throw RuntimeException("the ON-set and the OFF-set of the target overlap");
    if (v == 3) {
        if (type.f && type.r) return 2;
        if (type.f) return 0;
        if (type.r) return 1;
    }
    return v;
}

} // namespace

std::vector<uint32_t> PLA::Simulate(const Cube& input) const {
    std::vector<uint32_t> val(outputs_, 3);
    if (!terms_.empty() && (type_.f || type_.d || type_.r)) {
        if (input.size() != inputs_)
            throw RuntimeException("Cube::Simulate: Incorrect number of inputs");
        const bool denseInput = !input.isSparse();
        for (const Term& t : terms_) {
            const uint32_t r = (denseInput && !t.isSparse() && t.getCubeType() == CUBE_PRODUCT)
                                   ? productValue(t.denseLits(), input.denseLits())
                                   : t.Simulate(input);
            if (r == 0) continue;
            const std::string& om = t.getOM();
            for (uint32_t j = 0; j < outputs_; ++j)
                applyTerm(val[j], om[j], r, type_);
        }
    }
    for (uint32_t& v : val)
        v = resolveValue(v, type_);
    return val;
}

std::vector<uint8_t> PLA::SimulateAll() const {
    if (inputs_ > 30) throw RuntimeException("a target of more than 30 inputs is too large to tabulate");
    const size_t rows = size_t(1) << inputs_;
    std::vector<uint8_t> values(rows * outputs_);
    bool products = true;
    for (const Term& t : terms_)
        products = products && !t.isSparse() && t.getCubeType() == CUBE_PRODUCT;
    if (!products) {
        // Other cube kinds: one minterm at a time.
        Cube row(std::string(inputs_, '0'));
        for (size_t m = 0; m < rows; ++m) {
            std::string text(inputs_, '0');
            for (uint32_t j = 0; j < inputs_; ++j)
                if ((m >> j) & 1u) text[j] = '1';
            row.setCube(text);
            const std::vector<uint32_t> v = Simulate(row);
            for (uint32_t o = 0; o < outputs_; ++o)
                values[m * outputs_ + o] = static_cast<uint8_t>(v[o]);
        }
        return values;
    }
    // Every term applied to the minterms its cube covers, in term order: the same steps, per
    // minterm, as Simulate takes.
    std::vector<uint32_t> state(rows * outputs_, 3);
    if (type_.f || type_.d || type_.r)
        for (const Term& t : terms_) {
            const std::string& cube = t.denseLits();
            uint64_t base = 0, free = 0;
            for (uint32_t j = 0; j < inputs_; ++j) {
                if (cube[j] == '1') base |= uint64_t(1) << j;
                if (cube[j] == '-') free |= uint64_t(1) << j;
            }
            const std::string& om = t.getOM();
            uint64_t sub = 0;
            do {
                uint32_t* v = &state[(base | sub) * outputs_];
                for (uint32_t o = 0; o < outputs_; ++o)
                    applyTerm(v[o], om[o], 1, type_);
                sub = (sub - free) & free;
            } while (sub != 0);
        }
    for (size_t x = 0; x < state.size(); ++x)
        values[x] = static_cast<uint8_t>(resolveValue(state[x], type_));
    return values;
}

void PLA::copyNamesTo(SoPLA& cover, uint32_t j) const {
    for (uint32_t i = 0; i < inames_.size() && i < cover.getInputs(); ++i)
        cover.setIName(i, inames_[i]);
    if (!onames_.empty()) cover.setName(getOName(j));
    if (!gateName_.empty()) cover.setGateName(gateName_);
}

std::unique_ptr<SoPLA> PLA::ToSoPLA(uint32_t j, bool onset) const {
    if (onset ? !type_.f : !type_.r)
        throw RuntimeException("PLA::ToSoPLA: SoPLA cannot be generated");
    if (!terms_.empty() && j >= outputs_)
        throw RuntimeException("PLA::ToSoPLA: Wrong output index");
    auto cover = std::make_unique<SoPLA>(inputs_, onset);
    const char listed = onset ? '1' : '0';
    for (const Term& t : terms_) {
        const char c = t.getOM()[j];
        if (c == '-') throw RuntimeException("PLA::ToSoPLA: incompletely specified function");
        if (c == listed) cover->AppendTerm(t.getCube());
    }
    copyNamesTo(*cover, j);
    return cover;
}

std::unique_ptr<SoPLA> PLA::ToSoPLA(uint32_t j) const {
    if (type_.f) return ToSoPLA(j, true);
    if (type_.r) return ToSoPLA(j, false);
    if (!terms_.empty()) throw RuntimeException("PLA::ToSoPLA: SoPLA cannot be generated");
    // Nothing listed: the constant 0.
    auto cover = std::make_unique<SoPLA>(inputs_, false);
    cover->AppendTerm(std::string(inputs_, '-'));
    copyNamesTo(*cover, j);
    return cover;
}
