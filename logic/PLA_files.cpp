// Berkeley PLA text format: reader and writer of PLA.

#include "logic/PLA.h"

#include "util/myExcept.h"
#include "util/utils.h"

#include <cstdint>
#include <fstream>
#include <limits>

namespace {

// Largest number of inputs or outputs a file may declare. Every term line must hold that
// many characters anyway; the limit keeps a damaged header from describing absurd shapes.
constexpr uint64_t kMaxWidth = uint64_t(1) << 20;

// A decimal count: digits only, no sign, no trailing characters, at most limit.
bool parseCount(const std::string& s, uint64_t limit, uint64_t& value) {
    if (s.empty()) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (v > (limit - digit) / 10) return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

// Input part of a term line: '2' is another spelling of '-'.
bool mapInputs(const std::string& in, std::string& cube) {
    cube = in;
    for (char& c : cube) {
        if (c == '2')
            c = '-';
        else if (c != '0' && c != '1' && c != '-')
            return false;
    }
    return true;
}

// Output part of a term line: '2', '3', '4' stand for '-', '~', '1'; a value the type does
// not list says nothing about its output ('~').
bool mapOutputs(const std::string& in, const PLA_type& type, std::string& om) {
    om = in;
    for (char& c : om) {
        switch (c) {
        case '2':
            c = '-';
            break;
        case '3':
            c = '~';
            break;
        case '4':
            c = '1';
            break;
        case '0':
        case '1':
        case '-':
        case '~':
            break;
        default:
            return false;
        }
        if ((c == '1' && !type.f) || (c == '0' && !type.r) || (c == '-' && !type.d)) c = '~';
    }
    return true;
}

void readNames(const std::string& line, size_t pos, std::vector<std::string>& names) {
    names.clear();
    for (std::string tok = GetToken(line, pos); !tok.empty(); tok = GetToken(line, pos))
        names.push_back(tok);
}

} // namespace

void PLA::LoadPLA(const std::string& file) {
    clear();
    // The file alone decides the type.
    type_ = PLA_type();
    std::ifstream in(file, std::ios::in | std::ios::binary);
    // A directory opens as a stream that fails on the first read.
    if (!in || (in.peek(), in.bad())) throw IOException("Cannot open file: " + file);
    const auto damaged = [&file]() { return IOException("Bad or damaged PLA file: " + file); };

    bool typeSeen = false;
    uint64_t declaredTerms = 0;
    uint64_t termsRead = 0;
    std::vector<std::string> inames;
    std::vector<std::string> onames;
    std::string line;
    std::string cube;
    std::string om;

    while (GetLine(in, line)) {
        if (line[0] == '#') continue;
        size_t pos = 0;

        if (line[0] == '.') {
            const std::string keyword = GetToken(line, pos);
            if (keyword == ".i" || keyword == ".o") {
                uint64_t n = 0;
                if (!parseCount(GetToken(line, pos), kMaxWidth, n) || n == 0) throw damaged();
                uint32_t& field = keyword == ".i" ? inputs_ : outputs_;
                // A second declaration may repeat the count but not change it.
                if (field != 0 && field != n) throw damaged();
                field = static_cast<uint32_t>(n);
            } else if (keyword == ".p") {
                if (!parseCount(GetToken(line, pos), std::numeric_limits<uint64_t>::max(),
                                declaredTerms))
                    throw damaged();
            } else if (keyword == ".ilb") {
                readNames(line, pos, inames);
            } else if (keyword == ".ob") {
                readNames(line, pos, onames);
            } else if (keyword == ".type") {
                const std::string word = GetToken(line, pos);
                if (word == "esop") {
                    type_.esop = true;
                } else {
                    for (char c : word)
                        if (c != 'f' && c != 'd' && c != 'r') throw damaged();
                    type_ += PLA_type(word);
                }
                typeSeen = true;
            } else if (keyword == ".e" || keyword == ".end") {
                break;
            } else {
                throw damaged();
            }
            continue;
        }

        // Term line: input part, then the output part on this line or a following one.
        if (inputs_ == 0 || outputs_ == 0) throw damaged();
        if (!type_.f && !type_.d && !type_.r) {
            type_.f = true;
            type_.d = true;
        }
        const std::string inPart = GetToken(line, pos);
        if (inPart.size() != inputs_ || !mapInputs(inPart, cube)) throw damaged();
        std::string outPart = GetToken(line, pos);
        while (outPart.empty()) {
            if (!GetLine(in, line)) throw damaged();
            pos = 0;
            outPart = GetToken(line, pos);
        }
        if (outPart.size() != outputs_ || !mapOutputs(outPart, type_, om)) throw damaged();

        Term t;
        t.setCube(cube);
        t.setCubeType(CUBE_PRODUCT);
        t.setOM(om);
        AppendTerm(t);
        ++termsRead;
    }

    if (!typeSeen) type_ = PLA_type("fd");
    if (declaredTerms != 0 && declaredTerms != termsRead) throw damaged();
    if (!inames.empty() && inames.size() != inputs_) throw damaged();
    if (!onames.empty() && onames.size() != outputs_) throw damaged();
    inames_ = std::move(inames);
    onames_ = std::move(onames);
}

void PLA::SavePLA(const std::string& file) const {
    std::ofstream out(file, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out) throw IOException("Cannot create a file: " + file);
    SavePLAtoStringStream(out);
}

void PLA::SavePLAtoStringStream(std::ostream& out) const {
    out << ".i " << inputs_ << '\n';
    out << ".o " << outputs_ << '\n';
    out << ".p " << terms_.size() << '\n';
    if (type_ != PLA_type("fd"))
        out << ".type " << type_.toString() << '\n';
    else
        out << '\n';
    if (!inames_.empty()) {
        out << ".ilb";
        for (const std::string& n : inames_)
            out << ' ' << n;
        out << '\n';
    }
    if (!onames_.empty()) {
        out << ".ob";
        for (const std::string& n : onames_)
            out << ' ' << n;
        out << '\n';
    }
    for (const Term& t : terms_) {
        if (t.isSparse())
            out << t.getCube();
        else
            out << t.denseLits();
        out << ' ' << t.getOM() << '\n';
    }
    out << ".e\n";
}
