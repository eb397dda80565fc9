// The search loop on a configured engine with the external programs, for what runs of the
// program do not show: the node counts and cost bounds it tries (the verbose lines), the
// end of a cost search that would repeat itself, enumeration after a cost search, a foreign
// or damaged continuation file, the crash-safe save and the verbose log. Results of whole
// searches, enumeration, best delay and continuation are checked end to end (test_e2e_*).
#include "app/TargetFunction.h"
#include "synth/SAT_CircGen.h"
#include "tests/support/CircuitCheck.h"
#include "tests/support/EngineAccess.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace testsupport;

namespace {

GenerateOptions opts(bool enumerate, bool cont, bool best, unsigned verbosity) {
    GenerateOptions o;
    o.enumerate = enumerate;
    o.cont = cont;
    o.best = best;
    o.verbosity = verbosity;
    return o;
}

// An engine over the function number f of k inputs, configured as the run driver does,
// on the external route without the lower-bound engine (the classic procedure: every
// node count goes to the solver) unless a test says otherwise.
class Engine {
public:
    Engine(uint32_t f, uint32_t k, const std::string& library = "8", const std::string& costs = "1",
           uint32_t preset = 0)
        : e(problem(f, k, library, costs, preset), SolverRoute::Minisat), f_(f), k_(k),
          library_(library) {}

    SearchResult run(GenerateOptions o) {
        o.lowerBound = lowerBound;
        return e.Generate(o);
    }
    // The current solution, drawn and read back: "" when it realises the target.
    std::string mismatch() {
        e.SaveDOT(e.Solution(), e.Nodes(), "check.dot");
        return Mismatch(circuit(), Expected::FromNumber(f_, k_));
    }
    GateCircuit circuit() const { return GateCircuit::FromDot(readFile("check.dot"), library_); }

    SAT_CircGen e;
    bool lowerBound = false;

private:
    static Problem problem(uint32_t f, uint32_t k, const std::string& library,
                           const std::string& costs, uint32_t preset) {
        std::shared_ptr<PLA> target = DeriveFnctPLA(f, k, false);
        target->NameVars();
        Problem p;
        p.target = target;
        p.library = Library(library, costs);
        p.presetNodes = preset;
        return p;
    }
    uint32_t f_, k_;
    std::string library_;
};

// Runs action with the standard output captured and returns what it printed.
std::string captured(const std::function<void()>& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// The verbose lines of one field ("n", "Max. cost", ...), the values only.
std::vector<std::string> field(const std::string& out, const std::string& name) {
    std::vector<std::string> values;
    for (const std::string& line : splitLines(out))
        if (line.rfind(name + ":", 0) == 0 || line.rfind(name + " = ", 0) == 0)
            values.push_back(line.substr(line.find_first_not_of(" :=", name.size())));
    return values;
}

class Search : public ::testing::Test {
protected:
    TempDir dir;
    ScopedCwd cwd{dir.path()};
};

} // namespace

// The first search tries n = 0, 1, 2, ... and reports each instance; above verbosity 1 the
// last instance (n = 3) is logged as a clause listing, and its model. With the lower-bound
// engine the solver runs only at the optimum; a preset count is tried as it is. (Best delay
// is compared between the routes end to end, test_e2e_routes.)
TEST_F(Search, NodeCountsTried) {
    std::filesystem::create_directory("log");
    Engine x(6, 2);
    const std::string out = captured([&] { x.run(opts(false, false, false, 2)); });
    EXPECT_EQ(field(out, "n"), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(field(out, "PBO"), std::vector<std::string>(4, "NO"));
    EXPECT_EQ(field(out, "Max. cost"), std::vector<std::string>(4, "1"));
    ASSERT_NE(x.e.Solution(), nullptr);
    EXPECT_EQ(EngineAccess::model(x.e), EngineAccess::best(x.e));
    EXPECT_EQ(std::make_tuple(x.e.Nodes(), EngineAccess::bestNodes(x.e),
                              EngineAccess::bestCost(x.e), EngineAccess::solutionCount(x.e)),
              std::make_tuple(3u, 3u, 3u, 1u));
    EXPECT_EQ(x.mismatch(), "");
    const std::vector<std::string> clauses = splitLines(readFile("log/SAT.txt"));
    ASSERT_FALSE(clauses.empty());
    for (const std::string& c : clauses)
        EXPECT_TRUE(c.front() == '(' && c.back() == ')') << c;
    // Every node is used: the output is driven by the last one, node 5.
    const std::string model = readFile("log/SAT_sol.txt");
    EXPECT_NE(model.find("O0_5 = 1\n"), std::string::npos) << model;

    Engine bound(150, 3);
    bound.lowerBound = true;
    EXPECT_EQ(field(captured([&] { bound.run(opts(false, false, false, 1)); }), "n"),
              std::vector<std::string>{"6"});
    EXPECT_EQ(bound.mismatch(), "");
    Engine preset(150, 3, "8", "1", 4);
    preset.lowerBound = true;
    EXPECT_EQ(field(captured([&] { preset.run(opts(false, false, false, 1)); }), "n"),
              std::vector<std::string>{"4"});
    EXPECT_TRUE(!preset.e.Solution() && !EngineAccess::best(preset.e) &&
                EngineAccess::solutionCount(preset.e) == 0);
}

// The external route's cost search on the exclusive-or of three inputs. Costs 1 and 9: 2
// nodes cost 18, 3 nodes nothing cheaper, 4 nodes 12 (one exclusive-or); at 5 nodes the
// bound 12 - 1 - 4 = 7 rules the exclusive-or out and the search ends. Costs 2 and 3: two
// exclusive-ors cost 6 at 2 nodes; 3 nodes cannot beat that, so the same 2 nodes are tried
// again under a bound that still admits cost 6. That run finds nothing cheaper and would
// only repeat itself: the search ends there. (The first search's circuit is checked end to
// end, test_e2e_runs.)
TEST_F(Search, CostSearchBoundsAndItsEnd) {
    Engine x(150, 3, "86", "19");
    const std::string out = captured([&] { x.run(opts(false, false, false, 1)); });
    EXPECT_EQ(field(out, "n"), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(field(out, "Max. cost"), (std::vector<std::string>{"9", "9", "9", "9", "9", "7"}));
    EXPECT_EQ(field(out, "PBO"), std::vector<std::string>(6, "YES"));

    Engine repeat(150, 3, "86", "23");
    const std::string again = captured([&] { repeat.run(opts(false, false, false, 1)); });
    EXPECT_EQ(field(again, "n"), (std::vector<std::string>{"0", "1", "2", "2"}));
    EXPECT_EQ(EngineAccess::bestCost(repeat.e), 6u);
    EXPECT_EQ(repeat.mismatch(), "");
}

// After a cost search whose bound was never tightened, the instance rebuilt for the best
// solution's n keeps its function-select variables, so the enumeration goes on with the
// optimizer: the three ways to chain two exclusive-ors, all of cost 6.
TEST_F(Search, EnumerationAfterACostSearch) {
    Engine x(150, 3, "86", "23");
    std::set<std::string> seen;
    for (;;) {
        captured([&] { x.run(opts(true, false, false, 0)); });
        if (!x.e.Solution()) break;
        EXPECT_EQ(x.mismatch(), "");
        EXPECT_EQ(x.e.ComputeCost(x.e.Solution(), x.e.Nodes()), 6u);
        EXPECT_TRUE(seen.insert(x.circuit().Canonical(true)).second);
    }
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(EngineAccess::solutionCount(x.e), 3u);
}

// A continuation file without its state lines is damaged; one without the line that
// records its problem (an older version's) whose variables are not where this problem's
// instance has them, in number or in name, belongs to another problem. Without -continue
// the file is not read.
TEST_F(Search, ContinuationFiles) {
    {
        Engine first(0x80, 4);
        first.run(opts(true, true, false, 0));
        first.run(opts(true, true, false, 0));
    }
    const std::string saved = readFile("constr.cnf");
    std::string cnf = saved;
    cnf.erase(cnf.find("c sol_no=1\n"), 11);
    writeFile("constr.cnf", cnf);
    Engine damaged(0x80, 4);
    EXPECT_EQ(messageOf([&] { damaged.run(opts(true, true, false, 0)); }),
              rt("constr.cnf: the continuation file is damaged"));
    Engine plain(0x80, 4);
    plain.run(opts(true, false, false, 0));
    EXPECT_EQ(EngineAccess::solutionCount(plain.e), 1u);

    cnf = saved;
    const size_t line = cnf.find("c problem ");
    cnf.erase(line, cnf.find('\n', line) + 1 - line);
    writeFile("constr.cnf", cnf);
    Engine other(0x80, 4, "86", "11");
    const std::string message = messageOf([&] { other.run(opts(true, true, false, 0)); });
    EXPECT_EQ(message.rfind(rt("constr.cnf has "), 0), 0u) << message;
    EXPECT_NE(message.find("belongs to another problem"), std::string::npos) << message;
    // Variables of the right number where this problem has others.
    cnf.replace(cnf.find("c 1 O0_0\n"), 8, "c 1 Q0_0");
    writeFile("constr.cnf", cnf);
    Engine renamed(0x80, 4);
    EXPECT_EQ(messageOf([&] { renamed.run(opts(true, true, false, 0)); }),
              rt("constr.cnf: variable 1 of constr.cnf is Q0_0, where this problem's "
                 "instance for n = 3 has O0_0: it belongs to another problem."));

    // Best delay with enumeration is for bulk mode only, refused before any solver run.
    Engine bulk(6, 2);
    std::filesystem::remove("inst.cnf");
    EXPECT_EQ(messageOf([&] { bulk.run(opts(true, false, true, 0)); }),
              rt("enumeration with least depth must be run in bulk mode"));
    EXPECT_FALSE(std::filesystem::exists("inst.cnf"));

    // A save that cannot replace constr.cnf leaves what was there and no temporary file
    // (what a save holds is checked end to end, test_e2e_enum).
    std::filesystem::remove("constr.cnf");
    std::filesystem::create_directories("constr.cnf/keep");
    EXPECT_EQ(messageOf([&] {
                  plain.e.SaveConstraints();
              }).rfind("I/O Exception: cannot replace constr.cnf", 0),
              0u);
    EXPECT_TRUE(std::filesystem::is_directory("constr.cnf/keep"));
    EXPECT_FALSE(fileExists("constr.cnf.tmp"));
}
