// Engine state: defaults, the problem shape, gate costs and release of the models.
#include "synth/SAT_CircGen.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace {

using testsupport::messageOf;
using testsupport::rt;

PLA plaOfShape(uint32_t inputs, uint32_t outputs) {
    PLA pla(inputs, outputs, PLA_type("fr"));
    pla.AppendTerm(std::string(inputs, '1'), std::string(outputs, '1'));
    return pla;
}

// A library of `count` functions as far as the gate costs are concerned.
void fakeLibrary(SAT_CircGen& e, size_t count) {
    e.nodeFunctions.assign(count, PLA());
}

Model someModel() {
    return std::make_shared<SoPLA>(3);
}

TEST(EngineState, FreshEngineHasTheDocumentedDefaults) {
    SAT_CircGen e;
    EXPECT_EQ(std::make_tuple(e.k, e.m, e.n, e.maxGateCost, e.minGateCost, e.best_cost, e.best_n,
                              e.sol_no, e.functionCount, e.codeBits),
              std::make_tuple(0u, 1u, 0u, 1u, 1u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0u, 0u, 0u));
    EXPECT_EQ(std::make_tuple(e.polyEdges, e.allowInv, e.allSymmetric, e.costsDiffer, e.fixedN,
                              e.pboMode),
              std::make_tuple(false, true, true, false, false, false));
    EXPECT_TRUE(!e.target && !e.SAT_res && !e.bestRes && e.solutions.empty() && e.clauses.empty() &&
                e.gateCosts.empty());
}

// The kinds of error the entry point tells apart, by their messages.
TEST(EngineState, ErrorKindsAndTheirMessages) {
    EXPECT_EQ(InternalError("x").GetMsg(), "internal error: x");
    EXPECT_EQ(ResourceError("out of memory y").GetMsg(), "out of memory y");
    EXPECT_EQ(RuntimeException("z").GetMsg(), rt("z"));
    const std::exception& any = IOException("w");
    EXPECT_STREQ(any.what(), "I/O Exception: w");
    // An engine without an instance has no variable map.
    SAT_CircGen e;
    EXPECT_THROW(e.Vars(), InternalError);
}

TEST(EngineState, SetPlaTakesInputsAndOutputsAndExcludesTheControlInput) {
    PLA pla = plaOfShape(4, 2);
    SAT_CircGen plain;
    plain.set_PLA(&pla);
    EXPECT_EQ(plain.k, 4u);
    EXPECT_EQ(plain.m, 2u);
    EXPECT_EQ(plain.target, &pla);

    SAT_CircGen poly;
    poly.set_polyedges(true);
    poly.set_PLA(&pla);
    EXPECT_EQ(poly.k, 3u);
    EXPECT_EQ(poly.m, 2u);
}

TEST(EngineState, ChangingTheProblemDropsClausesAndModels) {
    PLA pla = plaOfShape(2, 1);
    for (int which = 0; which < 3; ++which) {
        SAT_CircGen e;
        e.clauses.AppendInput("a");
        e.clauses.AppendTerm(std::string("1"));
        std::weak_ptr<SoPLA> watch;
        {
            Model model = someModel();
            watch = model;
            e.SAT_res = model;
            e.solutions.push_back(model);
        }
        if (which == 0) e.set_k(5);
        if (which == 1) e.set_n(7);
        if (which == 2) e.set_PLA(&pla);
        EXPECT_TRUE(e.clauses.empty()) << which;
        EXPECT_EQ(e.clauses.getInputs(), 0u) << which;
        EXPECT_EQ(e.SAT_res, nullptr) << which;
        EXPECT_TRUE(e.solutions.empty()) << which;
        EXPECT_TRUE(watch.expired()) << which;
    }
}

TEST(EngineState, CleanReleasesEveryModelOnceAndNullsThePointers) {
    SAT_CircGen e;
    std::weak_ptr<SoPLA> shared, other, listed;
    {
        Model both = someModel(), second = someModel(), third = someModel();
        shared = both;
        other = second;
        listed = third;
        e.SAT_res = both;
        e.bestRes = both;
        e.solutions = {both, second, third};
    }
    e.clean();
    EXPECT_TRUE(!e.SAT_res && !e.bestRes && e.solutions.empty());
    EXPECT_TRUE(shared.expired() && other.expired() && listed.expired());
    // Models still held when the engine goes away are released too.
    std::weak_ptr<SoPLA> held;
    {
        SAT_CircGen scoped;
        scoped.bestRes = someModel();
        held = scoped.bestRes;
    }
    EXPECT_TRUE(held.expired());
}

TEST(EngineState, GateCostsAreHexadecimalDigitsOfEitherCase) {
    struct Case {
        size_t functions;
        const char* digits;
        std::vector<uint32_t> costs;
        uint32_t max, min;
        bool differ;
    };
    const Case cases[] = {
        {3, "111", {1, 1, 1}, 1, 1, false},
        {3, "121", {1, 2, 1}, 2, 1, true},
        {2, "33", {3, 3}, 3, 3, false}, // the largest cost never stays at the constructor's 1
        {4, "1Aaf", {1, 10, 10, 15}, 15, 1, true},
        {2, "F9", {15, 9}, 15, 9, true},
    };
    for (const Case& c : cases) {
        SAT_CircGen e;
        fakeLibrary(e, c.functions);
        e.set_GateCosts(c.digits);
        EXPECT_EQ(e.gateCosts, c.costs) << c.digits;
        EXPECT_EQ(e.maxGateCost, c.max) << c.digits;
        EXPECT_EQ(e.minGateCost, c.min) << c.digits;
        EXPECT_EQ(e.costsDiffer, c.differ) << c.digits;
    }
}

TEST(EngineState, GateCostErrorsKeepWhatWasStoredBeforeThem) {
    const std::string length = rt("SAT_CircGen::set_GateCosts: the length of gates costs must "
                                  "be equal to the number of node functions");
    const std::string zero = rt("SAT_CircGen::set_GateCosts: zero cost not allowed");
    const std::string invalid = rt("SAT_CircGen::set_GateCosts: invalid cost");
    const std::pair<const char*, std::string> cases[] = {{"11", length},  {"10", zero},
                                                         {"1x", invalid}, {"1g", invalid},
                                                         {"1 ", invalid}, {"1G", invalid}};
    for (const auto& [costs, message] : cases) {
        SAT_CircGen e;
        fakeLibrary(e, std::string(costs) == "11" ? 3 : 2);
        EXPECT_EQ(messageOf([&] { e.set_GateCosts(costs); }), message) << costs;
        EXPECT_TRUE(message != length || e.minGateCost == 0xFFFFFFFFu);
    }
    SAT_CircGen e;
    fakeLibrary(e, 3);
    e.set_GateCosts("222");
    EXPECT_THROW(e.set_GateCosts("5x3"), RuntimeException);
    EXPECT_EQ(e.gateCosts, (std::vector<uint32_t>{5, 0, 0}));
    EXPECT_EQ(std::make_tuple(e.maxGateCost, e.minGateCost, e.costsDiffer),
              std::make_tuple(5u, 5u, false)); // costsDiffer unchanged from the successful call
    // Without a library the lengths are not compared.
    SAT_CircGen free, empty;
    free.set_GateCosts("12");
    EXPECT_EQ(free.gateCosts, (std::vector<uint32_t>{1, 2}));
    EXPECT_TRUE(free.costsDiffer);
    empty.set_GateCosts("");
    EXPECT_TRUE(empty.gateCosts.empty() && empty.costsDiffer);
    EXPECT_EQ(empty.minGateCost, 0xFFFFFFFFu);
}

} // namespace
