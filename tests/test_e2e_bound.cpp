// The in-process lower-bound engine only skips node counts at which the external solver
// would have found nothing: a run with it must leave exactly the files and print exactly
// the lines of a run without it (-nobound), and every circuit it writes must be correct.
#include "tests/support/CircuitCheck.h"
#include "tests/support/E2eRun.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// The statistics lines end with the CPU time, the one field that differs between runs.
std::string withoutRunTimes(const std::string& text) {
    std::string out;
    for (const std::string& line : splitLines(text)) {
        const size_t cut = line.rfind(';');
        out += (cut == std::string::npos ? line : line.substr(0, cut)) + "\n";
    }
    return out;
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> w;
    std::string cur;
    for (char c : text) {
        if (c == ' ') {
            if (!cur.empty()) w.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) w.push_back(cur);
    return w;
}

} // namespace

TEST(E2eBound, RunsWithAndWithoutTheEngineLeaveTheSameFilesAndLines) {
    const std::vector<std::string> cases = {
        "-k 2 -f 6",
        "-k 3 -f 150",
        "-k 3 -f 232 -enum -enumstats",
        "-k 3 -f 105 -noconst -best",
        "-k 3 -f 232 -noinv -nodefuncts 8E -gatecosts 11",
        "-k 4 -fh 6996 -nodefuncts 86 -gatecosts 11",
        "-k 3 -f 150 -nodefuncts 86 -gatecosts 19",
        "-k 3 -f 202 -nodefuncts 2 -gatecosts 1",
        "-k 2 -f 9 -polyedges",
        "-k 3 -f 150 -n 4",
    };
    // The external route: the same instance files too.
    const std::string outputs = " -save_blif s.blif -save_dot s.dot -stats -solver minisat";
    for (const std::string& c : cases) {
        SCOPED_TRACE(c);
        TempDir with, without;
        std::vector<std::string> args = words(c + outputs);
        const RunResult a = runQuillon(args, with.path());
        args.push_back("-nobound");
        const RunResult b = runQuillon(args, without.path());
        ASSERT_EQ(a.status, 0) << a.err;
        EXPECT_EQ(a.status, b.status);
        EXPECT_EQ(a.out, b.out);
        EXPECT_EQ(withoutRunTimes(a.err), withoutRunTimes(b.err));
        const std::set<std::string> filesA = listDir(with.path());
        EXPECT_EQ(filesA, listDir(without.path()));
        for (const std::string& f : filesA) {
            if (f == ".quillon.lock") continue; // holds the process id
            EXPECT_EQ(readFile(with.file(f)), readFile(without.file(f))) << f;
        }
    }
}

TEST(E2eBound, FourInputFunctionsNeedingManyGatesAreSolvedQuickly) {
    // Proving that six gates cannot realise 0117 takes the external solver minutes; the
    // engine proves it in a fraction of a second, so this test finishes at once.
    TempDir dir;
    const RunResult r = runQuillon({"-k", "4", "-fh", "0117", "-nodefuncts", "86", "-gatecosts",
                                    "11", "-save_blif", "s.blif", "-stats"},
                                   dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Solutions: 1\n");
    const std::vector<std::string> fields = splitFields(lastLine(r.err), ';');
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0], "0117");
    EXPECT_EQ(fields[1], "7");
    const BlifCircuit blif = BlifCircuit::parse(readFile(dir.file("s.blif")));
    EXPECT_EQ(Mismatch(blif, Expected::FromNumber(0x0117, 4)), "");
}
