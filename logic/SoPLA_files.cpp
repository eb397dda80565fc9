// Text files of a SoPLA: the PLA form of a cover, and DIMACS CNF, OPB and the readable
// clause listing of a clause set, plus the DIMACS reader.
#include "logic/SoPLA.h"

#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <limits>

namespace {

// Buffered writer over a C stream: the clause sets run to hundreds of thousands of lines.
class OutBuffer {
public:
    explicit OutBuffer(const std::string& file) : f_(std::fopen(file.c_str(), "wb")) {
        buf_.reserve(kChunk + 256);
    }
    ~OutBuffer() { close(); }
    OutBuffer(const OutBuffer&) = delete;
    OutBuffer& operator=(const OutBuffer&) = delete;

    bool ok() const { return f_ != nullptr; }
    OutBuffer& operator<<(const std::string& s) {
        buf_.append(s);
        return spill();
    }
    OutBuffer& operator<<(const char* s) {
        buf_.append(s);
        return spill();
    }
    OutBuffer& operator<<(char c) {
        buf_.push_back(c);
        return spill();
    }
    OutBuffer& num(int64_t v) {
        char tmp[24];
        const auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
        buf_.append(tmp, res.ptr);
        return spill();
    }
    // Write errors are not reported.
    void close() {
        if (!f_) return;
        flush();
        std::fclose(f_);
        f_ = nullptr;
    }

private:
    static constexpr size_t kChunk = 1 << 16;
    OutBuffer& spill() {
        if (buf_.size() >= kChunk) flush();
        return *this;
    }
    void flush() {
        if (!buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), f_);
        buf_.clear();
    }

    std::FILE* f_;
    std::string buf_;
};

// Calls f(column, negative) for every literal of a clause, in increasing column order.
template <class F> void forEachClauseLiteral(const Cube& c, F f) {
    if (c.isSparse()) {
        for (const auto& e : c.sparseLits())
            f(e.first, e.second == Lit_0);
        return;
    }
    const std::string& s = c.denseLits();
    for (uint32_t j = 0; j < s.size(); ++j)
        if (s[j] != '-') f(j, c.getLit2(j) == Lit_0);
}

// Largest variable count a CNF file may declare: the name of every variable is held in
// memory, so far larger counts could not be loaded anyway.
constexpr uint64_t kMaxCnfVariables = uint64_t(1) << 22;
// Above this many variables the clauses read are kept in sparse storage.
constexpr uint32_t kDenseClauseLimit = 128;

// A decimal number as strtol reads it; non-numbers read as 0. Saturates instead of
// overflowing.
int64_t readNumber(const std::string& tok) {
    size_t i = 0;
    bool neg = false;
    if (i < tok.size() && (tok[i] == '+' || tok[i] == '-')) neg = tok[i++] == '-';
    uint64_t v = 0;
    const uint64_t cap = uint64_t(std::numeric_limits<int64_t>::max());
    for (; i < tok.size() && tok[i] >= '0' && tok[i] <= '9'; ++i) {
        v = v * 10 + uint64_t(tok[i] - '0');
        if (v > cap) v = cap;
    }
    return neg ? -int64_t(v) : int64_t(v);
}

// The variable number of a name comment "c <v> <name>" (v written as SaveCNF writes it),
// or 0 when the line is no such comment; `rest` receives the name.
uint64_t nameCommentVariable(const std::string& line, std::string& rest) {
    if (line.size() < 4 || line[0] != 'c' || line[1] != ' ') return 0;
    size_t i = 2;
    if (line[i] < '1' || line[i] > '9') return 0;
    uint64_t v = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        v = v * 10 + uint64_t(line[i] - '0');
        if (v > kMaxCnfVariables) return 0;
    }
    if (i >= line.size() || line[i] != ' ') return 0;
    rest = line.substr(i + 1);
    return v;
}

} // namespace

void SoPLA::SavePLA(const std::string& file) const {
    OutBuffer out(file);
    if (!out.ok()) throw IOException("Cannot create a file: " + file);
    syncWidth();
    out << ".i ";
    out.num(inputCount_) << "\n.o 1\n.p ";
    out.num(static_cast<int64_t>(terms_.size())) << '\n';
    if (!phase_) out << ".type r\n";
    if (!inputNames_.empty()) {
        out << ".ilb";
        for (uint32_t i = 0; i < inputCount_; ++i)
            out << ' ' << nameAt(i);
        out << '\n';
    }
    if (!outputName_.empty()) out << ".ob " << outputName_ << '\n';
    out << '\n';
    const char value = phase_ ? '1' : '0';
    for (const Cube& t : terms_)
        out << t.getCube() << ' ' << value << '\n';
    out << ".e\n";
}

void SoPLA::SaveCNF(const std::string& file) const {
    if (!cnf_) throw RuntimeException("SoPLA::SaveCNF: SoPLA not CNF");
    OutBuffer out(file);
    if (!out.ok()) throw IOException("Cannot create a file: " + file);
    for (uint32_t v = 1; v <= inputCount_; ++v) {
        out << "c ";
        out.num(v) << ' ' << nameAt(v - 1) << '\n';
    }
    for (const std::string& c : comments_)
        out << c << '\n';
    out << "p cnf ";
    out.num(inputCount_) << ' ';
    out.num(static_cast<uint32_t>(terms_.size())) << '\n';
    for (const Cube& t : terms_) {
        forEachClauseLiteral(t, [&out](uint32_t col, bool neg) {
            if (neg) out << '-';
            out.num(int64_t(col) + 1) << ' ';
        });
        out << "0\n";
    }
}

void SoPLA::SavePBO(const std::string& file, const std::string& objective) const {
    if (!cnf_) throw RuntimeException("SoPLA::SavePBO: SoPLA not CNF");
    OutBuffer out(file);
    if (!out.ok()) throw IOException("Cannot create a file: " + file);
    out << "* #variable= ";
    out.num(inputCount_) << " #constraint= ";
    out.num(static_cast<uint32_t>(terms_.size())) << '\n';
    out << "min: " << objective << ";\n";
    for (const Cube& t : terms_) {
        int64_t negatives = 0;
        forEachClauseLiteral(t, [&](uint32_t col, bool neg) {
            negatives += neg ? 1 : 0;
            out << (neg ? "-1*x" : "+1*x");
            out.num(int64_t(col) + 1) << ' ';
        });
        out << " >= ";
        out.num(1 - negatives) << ";\n";
    }
}

void SoPLA::SaveCNF_text(const std::string& file) const {
    if (!cnf_) throw RuntimeException("SoPLA::SaveCNF_text: SoPLA not CNF");
    OutBuffer out(file);
    if (!out.ok()) throw IOException("Cannot create a file: " + file);
    for (const Cube& t : terms_) {
        out << '(';
        bool first = true;
        forEachClauseLiteral(t, [&](uint32_t col, bool neg) {
            if (!first) out << " + ";
            first = false;
            out << nameAt(col);
            if (neg) out << '\'';
        });
        out << ")\n";
    }
}

void SoPLA::LoadCNF(const std::string& file) {
    terms_.clear();
    termIndex_.clear();
    indexed_ = false;
    inputNames_.clear();
    nameIndex_.clear();
    nameIndexValid_ = true;
    inputCount_ = 0;
    widthDirty_ = false;
    cnf_ = true;

    std::ifstream in(file, std::ios::binary);
    if (!in) throw IOException("Cannot open file: " + file);
    comments_.clear();
    const std::string damaged = "Bad or damaged CNF file: " + file;

    uint64_t declaredClauses = 0;
    uint32_t variables = 0;
    bool sawProblemLine = false;
    const std::string badCount =
        "Bad or damaged CNF file (invalid number of terms): " + file;
    std::string line;
    while (!in.eof()) {
        GetLine(in, line);
        const char kind = line.empty() ? '\0' : line[0];
        if (kind == '#') continue;
        if (kind == 'c') {
            comments_.push_back(line);
            continue;
        }
        if (kind == 'p') {
            size_t pos = 0;
            if (GetToken(line, pos) != "p") continue;
            if (GetToken(line, pos) != "cnf") throw IOException(damaged);
            const uint32_t nv = static_cast<uint32_t>(readNumber(GetToken(line, pos)));
            if (nv > kMaxCnfVariables) throw IOException(damaged);
            variables = nv;
            inputCount_ = nv;
            sawProblemLine = true;
            declaredClauses = static_cast<uint32_t>(readNumber(GetToken(line, pos)));
            continue;
        }
        // A clause: literals up to the first 0 (or the end of the line). Clauses before any
        // problem line belong to a file without one, which has no variables to refer to.
        if (!sawProblemLine && !line.empty()) throw IOException(badCount);
        Cube clause;
        if (sparse_ || variables > kDenseClauseLimit)
            clause.init_sparse(variables);
        else
            clause.init(variables);
        clause.setCubeType(CUBE_SUM);
        bool any = false;
        size_t pos = 0;
        for (;;) {
            const std::string tok = GetToken(line, pos);
            if (tok.empty()) break;
            const int64_t v = readNumber(tok);
            if (v == 0) break;
            const uint64_t mag = v < 0 ? uint64_t(-(v + 1)) + 1 : uint64_t(v);
            if (mag > variables)
                throw IOException("Bad or damaged CNF file: " + file + ": a clause names variable " +
                                  int2string(static_cast<uint32_t>(std::min<uint64_t>(mag, UINT32_MAX))) +
                                  " of " + int2string(variables));
            clause.setLit(static_cast<uint32_t>(mag - 1), v < 0 ? Lit_0 : Lit_1);
            any = true;
        }
        if (!any) break;
        terms_.push_back(std::move(clause));
    }
    if (terms_.size() != declaredClauses || variables == 0) throw IOException(badCount);
    in.close();

    // Names: the first comment "c <v> <name>" of each variable.
    inputNames_.assign(variables, std::string());
    std::vector<bool> named(variables, false);
    std::string rest;
    for (const std::string& c : comments_) {
        const uint64_t v = nameCommentVariable(c, rest);
        if (v == 0 || v > variables || named[v - 1]) continue;
        named[v - 1] = true;
        inputNames_[v - 1] = rest;
    }
    invalidateNames();
}

std::string SoPLA::ExtractCNFComment(const std::string& key) const {
    for (const std::string& c : comments_)
        if (c.compare(0, key.size(), key) == 0) return c.substr(key.size());
    return std::string();
}
