// A row of a multi-output PLA: an input cube plus one output literal per output.
#pragma once

#include "logic/Cube.h"

#include <cstdint>
#include <string>

class Term : public Cube {
public:
    Term() = default;
    Term(uint32_t inputs, uint32_t outputs);
    void init(uint32_t inputs, uint32_t outputs);
    void clear();

    uint32_t getOutputs() const { return static_cast<uint32_t>(om_.size()); }
    const std::string& getOM() const { return om_; }
    void setOM(uint32_t j, char c);
    void setOM(const std::string& s);
    void setOM(uint32_t j, Literal v);
    void setOM_0(uint32_t j);
    void setOM_1(uint32_t j);
    void setOM_dc(uint32_t j);
    void setOM_undef(uint32_t j);
    void assignOM(Literal v);
    void assignOM(uint32_t n, Literal v);
    bool isOM_0(uint32_t j) const;
    bool isOM_1(uint32_t j) const;
    bool isOM_dc(uint32_t j) const;
    bool isOM_undef(uint32_t j) const;
    Literal getOM2(uint32_t j) const;
    uint32_t getOC() const;

    // The cube operations stay available on the input part.
    using Cube::contains;
    using Cube::intersects;
    using Cube::intersectSize;

    bool intersects(const Term& t) const;
    bool intersects(const Term& t, uint32_t j) const;
    int intersectSize(const Term& t) const;
    bool contains(const Term& t) const;
    void Merge(const Term& t);
    void SwapOutputs(uint32_t j, uint32_t k);

    // "cube output" as written in a PLA file.
    std::string getText() const { return getCube() + " " + om_; }

private:
    std::string om_;
};
