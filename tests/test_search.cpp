// The search loop on a configured engine with the real solvers: the node counts it tries,
// the cost bounds, enumeration and its end, the continuation file, best delay, stop requests
// and the verbose log. Resuming a stopped enumeration and the solutions best delay picks are
// checked end to end (test_e2e_enum).
#include "app/TargetFunction.h"
#include "synth/SAT_CircGen.h"
#include "tests/support/CircuitCheck.h"
#include "tests/support/TestSupport.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// The options of one Generate call.
GenerateOptions opts(bool enumerate, bool cont, bool best, bool bulk, unsigned verbosity) {
    GenerateOptions o;
    o.enumerate = enumerate;
    o.cont = cont;
    o.best = best;
    o.bulk = bulk;
    o.verbosity = verbosity;
    return o;
}

// An engine over the function number f of k inputs, configured as the run driver does.
class Engine {
public:
    Engine(uint32_t f, uint32_t k, const std::string& library = "8",
           const std::string& costs = "1") {
        target_ = DeriveFnctPLA(f, k, false);
        e.set_polyedges(false);
        e.set_PLA(target_.get());
        target_->NameVars();
        e.set_inv(true);
        e.set_const(true);
        e.DeriveFunctions(library);
        e.set_GateCosts(costs);
        e.set_difftopology(false);
        // These tests follow the classic procedure, in which every node count goes to the
        // external solver; the lower-bound engine is switched on where a test says so.
        e.useFastBound = false;
        library_ = library;
    }

    // The circuit of a model, through the DOT writer.
    GateCircuit circuit(const SoPLA* model) {
        e.SaveDOT(model, e.n, "check.dot");
        return GateCircuit::FromDot(readFile("check.dot"), library_);
    }

    SAT_CircGen e;

private:
    std::unique_ptr<PLA> target_;
    std::string library_;
};

// The node counts of the solver runs, from the verbose lines "n = <n>".
std::vector<std::string> triedCounts(const std::string& out) {
    std::vector<std::string> counts;
    for (const std::string& line : splitLines(out))
        if (line.rfind("n = ", 0) == 0) counts.push_back(line.substr(4));
    return counts;
}

std::vector<std::string> linesStartingWith(const std::string& out, const std::string& prefix) {
    std::vector<std::string> lines;
    for (const std::string& line : splitLines(out))
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

// Runs action with the standard output captured (the verbose lines, the solver's chatter)
// and returns what it printed; the capture ends also when the action throws.
std::string captured(const std::function<void()>& action) {
    testing::internal::CaptureStdout();
    try {
        action();
    } catch (...) {
        testing::internal::GetCapturedStdout();
        throw;
    }
    return testing::internal::GetCapturedStdout();
}

class SearchTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedCwd cwd{dir.path()};
};

} // namespace

TEST_F(SearchTest, FirstSearchGrowsTheNodeCountFromZero) {
    Engine x(6, 2);
    const std::string out = captured([&] { x.e.Generate(opts(false, false, false, false, 1)); });
    EXPECT_EQ(triedCounts(out), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(linesStartingWith(out, "PBO:       NO").size(), 4u);
    EXPECT_EQ(linesStartingWith(out, "Max. cost: 1").size(), 4u);
    // Variables and clauses of each instance are reported; the instance grows with n.
    const std::vector<std::string> vars = linesStartingWith(out, "Variables: ");
    ASSERT_EQ(vars.size(), 4u);
    EXPECT_LT(std::stoul(vars[0].substr(11)), std::stoul(vars[3].substr(11)));
    EXPECT_EQ(linesStartingWith(out, "Clauses:   ").size(), 4u);

    ASSERT_NE(x.e.SAT_res, nullptr);
    EXPECT_EQ(x.e.SAT_res, x.e.bestRes);
    EXPECT_EQ(x.e.n, 3u);
    EXPECT_EQ(x.e.best_n, 3u);
    EXPECT_EQ(x.e.best_cost, 3u);
    EXPECT_EQ(x.e.sol_no, 1u);
    EXPECT_EQ(Mismatch(x.circuit(x.e.SAT_res.get()), Expected::FromNumber(6, 2)), "");
    EXPECT_FALSE(fileExists("constr.cnf"));
}

TEST_F(SearchTest, LowerBoundEngineSkipsTheCountsBelowTheOptimum) {
    // The exclusive-or of three inputs takes six and-nodes: the engine rules out 0..5, so
    // the solver runs once, at 6, and finds the same kind of solution.
    Engine x(150, 3);
    x.e.useFastBound = true;
    const std::string out = captured([&] { x.e.Generate(opts(false, false, false, false, 1)); });
    EXPECT_EQ(triedCounts(out), (std::vector<std::string>{"6"}));
    ASSERT_NE(x.e.SAT_res, nullptr);
    EXPECT_EQ(x.e.n, 6u);
    EXPECT_EQ(x.e.sol_no, 1u);
    EXPECT_EQ(Mismatch(x.circuit(x.e.SAT_res.get()), Expected::FromNumber(150, 3)), "");

    // A preset node count is tried as it is, engine or not; too small, it gives nothing.
    Engine y(150, 3);
    y.e.useFastBound = true;
    y.e.n = 4;
    y.e.fixedN = true;
    const std::string outY = captured([&] { y.e.Generate(opts(false, false, false, false, 1)); });
    EXPECT_EQ(triedCounts(outY), (std::vector<std::string>{"4"}));
    EXPECT_TRUE(!y.e.SAT_res && !y.e.bestRes);
    EXPECT_EQ(y.e.sol_no, 0u);
    EXPECT_EQ(y.e.n, 4u);
}

// Exclusive-or gates of cost 9 against and-nodes of cost 1 for the exclusive-or of three
// inputs: 2 nodes cost 18, 3 nodes nothing cheaper, 4 nodes 12 (one exclusive-or); at 5
// nodes the bound 12 - 1 - 4 = 7 rules the exclusive-or out and the search ends.
TEST_F(SearchTest, CostSearchTightensTheBound) {
    Engine x(150, 3, "86", "19");
    const std::string out = captured([&] { x.e.Generate(opts(false, false, false, false, 1)); });
    EXPECT_EQ(triedCounts(out), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    const std::vector<std::string> bounds = linesStartingWith(out, "Max. cost: ");
    ASSERT_EQ(bounds.size(), 6u);
    EXPECT_EQ(bounds[4], "Max. cost: 9");
    EXPECT_EQ(bounds[5], "Max. cost: 7");
    EXPECT_EQ(linesStartingWith(out, "PBO:       YES").size(), 6u);
    EXPECT_EQ(x.e.n, 4u);
    EXPECT_EQ(x.e.best_cost, 12u);
    EXPECT_EQ(x.e.best_n, 4u);
    EXPECT_EQ(x.e.sol_no, 1u);
    const GateCircuit c = x.circuit(x.e.SAT_res.get());
    EXPECT_EQ(Mismatch(c, Expected::FromNumber(150, 3)), "");
    EXPECT_EQ(x.e.ComputeCost(x.e.SAT_res.get(), x.e.n), 12u);
}

// Costs 2 and 3: two exclusive-ors cost 6 at 2 nodes; 3 nodes cannot beat that, so the
// same 2 nodes are tried again under a bound that still admits cost 6. That run finds
// nothing cheaper and would only repeat itself: the search ends there.
TEST_F(SearchTest, CostSearchEndsWhereItWouldRepeatItself) {
    Engine x(150, 3, "86", "23");
    const std::string out = captured([&] { x.e.Generate(opts(false, false, false, false, 1)); });
    EXPECT_EQ(triedCounts(out), (std::vector<std::string>{"0", "1", "2", "2"}));
    EXPECT_EQ(x.e.n, 2u);
    EXPECT_EQ(x.e.best_cost, 6u);
    ASSERT_NE(x.e.SAT_res, nullptr);
    EXPECT_EQ(Mismatch(x.circuit(x.e.SAT_res.get()), Expected::FromNumber(150, 3)), "");
}

// Enumeration of the and of x0, x1, x2 and not x3: three and-nodes, 3 balanced trees and
// 12 chains. Each call returns the next solution; the last returns none.
TEST_F(SearchTest, EnumerationReturnsEverySolutionOnce) {
    Engine x(0x80, 4);
    std::set<std::string> seen;
    for (uint32_t call = 1; call <= 15; ++call) {
        x.e.Generate(opts(true, true, false, false, 0));
        ASSERT_NE(x.e.SAT_res, nullptr) << call;
        EXPECT_EQ(x.e.sol_no, call);
        EXPECT_EQ(x.e.n, 3u);
        const GateCircuit c = x.circuit(x.e.SAT_res.get());
        EXPECT_EQ(Mismatch(c, Expected::FromNumber(0x80, 4)), "");
        EXPECT_TRUE(seen.insert(c.Canonical(false)).second) << "solution " << call << " again";
        if (call == 1) {
            EXPECT_FALSE(fileExists("constr.cnf")); // the first call never saves
        } else {
            // Saved after excluding the previous solution, before looking for this one.
            EXPECT_EQ(stateLines(readFile("constr.cnf")),
                      (std::vector<std::string>{"c n=3", "c best_cost=3", "c best_n=3",
                                                "c sol_no=" + std::to_string(call - 1)}));
        }
        EXPECT_FALSE(fileExists("constr.cnf.tmp"));
    }
    const std::string out = captured([&] { x.e.Generate(opts(true, true, false, false, 0)); });
    EXPECT_EQ(x.e.SAT_res, nullptr);
    EXPECT_EQ(x.e.sol_no, 15u);
    EXPECT_NE(out.find("deleting"), std::string::npos);
    EXPECT_FALSE(fileExists("constr.cnf"));
}

// A continuation file whose variables are not where this problem's instance has them
// belongs to another problem.
TEST_F(SearchTest, ContinuationFileOfAnotherProblemIsRejected) {
    {
        Engine first(0x80, 4);
        first.e.Generate(opts(true, true, false, false, 0));
        first.e.Generate(opts(true, true, false, false, 0));
    }
    // Without the line that records its problem (a file of an older version), the
    // variables themselves tell that the file is another problem's.
    std::string cnf = readFile("constr.cnf");
    const size_t line = cnf.find("c problem ");
    ASSERT_NE(line, std::string::npos);
    cnf.erase(line, cnf.find('\n', line) + 1 - line);
    writeFile("constr.cnf", cnf);
    Engine other(0x80, 4, "86", "11");
    const std::string message =
        messageOf([&] { other.e.Generate(opts(true, true, false, false, 0)); });
    EXPECT_EQ(message.rfind(rt("SAT_CircGen::Generate: "), 0), 0u) << message;
    EXPECT_NE(message.find("belongs to another problem"), std::string::npos) << message;
}

TEST_F(SearchTest, ContinuationFileWithoutItsStateIsRejected) {
    {
        Engine first(0x80, 4);
        first.e.Generate(opts(true, true, false, false, 0));
        first.e.Generate(opts(true, true, false, false, 0));
    }
    std::string cnf = readFile("constr.cnf");
    const size_t at = cnf.find("c sol_no=1\n");
    ASSERT_NE(at, std::string::npos);
    cnf.erase(at, 11);
    writeFile("constr.cnf", cnf);
    Engine resumed(0x80, 4);
    EXPECT_EQ(messageOf([&] { resumed.e.Generate(opts(true, true, false, false, 0)); }),
              "Runtime Exception: SAT_CircGen::Generate:corrupted continuation CNF file.");
    // Without -continue the file is not looked at.
    Engine plain(0x80, 4);
    plain.e.Generate(opts(true, false, false, false, 0));
    EXPECT_EQ(plain.e.sol_no, 1u);
}

TEST_F(SearchTest, BestWithEnumerationNeedsBulkMode) {
    Engine x(6, 2);
    EXPECT_EQ(messageOf([&] { x.e.Generate(opts(true, false, true, false, 0)); }),
              "Runtime Exception: SAT_CircGen::Generate: enumerate & best must be run in bulk "
              "mode");
    EXPECT_FALSE(fileExists("inst.cnf")); // refused before any solver run
}

// Which solutions best delay picks is checked end to end (test_e2e_enum). A first solution
// that is already as shallow as n nodes allow ends the call at once: the exclusive-or of two
// inputs, 3 nodes, 2 levels, one solver run per n.
TEST_F(SearchTest, BestDelayStopsAtTheShallowestPossibleSolution) {
    Engine x(6, 2);
    const std::string out = captured([&] { x.e.Generate(opts(false, false, true, false, 1)); });
    EXPECT_EQ(triedCounts(out).size(), 4u);
    EXPECT_EQ(x.e.sol_no, 1u);
    ASSERT_NE(x.e.SAT_res, nullptr);
    EXPECT_EQ(x.e.SAT_res, x.e.bestRes);
    EXPECT_EQ(x.e.getLevels(x.e.SAT_res.get(), x.e.n), 2u);
}

TEST_F(SearchTest, SaveConstraintsReplacesTheFileWhole) {
    Engine x(6, 2);
    x.e.Generate(opts(false, false, false, false, 0));
    x.e.SaveConstraints();
    const std::string saved = readFile("constr.cnf");
    EXPECT_EQ(stateLines(saved),
              (std::vector<std::string>{"c n=3", "c best_cost=3", "c best_n=3", "c sol_no=1"}));
    // The state lines and the problem it belongs to come right before the problem line,
    // after the variable names.
    const std::vector<std::string> lines = splitLines(saved);
    size_t problem = 0;
    while (problem < lines.size() && lines[problem].rfind("p cnf", 0) != 0)
        ++problem;
    ASSERT_GE(problem, 5u);
    EXPECT_EQ(lines[problem - 1], "c problem " + x.e.ProblemFingerprint());
    EXPECT_EQ(lines[problem - 2], "c sol_no=1");
    EXPECT_EQ(lines[problem - 5], "c n=3");
    EXPECT_FALSE(fileExists("constr.cnf.tmp"));

    // A save that cannot replace the file leaves what was there and no temporary file.
    std::filesystem::remove("constr.cnf");
    std::filesystem::create_directories("constr.cnf/keep");
    const std::string message = messageOf([&] { x.e.SaveConstraints(); });
    EXPECT_EQ(message.rfind("I/O Exception: SAT_CircGen::SaveConstraints: Cannot replace "
                            "constr.cnf",
                            0),
              0u)
        << message;
    EXPECT_TRUE(std::filesystem::is_directory("constr.cnf/keep"));
    EXPECT_FALSE(fileExists("constr.cnf.tmp"));
}

// A pending stop request ends the search before the next solver run or save.
TEST_F(SearchTest, StopRequestEndsTheSearch) {
    Engine x(0x80, 4);
    x.e.Generate(opts(true, true, false, false, 0));
    x.e.Generate(opts(true, true, false, false, 0));
    const std::string saved = readFile("constr.cnf");
    StopRequest::Raise(SIGTERM);
    int signo = 0;
    try {
        x.e.Generate(opts(true, true, false, false, 0));
    } catch (const StopRequested& stop) {
        signo = stop.signo();
    }
    StopRequest::Clear();
    EXPECT_EQ(signo, SIGTERM);
    EXPECT_EQ(readFile("constr.cnf"), saved); // the next save never happened
    EXPECT_EQ(x.e.sol_no, 2u);

    Engine fresh(6, 2);
    std::filesystem::remove("inst.cnf");
    StopRequest::Raise(SIGINT);
    EXPECT_EQ(messageOf([&] { fresh.e.Generate(opts(false, false, false, false, 0)); }),
              "Interrupted by SIGINT");
    StopRequest::Clear();
    EXPECT_FALSE(fileExists("inst.cnf")); // no solver run was started
    EXPECT_EQ(fresh.e.SAT_res, nullptr);
}

// With verbosity above 1 each instance and each model is logged.
TEST_F(SearchTest, VerboseLogFiles) {
    std::filesystem::create_directory("log");
    Engine x(8, 2);
    captured([&] { x.e.Generate(opts(false, false, false, false, 2)); });
    ASSERT_NE(x.e.SAT_res, nullptr);
    // The last instance (n = 1) as a clause listing, and its model.
    const std::vector<std::string> clauses = splitLines(readFile("log/SAT.txt"));
    ASSERT_FALSE(clauses.empty());
    for (const std::string& c : clauses)
        EXPECT_TRUE(c.front() == '(' && c.back() == ')') << c;
    const std::string model = readFile("log/SAT_sol.txt");
    EXPECT_NE(model.find("O0_3 = 1\n"), std::string::npos) << model; // the node drives y0
    EXPECT_NE(model.find("N3_0 = 0\n"), std::string::npos) << model;
}

// After a cost search whose bound was never tightened, the instance rebuilt for the best
// solution's n keeps its function-select variables, so the enumeration goes on with the
// optimizer: the three ways to chain two exclusive-ors, all of cost 6.
TEST_F(SearchTest, EnumerationAfterACostSearch) {
    Engine x(150, 3, "86", "23");
    std::set<std::string> seen;
    for (;;) {
        captured([&] { x.e.Generate(opts(true, false, false, false, 0)); });
        if (!x.e.SAT_res) break;
        const GateCircuit c = x.circuit(x.e.SAT_res.get());
        EXPECT_EQ(Mismatch(c, Expected::FromNumber(150, 3)), "");
        EXPECT_EQ(x.e.ComputeCost(x.e.SAT_res.get(), x.e.n), 6u);
        EXPECT_TRUE(seen.insert(c.Canonical(true)).second);
    }
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(x.e.sol_no, 3u);
}
