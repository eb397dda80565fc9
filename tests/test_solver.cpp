// The external route's exchange with its programs: reading the answers of minisat and
// minisat+ (also malformed, stale or missing ones), the command lines run, and finding the
// programs. Runs of the real programs are end to end (test_e2e_*).
#include "solver/EmbeddedSolver.h"
#include "solver/ExternalTools.h"
#include "synth/SAT_CircGen.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

// An engine holding the clause set (a or not b) and (b) over a, b, c, in a directory of its
// own with nothing on the PATH: only stand-in programs written there run.
struct SolverFiles : ::testing::Test {
    SolverFiles() : cwd(dir.path()), path(dir.path() + "/empty") {
        fs::create_directory("empty");
        EngineAccess::clauses(e).setCNF(true);
        EngineAccess::clauses(e).setSparse();
        for (const char* name : {"a", "b", "c"})
            EngineAccess::clauses(e).AppendInput(name);
        EngineAccess::clauses(e).AppendTerm(std::string("10-"));
        EngineAccess::clauses(e).AppendTerm(std::string("-1-"));
    }
    // The model read from an answer file: its values, "none", or the error.
    std::string readSAT(const std::string& content) {
        writeFile("SAT_result.cnf", content);
        return modelOr([&] { e.ReadSATResult("SAT_result.cnf"); });
    }
    std::string readPBO(const std::string& content) {
        writeFile("PBO_result.pbo", content);
        return modelOr([&] { e.ReadPBOResult("PBO_result.pbo"); });
    }
    std::string modelOr(const std::function<void()>& read) {
        EngineAccess::model(e).reset();
        const std::string error = messageOf(read);
        if (!error.empty()) return (EngineAccess::model(e) ? "a model and " : "") + error;
        if (!EngineAccess::model(e)) return "none";
        return EngineAccess::model(e)->begin()->getCube();
    }
    TempDir dir;
    ScopedCwd cwd;
    PathGuard path;
    SAT_CircGen e{smallProblem(), SolverRoute::Minisat};
};

TEST_F(SolverFiles, SatAnswers) {
    const std::pair<const char*, std::string> cases[] = {
        {"UNSAT\n", "none"},
        {"SAT\n1 -2 3 0\n", "101"},
        {"SAT\n1\n-2\n3 0\n", "101"}, // values over several lines
        {"SAT\n3 -1 0\n", "0-1"},     // any order; unmentioned variables are don't care
        {"SAT\n0\n", "---"},          // no values at all
        {"SAT\n-2 0 1 3 0\n", "-0-"}, // the first 0 ends the model
        {"SAT\n1 x 3 0\n", "1--"},    // so does a word that is not a number
        {"SAT\n2", "-1-"},            // and the end of the file
        {"INDET\n", rt("the solver's result file SAT_result.cnf is damaged")},
        {"", rt("the solver's result file SAT_result.cnf is damaged")},
        {"SAT\n1 4 0\n", rt("the solver's answer gives variable 4 of an instance of 3")},
    };
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(readSAT(content), expected) << content;
    EXPECT_EQ(modelOr([&] { e.ReadSATResult("missing.cnf"); }),
              rt("the solver left no result file SAT_result.cnf"));
    // The model's variables, and its verbose listing of the assigned variables (replacing
    // the file). A model still held: refused before the file is looked at.
    readSAT("SAT\n-3 1 0\n");
    ASSERT_TRUE(EngineAccess::model(e));
    EXPECT_EQ(EngineAccess::model(e)->getINames(), (std::vector<std::string>{"a", "b", "c"}));
    writeFile("sol.txt", "previous content that is longer\n");
    e.SaveSATRes(EngineAccess::model(e).get(), "sol.txt");
    EXPECT_EQ(readFile("sol.txt"), "a = 1\nc = 0\n");
    EXPECT_EQ(messageOf([&] { e.SaveSATRes(EngineAccess::model(e).get(), "no/such/dir/sol.txt"); }),
              rt("cannot create the model log no/such/dir/sol.txt"));
    EXPECT_EQ(messageOf([&] { e.ReadSATResult("missing.cnf"); }),
              std::string("internal error: a solver answer was read while the previous one was still held"));
}

// An optimizer answer that is neither a solution nor "UNSATISFIABLE" is an error naming
// the optimizer's complaint, never an empty model.
TEST_F(SolverFiles, OptimizerAnswers) {
    const std::pair<const char*, std::string> cases[] = {
        {"c comment\ns OPTIMUM FOUND\nv -x1 x2\nv x1 -x2 x3\n", "01-"}, // the first value line
        {"s SATISFIABLE\nv x3 -x1 x2\n", "011"},
        {"s OPTIMUM FOUND\nv\n", "---"},
        {"s OPTIMUM FOUND\nv x1 x0 x3\n", "1--"},
        {"s OPTIMUM FOUND\nv x1 - x3\n", "1--"}, // a lone minus has no number either
        {"v -x3\n", "--0"},                      // values without a status line
        {"c Parsing\ns UNSATISFIABLE\nv x1\n", "none"},
        {"c only comments\no 3\n", rt("the optimizer's result file PBO_result.pbo is damaged")},
        {"", rt("the optimizer's result file PBO_result.pbo is damaged")},
        {"c PARSE ERROR! [line 2] Expected start of identifier, not: *\ns UNKNOWN\n",
         rt("the optimizer gave no solution (s UNKNOWN; c PARSE ERROR! [line 2] "
            "Expected start of identifier, not: *).")},
        {"s OPTIMUM FOUND\n", rt("the optimizer's result file PBO_result.pbo is damaged: a solution without values")},
        {"s OPTIMUM FOUND\nv x1 x4\n",
         rt("the optimizer's result file PBO_result.pbo is damaged: it gives variable 4 of an "
            "instance of 3")},
    };
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(readPBO(content), expected) << content;
    EXPECT_EQ(modelOr([&] { e.ReadPBOResult("missing.pbo"); }),
              rt("the optimizer left no result file PBO_result.pbo"));
    readPBO("s OPTIMUM FOUND\nv x1\n");
    EXPECT_EQ(messageOf([&] { e.ReadPBOResult("PBO_result.pbo"); }),
              std::string("internal error: a solver answer was read while the previous one was still held"));
    // A solution without values stands for an instance without variables.
    EngineAccess::clauses(e).clear();
    EngineAccess::clauses(e).setCNF(true);
    EXPECT_EQ(readPBO("s OPTIMUM FOUND\n"), "");
    EXPECT_EQ(EngineAccess::model(e)->getTermCount(), 1u);
}

// Missing programs are named with their Debian package. The optimizer in the current
// directory gets the plain command line, after fromdos when there is one. Answer files are
// removed before each run: a program that writes nothing never hands back the previous
// answer (an empty optimizer answer is no solution either). A model still held is refused,
// and an instance with an empty clause has no solution, without a run.
TEST_F(SolverFiles, RunningThePrograms) {
    EXPECT_EQ(messageOf([&] { e.RunSAT(false); }),
              rt("-solver minisat: cannot find the program minisat (neither ./minisat nor "
                 "minisat on the PATH); it is provided by the Debian package minisat"));
    EXPECT_NE(messageOf([&] { e.RunSAT(true); }).find("Debian package minisat+"),
              std::string::npos);

    writeScript("fromdos", "echo \"$@\" > fromdos.args\n");
    writeScript("minisat+",
                "echo \"$@\" > minisat+.args\nprintf 's OPTIMUM FOUND\\nv x1 -x2\\n'\n");
    EXPECT_EQ(modelOr([&] { e.RunSAT(true); }), "10-");
    EXPECT_EQ(readFile("fromdos.args"), "inst.opb\n");
    EXPECT_EQ(readFile("minisat+.args"), "-v0 inst.opb\n");
    fs::remove("fromdos");
    EXPECT_EQ(modelOr([&] { e.RunSAT(true); }), "10-");

    writeScript("minisat+", ": > minisat+.ran\n");
    EXPECT_EQ(modelOr([&] { e.RunSAT(true); }), rt("the optimizer's result file PBO_result.pbo is damaged"));
    EXPECT_TRUE(fileExists("minisat+.ran"));
    writeScript("minisat", ": > minisat.ran\n");
    writeFile("SAT_result.cnf", "SAT\n1 2 3 0\n");
    EXPECT_EQ(modelOr([&] { e.RunSAT(false); }), rt("the solver left no result file SAT_result.cnf"));
    EXPECT_TRUE(fileExists("minisat.ran"));

    fs::remove("minisat.ran");
    EngineAccess::model(e) = std::make_shared<SoPLA>(&EngineAccess::clauses(e));
    EXPECT_EQ(messageOf([&] { e.RunSAT(false); }),
              std::string("internal error: a solver answer was read while the previous one was still held"));
    EXPECT_FALSE(fileExists("minisat.ran"));
    fs::remove("minisat+.ran");
    EngineAccess::clauses(e).AppendTerm(std::string("---"));
    EXPECT_EQ(modelOr([&] { e.RunSAT(true); }), "none");
    EXPECT_FALSE(fileExists("minisat+.ran"));
}

// A program found on the PATH is run by its quoted path (which programs are found where:
// the minimizer's discovery, test_library); quoted words reach the program unchanged.
TEST(ExternalTools, QuotesPathsAndWords) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    fs::create_directory("bin");
    writeScript("bin/tool", "exit 0\n");
    PathGuard path("/nonexistent:" + dir.path() + "/bin");
    EXPECT_EQ(ExternalTools::Find("tool").command, "'" + dir.path() + "/bin/tool'");
    ExternalTools::Run("printf '%s' " + ExternalTools::ShellQuote("it's $HOME `x` \"q\"") +
                       " > out.txt");
    EXPECT_EQ(readFile("out.txt"), "it's $HOME `x` \"q\"");
}

} // namespace

// The embedded route holds one clause set and takes only what was appended to it since the
// last solve; anything else would leave the solver with clauses the set no longer has.
TEST(EmbeddedSolver, IncrementalOnOneGrowingClauseSetOnly) {
    SoPLA cnf(2);
    cnf.setCNF(true);
    cnf.AppendTerm(Cube("1-")); // x1
    EmbeddedSolver s;
    ASSERT_TRUE(s.Solve(cnf, {-2}).has_value());
    cnf.AppendTerm(Cube("01")); // not x1 or x2
    const auto m = s.Solve(cnf, {});
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ((*m)[1].second, Lit_1);
    EXPECT_FALSE(s.Solve(cnf, {-2}).has_value());
    const int extra = s.NewVar(cnf);
    EXPECT_EQ(extra, 3);
    s.AddClause({-extra});
    s.AddClause({});
    EXPECT_FALSE(s.Solve(cnf, {}).has_value()); // the empty clause
    SoPLA copy = cnf;
    EXPECT_THROW(s.Solve(copy, {}), InternalError);
    cnf.DeleteTerm(cnf.begin());
    EXPECT_THROW(s.Solve(cnf, {}), InternalError);
    cnf.AppendInput("x3");
    EXPECT_THROW(s.NewVar(cnf), InternalError);
    EXPECT_THROW(s.Optimize(cnf, "+1*x1"), InternalError);
}
