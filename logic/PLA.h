// Multi-output two-level function: a list of terms (input cube + output part) with a type
// that says which output values the terms list, optional names and a gate name.
#pragma once

#include "logic/PLA_type.h"
#include "logic/SoPLA.h"
#include "logic/TTree.h"
#include "logic/Term.h"

#include <cstdint>
#include <initializer_list>
#include <list>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class PLA {
public:
    PLA() = default;
    PLA(uint32_t inputs, uint32_t outputs);
    PLA(uint32_t inputs, uint32_t outputs, const PLA_type& type);
    PLA(const PLA& other);
    PLA& operator=(const PLA& other);
    PLA(PLA&&) = default;
    PLA& operator=(PLA&&) = default;
    explicit PLA(const SoPLA& cover);
    PLA(const std::list<Term>& terms, const PLA_type& type);

    // --- shape ---
    void clear();
    void setInputs(uint32_t n);
    void setOutputs(uint32_t n);
    uint32_t getInputs() const { return inputs_; }
    uint32_t getOutputs() const { return outputs_; }
    void setType(const PLA_type& t) { type_ = t; }
    void setType(const std::string& t) { type_ = PLA_type(t); }
    void setType(const char* t) { type_ = PLA_type(t); }
    const PLA_type& getType() const { return type_; }
    bool empty() const { return terms_.empty(); }
    size_t getTermCount() const { return terms_.size(); }
    bool isUnique() const { return unique_; }
    void setUnique();    // sets the flag and rebuilds the term tree
    void setNonUnique(); // clears the flag
    bool isDFF() const { return dff_; }
    void setDFF(bool v) { dff_ = v; }

    // --- terms ---
    uint32_t AppendTerm(const Term& t);
    uint32_t AppendTerm(const std::string& in, const std::string& out);
    void AppendPLA(const PLA& other);
    void AppendTermList(const std::list<Term>& terms);
    const std::vector<Term>& getTerms() const { return terms_; }
    const Term& getTerm(size_t pos) const { return terms_.at(pos); }
    void setLit_0(size_t pos, uint32_t j);
    void setLit_1(size_t pos, uint32_t j);
    void setLit_dc(size_t pos, uint32_t j);
    void setLit(size_t pos, uint32_t j, Literal v);
    void setLit(size_t pos, uint32_t j, char c);
    void setOM(size_t pos, uint32_t j, char c);
    void NegateInput(uint32_t j);
    void NegateOutput(uint32_t j);

    // --- names ---
    void NameVars();
    void setIName(uint32_t j, const std::string& name);
    void setOName(uint32_t j, const std::string& name);
    std::string getIName(uint32_t j) const;
    std::string getOName(uint32_t j) const;
    const std::vector<std::string>& getINames() const { return inames_; }
    const std::vector<std::string>& getONames() const { return onames_; }
    std::string getGateName();
    const std::string& peekGateName() const { return gateName_; }
    void setGateName(const std::string& name) { gateName_ = name; }
    bool RecognizeGateName();

    // --- gate functions ---
    void Make_AND(uint32_t n);
    void Make_NAND(uint32_t n);
    void Make_OR(uint32_t n);
    void Make_NOR(uint32_t n);
    void Make_XOR();
    void Make_XNOR();
    void Make_Inv();
    void Make_Buff();
    void Make_ONE();
    void Make_ZERO();

    // --- queries ---
    bool isConstant() const;
    bool isBuffer() const;
    bool isInverter() const;
    bool isTrivial() const;
    // One value per output: 0, 1, 2 (don't care / undefined) or 3 (no information).
    std::vector<uint32_t> Simulate(const Cube& input) const;
    // Simulate at every minterm at once: entry m * outputs + o is output o's value (0, 1 or
    // 2 for don't care) at minterm m, whose input j is bit j of m. Each term is applied only
    // to the minterms its cube covers, so a PLA listing every minterm costs linear time.
    std::vector<uint8_t> SimulateAll() const;
    std::unique_ptr<SoPLA> ToSoPLA(uint32_t j, bool onset) const;
    std::unique_ptr<SoPLA> ToSoPLA(uint32_t j) const;

    // --- files ---
    void LoadPLA(const std::string& file);
    void SavePLA(const std::string& file) const;
    void SavePLAtoStringStream(std::ostream& out) const;

private:
    // LoadPLA's checks after reading: the first point that a type listing both sets makes 1
    // and 0 at once ("" when there is none; termLines[t] is the line of term t), and the
    // outputs a .phase complements.
    std::string findOnOffClash(const std::vector<size_t>& termLines) const;
    void applyPhase(const std::string& phase);
    void rebuildTree();
    Term& termAt(size_t pos, const char* op);
    void makeGate(uint32_t n, const char* type, const char* name,
                  std::initializer_list<std::pair<std::string, std::string>> terms);
    bool singleLiteral(char onInput, char offInput) const;
    void copyNamesTo(SoPLA& cover, uint32_t j) const;

    uint32_t inputs_ = 0;
    uint32_t outputs_ = 0;
    PLA_type type_;
    bool indexed_ = false;
    bool unique_ = false;
    TTree tree_;
    std::string gateName_;
    bool dff_ = false;
    std::vector<Term> terms_;
    std::vector<std::string> inames_;
    std::vector<std::string> onames_;
};
