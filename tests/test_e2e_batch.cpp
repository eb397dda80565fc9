// Batches of targets (-batch), the result cache (-cache) and shards (-shard): rows against
// an exhaustive search and against single runs, every written circuit simulated against
// its row's function, a cache shared by two processes, damaged and foreign cache files,
// and four shards merged through GNU parallel.
#include "tests/support/CircuitCheck.h"
#include "tests/support/E2eRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// Hexadecimal tables of k inputs, one per line.
std::string tableLines(const std::vector<uint32_t>& tables, uint32_t k) {
    std::string text;
    char buf[16];
    for (uint32_t t : tables) {
        std::snprintf(buf, sizeof buf, "%0*X\n", k < 2 ? 1 : int(1u << k) / 4, t);
        text += buf;
    }
    return text;
}

// The rows of a batch's CSV without the header and the seconds column, checked for shape.
std::vector<std::vector<std::string>> rowsOf(const std::string& csv) {
    const std::vector<std::string> lines = splitLines(csv);
    EXPECT_FALSE(lines.empty());
    EXPECT_EQ(lines.at(0), "line,function,nodes,xors,levels,cost,seconds,status,lower_bound");
    std::vector<std::vector<std::string>> rows;
    for (size_t i = 1; i < lines.size(); ++i) {
        // Fields split at commas outside double quotes; a quoted field loses its quotes.
        std::vector<std::string> f(1);
        bool quoted = false;
        const std::string& line = lines[i];
        for (size_t c = 0; c < line.size(); ++c) {
            if (line[c] == '"') {
                if (quoted && c + 1 < line.size() && line[c + 1] == '"')
                    f.back() += line[++c];
                else
                    quoted = !quoted;
            } else if (line[c] == ',' && !quoted) {
                f.emplace_back();
            } else {
                f.back() += line[c];
            }
        }
        EXPECT_GE(f.size(), 8u) << lines[i];
        f.erase(f.begin() + 6);
        rows.push_back(f);
    }
    return rows;
}

// Every row optimum with the expected node count, and its BLIF file (prefix.<line>.blif)
// realising its function with that many nodes.
void checkRows(const std::string& csv, const std::string& prefix, uint32_t k,
               const std::function<std::string(uint32_t)>& nodesOf) {
    for (const auto& r : rowsOf(csv)) {
        ASSERT_EQ(r.at(6), "optimum") << r.at(1);
        const uint32_t f = static_cast<uint32_t>(std::stoul(r.at(1), nullptr, 16));
        EXPECT_EQ(r.at(2), nodesOf(f)) << r.at(1);
        const BlifCircuit blif = BlifCircuit::parse(readFile(prefix + "." + r.at(0) + ".blif"));
        EXPECT_EQ(Mismatch(blif, Expected::FromNumber(f, k)), "") << r.at(1);
    }
}

// The least number of two-input gates (all sixteen functions, inversions free) of every
// 3-input function, by exhaustive search over circuits of at most four gates.
std::vector<int> leastGates3() {
    std::vector<int> best(256, 99);
    std::vector<uint32_t> sig{0xAA, 0xCC, 0xF0};
    const auto note = [&](uint32_t v, int g) {
        best[v & 0xFF] = std::min(best[v & 0xFF], g);
        best[~v & 0xFF] = std::min(best[~v & 0xFF], g);
    };
    note(0, 0);
    for (uint32_t v : sig)
        note(v, 0);
    const auto grow = [&](const auto& self, int gates) -> void {
        if (gates == 4) return;
        const size_t n = sig.size();
        for (size_t a = 0; a < n; ++a)
            for (size_t b = a + 1; b < n; ++b)
                for (uint32_t v : {sig[a] & sig[b], sig[a] & ~sig[b], ~sig[a] & sig[b],
                                   sig[a] | sig[b], sig[a] ^ sig[b]}) {
                    sig.push_back(v & 0xFF);
                    note(v, gates + 1);
                    self(self, gates + 1);
                    sig.pop_back();
                }
    };
    grow(grow, 0);
    return best;
}

TEST(Batch, EveryThreeInputFunctionHasTheExhaustiveSearchsNodeCount) {
    TempDir dir;
    std::vector<uint32_t> all(256);
    for (uint32_t f = 0; f < 256; ++f)
        all[f] = f;
    writeFile(dir.file("all.txt"), "# every function of 3 inputs\n\n" + tableLines(all, 3));
    const RunResult r = runQuillon(
        {"-batch", "all.txt", "-k", "3", "-nodefuncts", "86", "-save_blif", "c.blif"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<int> best = leastGates3();
    checkRows(r.out, dir.file("c"), 3, [&](uint32_t f) { return std::to_string(best[f]); });
    EXPECT_EQ(rowsOf(r.out).size(), 256u);
}

// Targets of few classes, transformed under every option combination, against single runs.
TEST(Batch, RowsAgreeWithSingleRunsUnderEveryOptionCombination) {
    const std::vector<uint32_t> targets{0xE8, 0xD4, 0x17, 0x96, 0x69, 0x80, 0xFE, 0x60, 0x06, 0xCA};
    const std::vector<std::vector<std::string>> optionSets{
        {"-nodefuncts", "86"},
        {"-nodefuncts", "7", "-noinv", "-noconst"},
        {"-nodefuncts", "86", "-gatecosts", "13"},
        {"-nodefuncts", "2B6", "-gatecosts", "123", "-best"},
        {"-nodefuncts", "E", "-noconst", "-best"}};
    for (const auto& options : optionSets) {
        TempDir dir;
        writeFile(dir.file("t.txt"), tableLines(targets, 3));
        std::vector<std::string> args{"-batch", "t.txt", "-k", "3", "-save_blif", "c.blif"};
        args.insert(args.end(), options.begin(), options.end());
        const RunResult batch = runQuillon(args, dir.path());
        ASSERT_EQ(batch.status, 0) << batch.err;
        std::map<uint32_t, std::string> levels;
        checkRows(batch.out, dir.file("c"), 3, [&](uint32_t f) {
            std::string hex = tableLines({f}, 3);
            hex.pop_back();
            std::vector<std::string> single{"-k", "3", "-fh", hex, "-stats"};
            single.insert(single.end(), options.begin(), options.end());
            const std::vector<std::string> s = splitFields(lastLine(runQuillon(single).err), ';');
            levels[f] = s.at(3);
            return s.at(1);
        });
        if (options.back() != "-best") continue;
        for (const auto& r : rowsOf(batch.out))
            EXPECT_EQ(r.at(4), levels[std::stoul(r.at(1), nullptr, 16)]) << r.at(1);
    }
}

// A line is "[name,]table[/care]": a CSV name goes into the row, a 0x prefix is read, a care
// mask makes don't cares (the circuit written for it is checked on the cared rows only).
// A bad line gets an error row and the batch goes on; a batch of nothing but errors exits
// with 1.
TEST(Batch, LinesNamesCareMasksAndErrorRows) {
    TempDir dir;
    writeFile(dir.file("t.txt"), "96\nzz\n123\n  E8 \nmaj,0xE8\n\"a,b\",96/0F\n\"open,96\n");
    const RunResult r = runQuillon({"-batch", "t.txt", "-k", "3", "-save_blif", "c.blif",
                                    "-save_json", "c.json", "-save_verilog", "c.v"},
                                   dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = rowsOf(r.out);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[1].at(6), "error: Runtime Exception: the table zz is no hexadecimal number");
    EXPECT_EQ(rows[2].at(6), "error: Runtime Exception: the table 123 does not fit a truth table "
                             "of 3 inputs (-k 3 gives 2 hexadecimal digits)");
    EXPECT_EQ(rows[3].at(0) + rows[3].at(1) + rows[3].at(6), "4E8optimum");
    EXPECT_EQ(rows[4].at(1) + rows[4].at(2) + rows[4].at(6), "maj4optimum");
    // 96 is the XOR of three inputs; on rows 0..3 alone it is x0 XOR x1: three ANDs.
    EXPECT_EQ(rows[5].at(1) + rows[5].at(2) + rows[5].at(6), "a,b3optimum");
    EXPECT_EQ(rows[6].at(6).rfind("error: ", 0), 0u);
    Expected xor2 = Expected::FromNumber(0x96, 3);
    for (uint32_t row = 4; row < 8; ++row)
        xor2.values[0][row] = Expected::DontCare;
    EXPECT_EQ(Mismatch(BlifCircuit::parse(readFile(dir.file("c.6.blif"))), xor2), "");
    EXPECT_EQ(Mismatch(BlifCircuit::parse(readFile(dir.file("c.5.blif"))), Expected::FromNumber(0xE8, 3)), "");
    // Every file of a row carries its line number; the JSON record keeps the care mask.
    EXPECT_TRUE(fileExists(dir.file("c.6.v")) && fileExists(dir.file("c.5.v")));
    EXPECT_NE(readFile(dir.file("c.6.json")).find("\"care\": \"0F\""), std::string::npos);
    if (fileExists("/usr/bin/python3")) {
        for (const char* json : {"c.5.json", "c.6.json"})
            EXPECT_EQ(std::system(("/usr/bin/python3 " + std::string(QUILLON_SOURCE_DIR) +
                                   "/tests/data/check_json.py '" + dir.file(json) + "' >/dev/null")
                                      .c_str()),
                      0)
                << json;
    }
    for (const auto& row : rows)
        EXPECT_FALSE(NamesCode(row.at(6))) << row.at(6);

    writeFile(dir.file("bad.txt"), "zz\n# only errors\n1/\n");
    const RunResult bad = runQuillon({"-batch", "bad.txt", "-k", "3"}, dir.path());
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(rowsOf(bad.out).size(), 2u);
    EXPECT_EQ(lastLine(bad.err), "Quillon: every row of bad.txt is an error");

    const RunResult refused = runQuillon({"-batch", "t.txt", "-enum"}, dir.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("-batch cannot be combined with -enum"), std::string::npos);
}

// Runs a shell command line in dir.
int shell(const std::string& dir, const std::string& line) {
    return std::system(("cd '" + dir + "' && (" + line + ")").c_str());
}

void sql(const std::string& file, const std::string& statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

TEST(Batch, CacheIsSharedByTwoProcessesAndWrongEntriesAreReplaced) {
    TempDir dir;
    std::vector<uint32_t> tables;
    for (uint32_t f = 0; f < 256; f += 5)
        tables.push_back(f);
    writeFile(dir.file("t.txt"), tableLines(tables, 4));
    const std::string q = std::string(QUILLON_BIN) + " -batch t.txt -nodefuncts 86 -cache c.db";
    ASSERT_EQ(shell(dir.path(), q + " >a.csv 2>a.err & " + q + " >b.csv 2>b.err & wait"), 0);
    const auto rows = rowsOf(readFile(dir.file("a.csv")));
    EXPECT_EQ(rowsOf(readFile(dir.file("b.csv"))), rows);
    EXPECT_EQ(readFile(dir.file("a.err")) + readFile(dir.file("b.err")), "");
    // A damaged entry is reported, solved again and replaced.
    sql(dir.file("c.db"), "UPDATE optimum SET circuit = '1,2,6|5,0' WHERE truth_table = "
                          "(SELECT max(truth_table) FROM optimum)");
    ASSERT_EQ(shell(dir.path(), q + " >c.csv 2>c.err"), 0);
    EXPECT_EQ(rowsOf(readFile(dir.file("c.csv"))), rows);
    EXPECT_NE(readFile(dir.file("c.err")).find("is wrong"), std::string::npos);
    ASSERT_EQ(shell(dir.path(), q + " >d.csv 2>d.err"), 0);
    EXPECT_EQ(readFile(dir.file("d.err")), "");
    // Single runs share it too.
    const RunResult one = runQuillon(
        {"-fh", "6996", "-nodefuncts", "86", "-cache", "c.db", "-save_blif", "s.blif", "-stats"},
        dir.path());
    EXPECT_EQ(one.out, "Solutions: 1\n");
    EXPECT_EQ(lastLine(one.err).substr(0, 9), "6996;3;3;");
    EXPECT_EQ(
        Mismatch(BlifCircuit::parse(readFile(dir.file("s.blif"))), Expected::FromNumber(0x6996, 4)),
        "");
}

TEST(Batch, DamagedAndForeignCacheFilesAreRefused) {
    TempDir dir;
    writeFile(dir.file("t.txt"), "96\n");
    writeFile(dir.file("junk.db"), std::string(4096, 'x'));
    sql(dir.file("other.db"), "CREATE TABLE t (x INTEGER)");
    for (const auto& [file, says] :
         std::map<std::string, std::string>{{"junk.db", "is damaged or not an SQLite database"},
                                            {"other.db", "another application's SQLite"}}) {
        const RunResult r = runQuillon({"-batch", "t.txt", "-k", "3", "-cache", file}, dir.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
}

TEST(Batch, FourShardsThroughGnuParallelMergeIntoTheRowsOfOneRun) {
    if (findOnPath("parallel").empty()) GTEST_SKIP() << "GNU parallel is not installed";
    TempDir dir;
    std::vector<uint32_t> tables;
    for (uint32_t f = 0; f < 256; f += 7)
        tables.push_back(f);
    writeFile(dir.file("t.txt"), "# shards\n" + tableLines(tables, 3) + "zz\n\n01\n");
    const std::string q = std::string(QUILLON_BIN) + " -batch t.txt -k 3 -nodefuncts 86";
    ASSERT_EQ(shell(dir.path(), q + " > one.csv"), 0);
    ASSERT_EQ(shell(dir.path(), "parallel '" + q + " -shard {}/4 > shard{}.csv' ::: 0 1 2 3"), 0);
    ASSERT_EQ(shell(dir.path(), "(head -n 1 shard0.csv; tail -q -n +2 shard*.csv | sort -t, "
                                "-k1,1n) > merged.csv"),
              0);
    EXPECT_EQ(rowsOf(readFile(dir.file("merged.csv"))), rowsOf(readFile(dir.file("one.csv"))));
    EXPECT_EQ(rowsOf(readFile(dir.file("shard3.csv"))).size(), (tables.size() + 2) / 4);
}

} // namespace

namespace {

// Rows that are not optima: a target no circuit realises, one whose time runs out, a line
// whose error text needs quoting in CSV; a batch stopped by SIGTERM. Single runs with the
// cache: a table read from a file, an impossible target, a refused option.
TEST(Batch, ImpossibleTimedOutAndQuotedRowsStopsAndSingleRunsWithTheCache) {
    TempDir dir;
    writeFile(dir.file("t.txt"), "8001\n6996\n\"a,b\n");
    const RunResult r = runQuillon({"-batch", "t.txt", "-nodefuncts", "86", "-noinv"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    const auto rows = rowsOf(r.out);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "8001", "", "", "", "", "impossible", ""}));
    EXPECT_EQ(rows[1].at(6), "optimum");
    EXPECT_NE(lines[3].find(",\"error: "), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find("\"\"a,b\""), std::string::npos) << lines[3];

    writeFile(dir.file("hard.txt"), "169AE443\n");
    // Stopped by its time limit, a target still gets the circuit built before the search,
    // and the row says what is proven of it.
    const RunResult late = runQuillon({"-batch", "hard.txt", "-k", "5", "-nodefuncts", "86",
                                       "-timeout", "0.5", "-save_blif", "h.blif", "-cache",
                                       "b.db"},
                                      dir.path(), 30);
    ASSERT_EQ(late.status, 0) << late.err;
    const auto bounded = rowsOf(late.out).at(0);
    EXPECT_EQ(bounded.at(6), "bounded");
    EXPECT_GT(std::stoul(bounded.at(2)), std::stoul(bounded.at(7))); // nodes above the bound
    EXPECT_GE(std::stoul(bounded.at(7)), 5u);
    EXPECT_EQ(Mismatch(BlifCircuit::parse(readFile(dir.file("h.1.blif"))),
                       Expected::FromNumber(0x169AE443u, 5)),
              "");
    // What it proved is kept: a later run with the cache starts above it, so even a run
    // stopped at once reports the bound (here a single run of a target of the same class,
    // the inputs reversed).
    const RunResult again = runQuillon({"-k", "5", "-fh", "624B5CA1", "-nodefuncts", "86",
                                        "-timeout", "0.3", "-cache", "b.db"},
                                       dir.path(), 30);
    EXPECT_EQ(again.status, 124) << again.err;
    const std::string proven = "Proven impossible: 0 to ";
    const size_t at = again.err.find(proven);
    ASSERT_NE(at, std::string::npos) << again.err;
    EXPECT_GE(std::stoul(again.err.substr(at + proven.size())) + 1, std::stoul(bounded.at(7)));
    EXPECT_EQ(shell(dir.path(), "timeout --foreground --preserve-status -s TERM 1 " + std::string(QUILLON_BIN) +
                                    " -batch hard.txt -k 5 -nodefuncts 86 >s.csv 2>s.err; "
                                    "test $? -eq 143"),
              0);
    EXPECT_EQ(readFile(dir.file("s.err")),
              "Quillon: interrupted by SIGTERM; the batch stopped before its end.\n");

    writeFile(dir.file("one.txt"), "e8\n");
    const RunResult read =
        runQuillon({"-truth", "one.txt", "-cache", "c.db", "-save_blif", "s.blif"}, dir.path());
    EXPECT_EQ(read.out, "Solutions: 1\n") << read.err;
    EXPECT_EQ(
        Mismatch(BlifCircuit::parse(readFile(dir.file("s.blif"))), Expected::FromNumber(0xe8, 3)),
        "");
    const RunResult none = runQuillon(
        {"-k", "4", "-fh", "8001", "-nodefuncts", "86", "-noinv", "-cache", "c.db"}, dir.path());
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err.rfind("No circuit exists: ", 0), 0u) << none.err;
    const RunResult refused =
        runQuillon({"-fh", "6", "-k", "2", "-cache", "c.db", "-enum"}, dir.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("-cache cannot be combined with -enum"), std::string::npos)
        << refused.err;
}

} // namespace
