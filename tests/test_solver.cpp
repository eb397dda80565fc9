// Solver runs, result files and the model listing of the synthesis engine; finding the
// external programs; runs of the real minisat and minisat+ on small instances.
#include "solver/ExternalTools.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::fileExists;
using testsupport::Hand;
using testsupport::messageOf;
using testsupport::PathGuard;
using testsupport::readFile;
using testsupport::rt;
using testsupport::ScopedCwd;
using testsupport::splitLines;
using testsupport::TempDir;
using testsupport::writeFile;
using testsupport::writeScript;

// A clause set over named variables, built from clauses written as "+a -b".
void makeClauses(SoPLA& set, const std::vector<std::string>& names,
                 const std::vector<std::string>& clauses) {
    set.clear();
    set.setCNF(true);
    set.setSparse();
    for (const auto& name : names)
        set.AppendInput(name);
    for (const auto& text : clauses) {
        Cube c;
        c.init_sparse(set.getInputs());
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find(' ', pos);
            if (end == std::string::npos) end = text.size();
            const std::string lit = text.substr(pos, end - pos);
            const int col = set.FindIName(lit.substr(1));
            if (col < 0) throw std::runtime_error("no variable " + lit);
            c.setLit(static_cast<uint32_t>(col), lit[0] == '+' ? Lit_1 : Lit_0);
            pos = end + 1;
        }
        set.AppendTerm(c);
    }
}

std::string modelText(const SAT_CircGen& e) {
    if (!e.SAT_res) return "none";
    if (e.SAT_res->getTermCount() != 1)
        return "terms: " + std::to_string(e.SAT_res->getTermCount());
    return e.SAT_res->begin()->getCube();
}

// True when every clause of the set holds a literal that the model's first term makes true.
bool satisfiesAll(const SoPLA& model, const SoPLA& set, std::string* failed = nullptr) {
    const Cube& values = *model.begin();
    size_t index = 0;
    for (const Cube& clause : set) {
        bool sat = false;
        for (const auto& [pos, lit] : clause.specified())
            if (values.getLit2(pos) == lit) {
                sat = true;
                break;
            }
        if (!sat) {
            if (failed) *failed = "clause " + std::to_string(index);
            return false;
        }
        ++index;
    }
    return true;
}

// A fresh engine holding a clause set over a, b, c: (a or not b), (b).
struct ReaderFixture : ::testing::Test {
    ReaderFixture() : cwd(dir.path()) { makeClauses(e.clauses, {"a", "b", "c"}, {"+a -b", "+b"}); }
    void readSAT(const std::string& content) {
        writeFile("SAT_result.cnf", content);
        e.ReadSATResult("SAT_result.cnf");
    }
    void readPBO(const std::string& content) {
        writeFile("PBO_result.pbo", content);
        e.ReadPBOResult("PBO_result.pbo");
    }
    TempDir dir;
    ScopedCwd cwd;
    SAT_CircGen e;
};

TEST_F(ReaderFixture, SATResultGivesTheModelOverTheInstanceVariables) {
    readSAT("UNSAT\n");
    EXPECT_EQ(e.SAT_res, nullptr);

    readSAT("SAT\n1 -2 3 0\n");
    EXPECT_EQ(modelText(e), "101");
    ASSERT_TRUE(e.SAT_res);
    EXPECT_TRUE(e.SAT_res->isCNF());
    EXPECT_EQ(e.SAT_res->getINames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(e.SAT_res->getLitByName(e.SAT_res->begin(), "c"), Lit_1);

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SAT\n1\n-2\n3 0\n", "101"}, // values over several lines
        {"SAT\n3 -1 0\n", "0-1"},     // any order; unmentioned variables are don't care
        {"SAT\n0\n", "---"},          // no values at all
        {"SAT\n-2 0 1 3 0\n", "-0-"}, // the first 0 ends the model
        {"SAT\n1 x 3 0\n", "1--"},    // so does a word that is not a number
        {"SAT\n2", "-1-"},            // and the end of the file
    };
    for (const auto& [content, expected] : cases) {
        e.SAT_res.reset();
        readSAT(content);
        EXPECT_EQ(modelText(e), expected) << content;
    }
}

TEST_F(ReaderFixture, SATResultErrors) {
    EXPECT_EQ(messageOf([&] { readSAT("INDET\n"); }), rt("ReadSATResult: wrong file format."));
    EXPECT_EQ(messageOf([&] { readSAT(""); }), rt("ReadSATResult: wrong file format."));
    EXPECT_EQ(messageOf([&] { e.ReadSATResult("missing.cnf"); }),
              rt("ReadSATResult: result file not found."));
    // A variable beyond the instance is the cube's range error, and leaves no model.
    EXPECT_EQ(messageOf([&] { readSAT("SAT\n1 4 0\n"); }), rt("Cube::setLit: Index out of range"));
    EXPECT_EQ(e.SAT_res, nullptr);

    readSAT("SAT\n1 2 0\n");
    EXPECT_EQ(messageOf([&] { readSAT("UNSAT\n"); }),
              rt("SAT_CircGen::ReadSATResult: SAT_res must be NULL"));
    // The model check comes before the file check.
    EXPECT_EQ(messageOf([&] { e.ReadSATResult("missing.cnf"); }),
              rt("SAT_CircGen::ReadSATResult: SAT_res must be NULL"));
}

TEST_F(ReaderFixture, OptimizerOutputGivesTheModelFromTheFirstValueLine) {
    readPBO("c comment\ns OPTIMUM FOUND\nv -x1 x2\nv x1 -x2 x3\n");
    EXPECT_EQ(modelText(e), "01-");

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"s SATISFIABLE\nv x3 -x1 x2\n", "011"}, // any order
        {"s OPTIMUM FOUND\nv\n", "---"},         // no values mentioned
        {"s OPTIMUM FOUND\nv x1 x0 x3\n", "1--"},
        {"s OPTIMUM FOUND\nv x1 - x3\n", "1--"}, // a lone minus has no number either
        {"v -x3\n", "--0"},                      // values without a status line
    };
    for (const auto& [content, expected] : cases) {
        e.SAT_res.reset();
        readPBO(content);
        EXPECT_EQ(modelText(e), expected) << content;
    }

    e.SAT_res.reset();
    readPBO("c Parsing\ns UNSATISFIABLE\nv x1\n");
    EXPECT_EQ(e.SAT_res, nullptr);
}

TEST_F(ReaderFixture, OptimizerOutputErrors) {
    EXPECT_EQ(messageOf([&] { readPBO("c only comments\no 3\n"); }),
              rt("ReadPBOResult: wrong file format."));
    EXPECT_EQ(messageOf([&] { readPBO(""); }), rt("ReadPBOResult: wrong file format."));
    EXPECT_EQ(messageOf([&] { e.ReadPBOResult("missing.pbo"); }),
              rt("ReadPBOResult: result file not found."));

    // A failed run (here a parse error) is no model in which everything is don't care.
    const std::string unknown = messageOf([&] {
        readPBO("c PARSE ERROR! [line 2] Expected start of identifier, not: *\ns UNKNOWN\n");
    });
    EXPECT_NE(unknown.find("ReadPBOResult"), std::string::npos) << unknown;
    EXPECT_NE(unknown.find("UNKNOWN"), std::string::npos) << unknown;
    EXPECT_NE(unknown.find("PARSE ERROR"), std::string::npos) << unknown;
    EXPECT_EQ(e.SAT_res, nullptr);

    // A solution without values, for an instance that has variables.
    EXPECT_EQ(messageOf([&] {
                  readPBO("s OPTIMUM FOUND\n");
              }).rfind(rt("ReadPBOResult: wrong file format"), 0),
              0u);
    EXPECT_EQ(e.SAT_res, nullptr);

    EXPECT_EQ(messageOf([&] { readPBO("s OPTIMUM FOUND\nv x1 x4\n"); }),
              rt("Cube::setLit: Index out of range"));
    EXPECT_EQ(e.SAT_res, nullptr);

    readPBO("s OPTIMUM FOUND\nv x1\n");
    EXPECT_EQ(messageOf([&] { readPBO("s UNSATISFIABLE\n"); }),
              rt("SAT_CircGen::ReadSATResult: SAT_res must be NULL"));
    // Here the file check comes first.
    EXPECT_EQ(messageOf([&] { e.ReadPBOResult("missing.pbo"); }),
              rt("ReadPBOResult: result file not found."));
}

TEST_F(ReaderFixture, OptimizerSolutionWithoutValuesForAnInstanceWithoutVariables) {
    e.clauses.clear();
    e.clauses.setCNF(true);
    readPBO("s OPTIMUM FOUND\n");
    ASSERT_TRUE(e.SAT_res);
    EXPECT_EQ(e.SAT_res->getTermCount(), 1u);
    EXPECT_EQ(e.SAT_res->getInputs(), 0u);
}

TEST_F(ReaderFixture, SaveSATResListsTheAssignedVariables) {
    readSAT("SAT\n-3 1 0\n");
    e.SaveSATRes(e.SAT_res.get(), "sol.txt");
    EXPECT_EQ(readFile("sol.txt"), "a = 1\nc = 0\n");
    writeFile("old.txt", "previous content that is longer\n");
    e.SaveSATRes(e.SAT_res.get(), "old.txt");
    EXPECT_EQ(readFile("old.txt"), "a = 1\nc = 0\n");
    EXPECT_EQ(messageOf([&] { e.SaveSATRes(e.SAT_res.get(), "no/such/dir/sol.txt"); }),
              rt("SaveSATRes: cannot open file."));
}

TEST(ExternalTools, FindsTheCurrentDirectoryFirstThenThePath) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    fs::create_directory("bin");
    writeScript("bin/tool", "exit 0\n");
    writeScript("bin/other", "exit 0\n");
    writeFile("bin/plain", "not executable\n");
    writeScript("tool", "exit 0\n");
    PathGuard path("/nonexistent:" + dir.path() + "/bin");

    const auto local = ExternalTools::Find("tool");
    EXPECT_TRUE(local.found);
    EXPECT_TRUE(local.local);
    EXPECT_EQ(local.command, "./tool");

    const auto onPath = ExternalTools::Find("other");
    EXPECT_TRUE(onPath.found);
    EXPECT_FALSE(onPath.local);
    EXPECT_EQ(onPath.command, "'" + dir.path() + "/bin/other'");

    EXPECT_FALSE(ExternalTools::Find("plain").found);
    EXPECT_FALSE(ExternalTools::Find("missing").found);
    const std::string msg =
        messageOf([] { ExternalTools::Require("missing", "some-package", "SAT_CircGen::RunSAT"); });
    EXPECT_EQ(msg.rfind(rt("SAT_CircGen::RunSAT: "), 0), 0u) << msg;
    EXPECT_NE(msg.find("missing"), std::string::npos) << msg;
    EXPECT_NE(msg.find("Debian package some-package"), std::string::npos) << msg;
}

TEST(ExternalTools, QuotedWordsReachTheProgramUnchanged) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    EXPECT_EQ(ExternalTools::ShellQuote("it's"), "'it'\\''s'");
    ExternalTools::Run("printf '%s' " + ExternalTools::ShellQuote("it's $HOME `x` \"q\"") +
                       " > out.txt");
    EXPECT_EQ(readFile("out.txt"), "it's $HOME `x` \"q\"");
}

// Engine on a hand clause set over a, b, c, run in a directory with stand-in programs.
struct RunFixture : ::testing::Test {
    RunFixture() : cwd(dir.path()), path(dir.path() + "/empty") {
        fs::create_directory("empty");
        makeClauses(e.clauses, {"a", "b", "c"}, {"+a -b", "+b"});
    }
    TempDir dir;
    ScopedCwd cwd;
    PathGuard path; // nothing on the PATH: only the stand-ins in the directory count
    SAT_CircGen e;
};

TEST_F(RunFixture, SATRunWritesTheInstanceStartsTheSolverAndReadsItsAnswer) {
    writeScript("minisat", "echo \"$@\" > minisat.args\nprintf 'SAT\\n1 -2 0\\n' > \"$2\"\n");
    e.RunSAT(false);
    EXPECT_EQ(readFile("minisat.args"), "inst.cnf SAT_result.cnf\n");
    EXPECT_EQ(modelText(e), "10-");
    const auto lines = splitLines(readFile("inst.cnf"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "p cnf 3 2"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "1 -2 0"), lines.end());
}

TEST_F(RunFixture, SolverThatWritesNothingNeverYieldsThePreviousAnswer) {
    writeScript("minisat", ": > minisat.ran\n");
    writeFile("SAT_result.cnf", "SAT\n1 2 3 0\n");
    EXPECT_EQ(messageOf([&] { e.RunSAT(false); }), rt("ReadSATResult: result file not found."));
    EXPECT_TRUE(fileExists("minisat.ran"));
    EXPECT_EQ(e.SAT_res, nullptr);

    writeScript("minisat+", ": > minisat+.ran\n");
    writeFile("PBO_result.pbo", "s OPTIMUM FOUND\nv x1 x2 x3\n");
    // The shell redirection creates an empty answer: no status, no values.
    EXPECT_EQ(messageOf([&] { e.RunSAT(true); }), rt("ReadPBOResult: wrong file format."));
    EXPECT_TRUE(fileExists("minisat+.ran"));
    EXPECT_EQ(e.SAT_res, nullptr);
}

TEST_F(RunFixture, PBRunConvertsTheFileAndStartsTheOptimizer) {
    writeScript("fromdos", "echo \"$@\" > fromdos.args\n");
    writeScript("minisat+",
                "echo \"$@\" > minisat+.args\nprintf 's OPTIMUM FOUND\\nv x1 -x2\\n'\n");
    e.RunSAT(true);
    EXPECT_EQ(readFile("fromdos.args"), "inst.opb\n");
    EXPECT_EQ(readFile("minisat+.args"), "-v0 inst.opb\n");
    EXPECT_EQ(modelText(e), "10-");
    EXPECT_EQ(splitLines(readFile("inst.opb")),
              (std::vector<std::string>{"* #variable= 3 #constraint= 2", "min: ;",
                                        "+1*x1 -1*x2  >= 0;", "+1*x2  >= 1;"}));

    // Without a line-end converter the run goes on.
    fs::remove("fromdos");
    e.SAT_res.reset();
    e.RunSAT(true);
    EXPECT_EQ(modelText(e), "10-");
}

TEST_F(RunFixture, MissingProgramsAndAHeldModel) {
    const std::string sat = messageOf([&] { e.RunSAT(false); });
    EXPECT_NE(sat.find("minisat"), std::string::npos) << sat;
    EXPECT_NE(sat.find("Debian package minisat"), std::string::npos) << sat;
    const std::string pbo = messageOf([&] { e.RunSAT(true); });
    EXPECT_NE(pbo.find("Debian package minisat+"), std::string::npos) << pbo;

    writeScript("minisat", ": > minisat.ran\nprintf 'UNSAT\\n' > \"$2\"\n");
    e.SAT_res = std::make_shared<SoPLA>(&e.clauses);
    EXPECT_EQ(messageOf([&] { e.RunSAT(false); }),
              rt("SAT_CircGen::ReadSATResult: SAT_res must be NULL"));
    EXPECT_FALSE(fileExists("minisat.ran"));
}

TEST_F(RunFixture, PBInstanceWithAnEmptyClauseHasNoSolution) {
    writeScript("minisat+", ": > minisat+.ran\nprintf 's OPTIMUM FOUND\\nv x1\\n'\n");
    e.clauses.AppendTerm(std::string("---"));
    e.RunSAT(true);
    EXPECT_EQ(e.SAT_res, nullptr);
    EXPECT_FALSE(fileExists("minisat+.ran"));
}

// ---- the real programs ----

bool onPath(const std::string& name) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    return ExternalTools::Find(name).found;
}

TEST(RealMinisatPlus, AnswersInTheFormTheReaderExpects) {
    if (!onPath("minisat+")) GTEST_SKIP() << "minisat+ not installed";
    TempDir dir;
    ScopedCwd cwd(dir.path());
    SAT_CircGen e;
    makeClauses(e.clauses, {"a", "b"}, {"+a -b", "+b"});
    e.RunSAT(true);
    EXPECT_EQ(modelText(e), "11");
    const auto lines = splitLines(readFile("PBO_result.pbo"));
    EXPECT_EQ(lines, (std::vector<std::string>{"s OPTIMUM FOUND", "v x1 x2"}));

    e.SAT_res.reset();
    makeClauses(e.clauses, {"a", "b"}, {"+a", "-a +b", "-b"});
    e.RunSAT(true);
    EXPECT_EQ(e.SAT_res, nullptr);
    EXPECT_EQ(splitLines(readFile("PBO_result.pbo")),
              (std::vector<std::string>{"s UNSATISFIABLE"}));
}

// The structural part of a model (everything but the per-row variables).
std::string structure(const SoPLA& model) {
    std::string text;
    const Cube& values = *model.begin();
    for (uint32_t j = 0; j < model.getInputs(); ++j)
        if (model.getIName(j).find('#') == std::string::npos) text += values.getLit(j);
    return text;
}

// Solutions of the instance for n nodes, each blocked before the next run.
std::vector<std::shared_ptr<SoPLA>> enumerate(SAT_CircGen& e, uint32_t n, size_t limit) {
    std::vector<std::shared_ptr<SoPLA>> found;
    e.n = n;
    e.Generate_SAT();
    e.RunSAT(false);
    while (e.SAT_res && found.size() < limit) {
        std::string failed;
        EXPECT_TRUE(satisfiesAll(*e.SAT_res, e.clauses, &failed)) << failed;
        found.push_back(e.SAT_res);
        e.Constrain();
        e.SAT_res.reset();
        e.RunSAT(false);
    }
    return found;
}

TEST(RealMinisatPlus, CheapestCircuitOfTheInstance) {
    if (!onPath("minisat") || !onPath("minisat+")) GTEST_SKIP() << "solvers not installed";
    TempDir dir;
    ScopedCwd cwd(dir.path());
    // Target x1 and x2; AND costs 3, XOR costs 1; two nodes.
    Hand all(2, {0x8}, "86", 2, true, false, "31");
    all.e.route = SAT_CircGen::SolverRoute::Minisat;
    const auto found = enumerate(all.e, 2, 5000);
    ASSERT_LT(found.size(), 5000u);
    ASSERT_FALSE(found.empty());
    uint32_t cheapest = 0xFFFFFFFFu, dearest = 0;
    for (const auto& model : found) {
        const uint32_t cost = all.e.ComputeCost(model.get(), 2);
        cheapest = std::min(cheapest, cost);
        dearest = std::max(dearest, cost);
    }
    ASSERT_LT(cheapest, dearest); // the optimizer has a choice to make

    Hand optimum(2, {0x8}, "86", 2, true, false, "31");
    optimum.e.route = SAT_CircGen::SolverRoute::Minisat;
    SAT_CircGen& e = optimum.e;
    e.Add_FH();
    e.RunSAT(true);
    ASSERT_TRUE(e.SAT_res);
    std::string failed;
    EXPECT_TRUE(satisfiesAll(*e.SAT_res, e.clauses, &failed)) << failed;
    EXPECT_EQ(e.ComputeCost(e.SAT_res.get(), 2), cheapest);
    // The select variables agree with the function codes.
    for (uint32_t i = 3; i <= 4; ++i) {
        const uint32_t t = e.WhatFunction(e.SAT_res.get(), e.SAT_res->begin(), i);
        for (uint32_t t2 = 0; t2 < 2; ++t2)
            EXPECT_EQ(e.SAT_res->getLitByName(e.SAT_res->begin(),
                                              "FH" + std::to_string(i) + "_" + std::to_string(t2)),
                      t2 == t ? Lit_1 : Lit_0);
    }

    // Blocking the optimum and asking again gives another solution, no cheaper.
    const Model best = e.SAT_res;
    e.Constrain();
    e.SAT_res.reset();
    e.RunSAT(true);
    ASSERT_TRUE(e.SAT_res);
    EXPECT_TRUE(satisfiesAll(*e.SAT_res, e.clauses, &failed)) << failed;
    EXPECT_NE(structure(*e.SAT_res), structure(*best));
    EXPECT_GE(e.ComputeCost(e.SAT_res.get(), 2), cheapest);
}

} // namespace
