// The public library interface: targets in each form, single- and multi-output searches
// with don't cares (every circuit simulated, and its BLIF read back), enumeration counted
// against the command, the time limit and the token, impossible targets and refusals.
#include "quillon/quillon.h"
#include "tests/support/BlifEval.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <regex>
#include <stdexcept>
#include <thread>

namespace {

using namespace testsupport;
using quillon::Status;
using quillon::Words;

bool bitOf(const Words& w, uint64_t r) {
    return (w[r / 64] >> (r % 64)) & 1u;
}

// "" when the circuit realises the target on every row it cares about, by its own
// simulation and by its BLIF netlist read back; otherwise the first difference.
std::string mismatch(const quillon::Circuit& c, const quillon::Target& t) {
    const std::vector<Words> values = c.simulate();
    if (values.size() != t.tables.size()) return "output count";
    const BlifCircuit blif = BlifCircuit::parse(c.blif());
    const uint64_t rows = uint64_t(1) << t.inputs;
    for (size_t o = 0; o < t.tables.size(); ++o)
        for (uint64_t r = 0; r < rows; ++r) {
            const bool cares = o >= t.care.size() || t.care[o].empty() || bitOf(t.care[o], r);
            if (!cares) continue;
            if (bitOf(values[o], r) != bitOf(t.tables[o], r))
                return "simulation, output " + std::to_string(o) + " row " + std::to_string(r);
            // BLIF rows take input 0 as the most significant bit.
            uint32_t blifRow = 0;
            for (uint32_t q = 0; q < t.inputs; ++q)
                blifRow |= ((r >> q) & 1u) << (t.inputs - 1 - q);
            if (blif.evaluateRow(blifRow).at(o) != (bitOf(t.tables[o], r) ? 1 : 0))
                return "BLIF, output " + std::to_string(o) + " row " + std::to_string(r);
        }
    return "";
}

TEST(Api, TargetsInEveryForm) {
    const quillon::Target n = quillon::Target::FromNumber(0x6996, 4);
    const quillon::Target h = quillon::Target::FromHex("6996");
    const quillon::Target x = quillon::Target::FromHex("0x6996", 4);
    EXPECT_EQ(h.inputs, 4u);
    EXPECT_EQ(n.tables, h.tables);
    EXPECT_EQ(x.tables, h.tables);
    EXPECT_EQ(quillon::Target::FromHex("8").inputs, 2u);
    EXPECT_EQ(quillon::Target::FromHex("E8", 3).tables[0], (Words{0xE8}));
    EXPECT_EQ(
        quillon::Target::FromHex("8000000000000000000000000000000000000000000000000000000000000000")
            .inputs,
        8u);
    EXPECT_EQ(quillon::Target::FromHex("80000000000000000000000000000001", 7).tables[0],
              (Words{1, uint64_t(1) << 63}));
    for (const auto& bad : {std::string("6G"), std::string(""), std::string("123")})
        EXPECT_THROW(quillon::Target::FromHex(bad, bad == "123" ? 4 : 0), std::invalid_argument)
            << bad;
    EXPECT_THROW(quillon::Target::FromNumber(0x1FF, 3), std::invalid_argument);
    EXPECT_THROW(quillon::Target::FromNumber(1, 7), std::invalid_argument);
}

// The optimum sizes are the command's: parity of four over AND/XOR (3), of three over AND
// (6), the majority (4). The JSON, Verilog, DOT and AIGER texts are made.
TEST(Api, SingleOutputOptima) {
    struct Case {
        uint64_t f;
        uint32_t k;
        const char* library;
        size_t gates;
    };
    for (const Case& c : {Case{0x6996, 4, "86", 3}, Case{0x96, 3, "8", 6}, Case{0xE8, 3, "8", 4},
                          Case{0x8, 2, "8", 1}, Case{0x2, 1, "8", 0}}) {
        quillon::Params p;
        p.library = c.library;
        const quillon::Target t = quillon::Target::FromNumber(c.f, c.k);
        const quillon::Result r = quillon::synthesize(t, p);
        ASSERT_EQ(r.status, Status::Optimum) << c.f;
        ASSERT_EQ(r.circuits.size(), 1u);
        const quillon::Circuit& circuit = r.circuits[0];
        EXPECT_EQ(circuit.gates.size(), c.gates) << c.f;
        EXPECT_EQ(r.lowerBound, c.gates) << c.f;
        EXPECT_TRUE(circuit.proven);
        EXPECT_EQ(mismatch(circuit, t), "") << c.f;
        EXPECT_NE(circuit.json().find("\"status\": \"optimum\""), std::string::npos);
        EXPECT_EQ(circuit.verilog().rfind("module fnct", 0), 0u);
        EXPECT_EQ(circuit.dot().rfind("digraph Network {", 0), 0u);
        EXPECT_EQ(circuit.aiger().rfind("aig ", 0), 0u);
        EXPECT_EQ(circuit.aigerAscii().rfind("aag ", 0), 0u);
    }
    quillon::Params costly;
    costly.library = "86";
    costly.costs = "19";
    const quillon::Result r = quillon::synthesize(quillon::Target::FromNumber(0x96, 3), costly);
    ASSERT_EQ(r.status, Status::Optimum);
    EXPECT_EQ(r.circuits[0].cost, 6u); // six ANDs are cheaper than any circuit with an XOR
    EXPECT_EQ(r.circuits[0].xors, 0u);
}

// Two outputs with don't cares (random, fixed seed) over three and four inputs: every
// circuit realises every output where it cares.
TEST(Api, MultiOutputTargetsWithDontCares) {
    std::mt19937_64 random(7);
    for (uint32_t k : {3u, 4u}) {
        for (int trial = 0; trial < 3; ++trial) {
            quillon::Target t;
            t.inputs = k;
            const uint64_t mask = (uint64_t(1) << (1u << k)) - 1;
            t.AddOutput({random() & mask}, {random() & mask});
            t.AddOutput({random() & mask}, {random() & mask});
            quillon::Params p;
            p.library = "86";
            const quillon::Result r = quillon::synthesize(t, p);
            ASSERT_EQ(r.status, Status::Optimum);
            EXPECT_EQ(mismatch(r.circuits[0], t), "") << k << " " << trial;
        }
    }
}

// The enumeration hands over as many optima as the command counts, each realising the
// target, all different; false from the callback ends it.
TEST(Api, EnumerationCountsAsTheCommand) {
    const quillon::Target t = quillon::Target::FromNumber(0xE8, 3);
    std::set<std::string> seen;
    const quillon::Result r =
        quillon::enumerate(t, quillon::Params(), [&](const quillon::Circuit& c) {
            EXPECT_EQ(mismatch(c, t), "");
            seen.insert(c.blif());
            return true;
        });
    EXPECT_EQ(r.status, Status::Optimum);
    TempDir dir;
    const RunResult run = runQuillon({"-k", "3", "-f", "232", "-enum"}, dir.path());
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.out, m, std::regex("Solutions: (\\d+)"))) << run.out;
    EXPECT_EQ(seen.size(), std::stoul(m[1]));
    EXPECT_EQ(r.stats.solutions, std::stoul(m[1]));
    uint32_t calls = 0;
    quillon::enumerate(t, quillon::Params(), [&](const quillon::Circuit&) { return ++calls < 2; });
    EXPECT_EQ(calls, 2u);
    // With least depth, the bulk of optima of least depth.
    quillon::Params shallow;
    shallow.leastDepth = true;
    uint32_t deep = 0;
    quillon::enumerate(t, shallow, [&](const quillon::Circuit& c) {
        deep = std::max(deep, c.depth);
        return true;
    });
    EXPECT_EQ(deep, 3u);
}

// A hard search (the 5-input target below needs more than eight gates) stops at its time
// limit, at its conflict limit, or when its token is requested from another thread, with the bound
// it proved and the circuit built before the search (not proven optimal).
TEST(Api, TimeLimitAndToken) {
    const quillon::Target hard = quillon::Target::FromHex("169AE443", 5);
    quillon::Params p;
    p.library = "86";
    p.timeLimit = 0.5;
    const auto t0 = std::chrono::steady_clock::now();
    const quillon::Result r = quillon::synthesize(hard, p);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(r.status, Status::Timeout);
    EXPECT_LT(took, 5.0);
    EXPECT_GT(r.lowerBound, 0u);
    ASSERT_EQ(r.circuits.size(), 1u);
    EXPECT_FALSE(r.circuits[0].proven);
    EXPECT_GE(r.circuits[0].gates.size(), r.lowerBound);
    EXPECT_EQ(mismatch(r.circuits[0], hard), "");
    EXPECT_NE(r.circuits[0].json().find("\"status\": \"bounded\""), std::string::npos);

    // A conflict budget ends the search after that much solver work, whatever the timing.
    quillon::Params budget;
    budget.library = "86";
    budget.conflictLimit = 2000;
    const quillon::Result spent = quillon::synthesize(hard, budget);
    EXPECT_EQ(spent.status, Status::ConflictLimit);
    EXPECT_GT(spent.lowerBound, 0u);
    ASSERT_EQ(spent.circuits.size(), 1u);
    EXPECT_EQ(mismatch(spent.circuits[0], hard), "");
    budget.conflictLimit = 1000000;
    EXPECT_EQ(quillon::synthesize(quillon::Target::FromNumber(0x6996, 4), budget).status,
              Status::Optimum);

    quillon::Params q;
    q.library = "86";
    std::thread stopper([token = q.cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        token.request();
    });
    const quillon::Result c = quillon::synthesize(hard, q);
    stopper.join();
    EXPECT_EQ(c.status, Status::Cancelled);
    EXPECT_TRUE(q.cancel.requested());
    // A requested token stops the next call at once; a fresh one does not.
    EXPECT_EQ(quillon::synthesize(quillon::Target::FromNumber(6, 2), q).status, Status::Cancelled);
    EXPECT_EQ(quillon::synthesize(quillon::Target::FromNumber(6, 2)).status, Status::Optimum);
}

TEST(Api, ImpossibleTargetsAndRefusals) {
    quillon::Params noInv;
    noInv.library = "8";
    noInv.inversions = false;
    noInv.constants = false;
    const quillon::Result r = quillon::synthesize(quillon::Target::FromNumber(1, 1), noInv);
    EXPECT_EQ(r.status, Status::Impossible);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_TRUE(r.circuits.empty());

    quillon::Params bad;
    bad.library = "8Z";
    EXPECT_THROW(quillon::synthesize(quillon::Target::FromNumber(6, 2), bad),
                 std::invalid_argument);
    bad.library = "86";
    bad.costs = "1";
    EXPECT_THROW(quillon::synthesize(quillon::Target::FromNumber(6, 2), bad),
                 std::invalid_argument);
    quillon::Target shortTable;
    shortTable.inputs = 7;
    shortTable.AddOutput({1});
    EXPECT_THROW(quillon::synthesize(shortTable), std::invalid_argument);
    EXPECT_THROW(quillon::synthesize(quillon::Target()), std::invalid_argument);
    EXPECT_THROW(quillon::Circuit().blif(), std::logic_error);
    EXPECT_EQ(quillon::version(), "1.4");
}

} // namespace
