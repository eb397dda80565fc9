// The texts of the terms of covers and PLAs, for comparing them with expected lists, and
// the check of a rejected call.
#pragma once

#include "logic/PLA.h"
#include "logic/SoPLA.h"
#include "tests/support/TestSupport.h"

#include <string>
#include <vector>

// The statement raises a RuntimeException with this text.
#define EXPECT_MSG(text, ...)                                                                      \
    EXPECT_EQ(testsupport::messageOf([&] { __VA_ARGS__; }), testsupport::rt(text)) << #__VA_ARGS__

namespace testsupport {

using Texts = std::vector<std::string>;

// The cube texts of a cover or clause set, in order.
inline Texts cubeTexts(const SoPLA& s) {
    Texts v;
    for (const Cube& c : s)
        v.push_back(c.getCube());
    return v;
}

// "[off ][cnf ][sparse ]<name>(<input names>)[=<gate name>]:" and the cubes.
inline std::string coverState(const SoPLA& s) {
    std::string t = std::string(s.getPhase() ? "" : "off ") + (s.isCNF() ? "cnf " : "") +
                    (s.isSparse() ? "sparse " : "") + s.getName() + "(";
    for (const std::string& n : s.getINames())
        t += (t.back() == '(' ? "" : ",") + n;
    t += ")" + (s.peekGateName().empty() ? "" : "=" + s.peekGateName()) + ":";
    for (const Cube& c : s)
        t += " " + c.getCube();
    return t;
}

// The texts ("<cube> <outputs>") of the terms of a PLA, in order.
inline Texts termTexts(const PLA& p) {
    Texts v;
    for (const Term& t : p.getTerms())
        v.push_back(t.getText());
    return v;
}

} // namespace testsupport
