// The texts of the terms of covers and PLAs, for comparing them with expected lists.
#pragma once

#include "logic/PLA.h"
#include "logic/SoPLA.h"

#include <string>
#include <vector>

namespace testsupport {

// The cube texts of a cover or clause set, in order.
inline std::vector<std::string> cubeTexts(const SoPLA& s) {
    std::vector<std::string> v;
    for (const Cube& c : s)
        v.push_back(c.getCube());
    return v;
}

// The texts ("<cube> <outputs>") of the terms of a PLA, in order.
inline std::vector<std::string> termTexts(const PLA& p) {
    std::vector<std::string> v;
    for (const Term& t : p.getTerms())
        v.push_back(t.getText());
    return v;
}

} // namespace testsupport
