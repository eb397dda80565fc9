// Single-output two-level function over named input columns. Serves as a cover (terms are
// products), as a clause set (cnf mode: terms are clauses, columns are SAT variables) and
// as the holder of a solver model (first term gives every variable its value).
#pragma once

#include "logic/Cube.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class SoPLA {
public:
    using iterator = std::list<Cube>::iterator;
    using const_iterator = std::list<Cube>::const_iterator;

    SoPLA() = default;
    explicit SoPLA(uint32_t inputs);
    SoPLA(uint32_t inputs, bool phase);
    explicit SoPLA(const std::string& cube);
    SoPLA(const SoPLA& other);
    SoPLA& operator=(const SoPLA& other);
    SoPLA(SoPLA&&) = default;
    SoPLA& operator=(SoPLA&&) = default;
    // Empty clone of the shape of another cover: names, counts and flags, no terms.
    explicit SoPLA(const SoPLA* shape);

    // --- shape ---
    void clear();
    void clearData();
    void setInputs(int n);
    void resize(uint32_t n);
    bool empty() const { return terms_.empty(); }
    uint32_t getInputs() const { return inputCount_; }
    size_t getTermCount() const { return terms_.size(); }
    bool getPhase() const { return phase_; }
    void setPhase(bool p) { phase_ = p; }
    bool isSparse() const { return sparse_; }
    void setSparse();
    bool isDFF() const { return dff_; }
    void setDFF(bool v) { dff_ = v; }
    bool isCNF() const { return cnf_; }
    void setCNF(bool v) { cnf_ = v; }
    const std::string& getName() const { return outputName_; }
    void setName(const std::string& name) { outputName_ = name; }

    // --- names ---
    void AppendInput(const std::string& name);
    void setIName(uint32_t i, const std::string& name);
    std::string getIName(uint32_t i) const;
    const std::vector<std::string>& getINames() const { return inputNames_; }
    int FindIName(const std::string& name) const;
    uint32_t getNamePos(const std::string& name) const;
    bool EqualInps(const SoPLA& other) const;

    // --- terms ---
    iterator begin();
    iterator end();
    const_iterator begin() const;
    const_iterator end() const;
    iterator AppendTerm(const Cube& c);
    iterator AppendTerm(const std::string& text);
    void AppendPLA(const SoPLA& other);
    iterator DeleteTerm(iterator it);
    void setLitByName(iterator term, const std::string& name, Literal value);
    Literal getLitByName(const_iterator term, const std::string& name) const;
    iterator getTerm(uint32_t i);
    void Reindex();
    void Splice(SoPLA& other);
    void Splice(std::list<Cube>& cubes);

    // --- two-level operations and measures ---
    void MergeSoPLAs(const SoPLA& other);
    std::unique_ptr<SoPLA> Cofactor(const Cube& c) const;
    void RemoveAllDCCols();
    void RemoveAbsorbed();
    uint32_t getLiterals() const;
    uint32_t getGEs() const;
    bool operator==(const SoPLA& other) const;
    uint32_t Simulate(const Cube& x) const;

    // --- gate recognition and construction ---
    bool RecognizeGateName();
    std::string getGateName();
    const std::string& peekGateName() const { return gateName_; }
    void setGateName(const std::string& name) { gateName_ = name; }
    bool isConstant() const;
    bool isBuffer() const;
    bool isInverter() const;
    bool isTrivial() const;
    bool isAND_OR() const;
    bool isXOR() const;
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
    bool RecognizeFunction(const std::string& type, uint32_t n);
    double getGateG() const;
    double getGateP() const;

    // --- files ---
    std::list<std::string>& getComments() { return comments_; }
    const std::list<std::string>& getComments() const { return comments_; }
    void SavePLA(const std::string& file) const;
    void SaveCNF(const std::string& file) const;
    void SavePBO(const std::string& file, const std::string& objective) const;
    void SaveCNF_text(const std::string& file) const;
    void LoadCNF(const std::string& file);
    std::string ExtractCNFComment(const std::string& key) const;

private:
    // Occurrences of one name: its first position and how many positions carry it.
    struct NameSlot {
        uint32_t first;
        uint32_t count;
    };
    using NameMap = std::unordered_map<std::string, NameSlot>;

    void syncWidth() const;       // brings lazily widened sparse terms up to inputCount_
    void invalidateNames() const; // name index must be rebuilt
    const NameMap& nameIndex() const;
    // Position of the first column named `name`, or inputCount_ when there is none.
    uint32_t firstNamePos(const std::string& name) const;
    // Name of column i; columns without a stored name read as the empty name.
    const std::string& nameAt(uint32_t i) const;
    // Replaces all terms by the given cube texts (product kind) and sets the shape.
    void makeGate(uint32_t n, bool phase, const std::string& name,
                  const std::vector<std::string>& cubes);

    std::string outputName_;
    uint32_t inputCount_ = 0;
    mutable std::list<Cube> terms_;
    bool indexed_ = false;
    bool phase_ = true;
    bool sparse_ = false;
    bool dff_ = false;
    bool cnf_ = false;
    std::vector<iterator> termIndex_;
    std::string gateName_;
    std::vector<std::string> inputNames_;
    std::list<std::string> comments_;

    // Derived data: first position of each name; terms narrower than inputCount_.
    // Columns appended to a sparse cover are added to its existing terms only when the
    // terms are handed out again (begin(), getTerm(), ...) or a literal is set by name,
    // so AppendInput does not touch every clause of a large clause set. Positions a
    // term lacks read as don't care.
    mutable NameMap nameIndex_;
    mutable bool nameIndexValid_ = false;
    mutable bool widthDirty_ = false;
};
