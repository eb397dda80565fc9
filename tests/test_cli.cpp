// The command line: the parser filling the settings, the usage text, the version line, and
// the program's answers to its command line as seen from outside.
#include "app/CommandLine.h"
#include "app/Settings.h"
#include "tests/support/E2eRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>

using namespace testsupport;

namespace {

// The usage text, byte for byte.
const std::string kUsageText = readFile(std::string(QUILLON_SOURCE_DIR) + "/tests/data/usage.txt");

const std::regex kVersionLine("Quillon 1\\.4, compiled "
                              "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [1-9][0-9]? "
                              "[0-9]{4}, [0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n");

std::string opt(const std::optional<std::string>& v) {
    return v ? "[" + *v + "]" : "none";
}

// Every setting as "name=value" words, in a fixed order.
std::string describe(const Settings& s) {
    std::ostringstream d;
    d << "k=" << s.k << " kGiven=" << s.kGiven << " n=" << s.n << " f=" << s.function
      << " hex=" << opt(s.functionHex) << " text=" << s.functionText << " given=" << s.functionGiven
      << " pla=" << opt(s.plaFile) << " truth=" << opt(s.truthFile) << " nodes=" << s.nodeFuncts
      << " costs=" << opt(s.gateCosts) << " dot=" << opt(s.dotFile) << " aag=" << opt(s.aagFile)
      << " aig=" << opt(s.aigFile) << " blif=" << opt(s.blifFile) << " inv=" << s.invertedEdges
      << " const=" << s.constants << " poly=" << s.polyedges << " enum=" << s.enumerate
      << " difftop=" << s.diffTopology << " cont=" << s.continueRun << " best=" << s.bestDelay
      << " stats=" << s.stats << " enumstats=" << s.enumStats << " timings=" << s.timings
      << " nobound=" << s.noBound << " timeout=" << s.timeLimit << "/" << s.timeLimitText
      << " threads=" << s.threads << " batch=" << opt(s.batchFile) << " cache=" << opt(s.cacheFile)
      << " shard=" << s.shardIndex << "/" << s.shardCount;
    return d.str();
}

} // namespace

TEST(CommandLine, UsageTextAndVersionLine) {
    std::ostringstream out;
    help(out);
    EXPECT_EQ(out.str(), kUsageText);
    EXPECT_EQ(VersionLine("Jul 15 2019", "17:34:50"),
              "Quillon 1.4, compiled Jul 15 2019, 17:34:50");
    // The compiler pads a single-digit day with a blank.
    EXPECT_EQ(VersionLine("Jul  5 2019", "09:04:00"), "Quillon 1.4, compiled Jul 5 2019, 09:04:00");
}

// The manual page formats without a warning and describes every option.
TEST(CommandLine, ManualPageDescribesEveryOption) {
    const std::string page = std::string(QUILLON_SOURCE_DIR) + "/docs/quillon.1";
    if (findOnPath("groff").empty()) GTEST_SKIP() << "groff is not installed";
    EXPECT_EQ(std::system(("test -z \"$(groff -man -ww -z '" + page + "' 2>&1)\"").c_str()), 0);
    const std::string text = readFile(page);
    std::istringstream usage(kUsageText + " -save_aig -nobound -timings -timeout -solver -threads "
                                          "-batch -cache -shard -h -help --help -save_verilog "
                                          "-save_json");
    for (std::string word; usage >> word;) {
        if (word[0] != '-' || word.size() == 1) continue;
        if (word.back() == '.') word.pop_back(); // "... with -enum."
        std::string roff;                        // "-save_dot" is written "\\-save_dot"
        for (char c : word)
            roff += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(text.find(roff), std::string::npos) << word;
    }
}

// Command lines that go on to the run: every word of "expected" is in the description of
// the settings they give.
TEST(CommandLine, SettingsOfAcceptedCommandLines) {
    const std::string defaults =
        "k=4 kGiven=0 n=0 f=1 hex=none text=1 given=0 pla=none truth=none nodes=8 costs=none "
        "dot=none aag=none aig=none blif=none inv=1 const=1 poly=0 enum=0 difftop=0 cont=0 "
        "best=0 stats=1 enumstats=0 timings=0 nobound=0 timeout=0/";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-stats"}, defaults},
        {splitFields("-k 3 -n 5 -truth t.txt -nodefuncts 86 -gatecosts 12 -save_dot s.dot "
                     "-save_aag s.aag -save_aig s.aig -save_blif s.blif -enumstats -enum "
                     "-difftopology -continue -polyedges -noinv -noconst -best -timings -nobound "
                     "-timeout 2.5",
                     ' '),
         "k=3 kGiven=1 n=5 truth=[t.txt] nodes=86 costs=[12] dot=[s.dot] aag=[s.aag] "
         "aig=[s.aig] blif=[s.blif] inv=0 const=0 poly=1 enum=1 difftop=1 cont=1 best=1 stats=0 "
         "enumstats=1 timings=1 nobound=1 timeout=2.5/2.5 given=0 text=t.txt"},
        // An option takes the next word, whatever it is.
        {{"-pla", "-stats", "-save_dot", "-k"}, "pla=[-stats] text=-stats dot=[-k] stats=0 k=4"},
        // The function text is the last of -f and -fh, or -pla; a table read names the
        // function.
        {{"-pla", "f.pla"}, "text=f.pla given=0 pla=[f.pla]"},
        {{"-f", "6", "-fh", "1F", "-fh", "c"}, "text=c f=12 hex=[c]"},
        {{"-truth", "t.txt", "-fh", "c"}, "text=c truth=[t.txt]"},
        // Whole decimal numbers with a sign.
        {{"-f", "+12", "-n", "-0", "-k", "+31"}, "f=12 n=0 k=31 text=+12"},
        {{"-f", "4294967295", "-k", "0"}, "f=4294967295 k=0 kGiven=1"},
        // A hexadecimal number keeps its text and its low 32 bits; a later -f drops it.
        {{"-fh", "123456789ABCDEF0"}, "f=2596069104 hex=[123456789ABCDEF0] given=1"},
        {{"-fh", "ff", "-f", "3"}, "f=3 hex=none"},
        {{"-fh", ""}, "f=0 hex=[] text="},
        {{"-timeout", ".5"}, "timeout=0.5/.5"},
        {{"-threads", "3", "-batch", "b.txt", "-shard", "1/4", "-cache", "c.db"},
         "threads=3 batch=[b.txt] shard=1/4 cache=[c.db]"},
    };
    for (const auto& [words, expected] : cases) {
        Settings s;
        std::ostringstream out, err;
        const ParseOutcome outcome = ParseCommandLine(words, s, "version", out, err);
        EXPECT_TRUE(outcome.run && out.str().empty() && err.str().empty()) << expected << err.str();
        const std::string got = " " + describe(s) + " ";
        std::istringstream want(expected);
        for (std::string word; want >> word;)
            EXPECT_NE(got.find(" " + word + " "), std::string::npos) << word << " in" << got;
    }
}

// The binary's answers to command lines it does not run, or runs into an error before the
// search: the exit status, the usage text or nothing on stdout, the message on stderr, and
// no file written but those listed.
TEST(CommandLine, RefusedAndEndedCommandLines) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out; // "usage", "version" or the exact text
        std::string err;
        std::map<std::string, std::string> written = {};
    };
    const std::string whole =
        " requires a whole decimal number (an optional sign, then digits only): ";
    const std::string u32 = " requires a number from 0 to 4294967295: ";
    const std::string hex = "Option -fh requires a hexadecimal number (digits 0-9, a-f, A-F): ";
    const std::string secs = "Option -timeout requires a number of seconds above 0 (digits with "
                             "an optional decimal fraction, such as 30 or 2.5): ";
    const std::string k32 = "k must be less than 32\n";
    const std::string fit = "Runtime Exception: Option -f: the function number ";
    const std::string hexFit = "Runtime Exception: Option -fh: the hexadecimal function number ";
    std::string table64(64, '0');
    for (int minterm : {63, 40, 33, 32, 5, 0})
        table64[63 - minterm] = '1';
    const std::vector<Case> cases = {
        {{}, 0, "usage", ""},
        {{"-h"}, 0, "usage", ""},
        {{"--help", "-x"}, 0, "usage", ""},
        {{"-v", "-x", "-k", "40"}, 0, "version", ""},
        {{"-k", "3", "-v", "-k", "99"}, 0, "version", ""},
        {{"-K"}, 1, "usage", "unknown option \"-K\"\n"},
        {{"-save-blif", "x.blif"}, 1, "usage", "unknown option \"-save-blif\"\n"},
        {{"-stats", "--stats"}, 1, "usage", "unknown option \"--stats\"\n"},
        {{"-k3"}, 1, "usage", "unknown option \"-k3\"\n"},
        {{"-x", "-v"}, 1, "usage", "unknown option \"-x\"\n"},
        {{""}, 1, "usage", "unknown option \"\"\n"},
        {{"-k", "32"}, 1, "usage", k32},
        {{"-k", "-1", "-v"}, 1, "usage", k32}, // a negative number too
        {{"-k", "4294967296"}, 1, "usage", k32},
        {{"-f", "3", "-k"}, 1, "usage", "Option -k requires an argument\n"},
        {{"-timeout"}, 1, "usage", "Option -timeout requires an argument\n"},
        {{"-k", "4", "-f", "0x6996"}, 1, "", "Option -f" + whole + "\"0x6996\"\n"},
        {{"-f", "12abc"}, 1, "", "Option -f" + whole + "\"12abc\"\n"},
        {{"-f", " 12"}, 1, "", "Option -f" + whole + "\" 12\"\n"},
        {{"-k", "abc"}, 1, "", "Option -k" + whole + "\"abc\"\n"},
        {{"-n", "3x"}, 1, "", "Option -n" + whole + "\"3x\"\n"},
        {{"-f", "-1"}, 1, "", "Option -f" + u32 + "\"-1\"\n"},
        {{"-f", "4294967296"}, 1, "", "Option -f" + u32 + "\"4294967296\"\n"},
        {{"-fh", "1x", "-truth", "t.txt"}, 1, "", hex + "\"1x\"\n"},
        {{"-timeout", "0"}, 1, "", secs + "\"0\"\n"},
        {{"-timeout", "1e3"}, 1, "", secs + "\"1e3\"\n"},
        {{"-timeout", "1.2.3"}, 1, "", secs + "\"1.2.3\"\n"},
        {{"-solver", "cadical"}, 1, "", "Option -solver takes embedded or minisat: \"cadical\"\n"},
        {{"-shard", "0/4"}, 1, "", "Option -shard requires -batch\n"},
        {{"-batch", "b.txt", "-shard", "4/4"},
         1,
         "",
         "Option -shard requires I/N with whole numbers 0 <= I < N, such as 0/4: \"4/4\"\n"},
        // The number must fit the table; nothing is written when it does not.
        {{"-k", "4", "-f", "99999", "-truth", "t.txt"},
         1,
         "",
         fit + "99999 does not fit a truth table of 16 minterms (4 inputs)\n"},
        {{"-k", "1", "-f", "16", "-polyedges"},
         1,
         "",
         fit + "16 does not fit a truth table of 4 minterms (1 input and the control input)\n"},
        {{"-k", "3", "-fh", "100", "-truth", "t.txt"},
         1,
         "",
         hexFit + "100 does not fit a truth table of 8 minterms (3 inputs), which has 2 "
                  "hexadecimal digits\n"},
        {{"-fh", "9" + std::string(63, '0'), "-k", "7"},
         1,
         "",
         hexFit + "9" + std::string(63, '0') +
             " does not fit a truth table of 128 minterms (7 inputs), which has 32 hexadecimal "
             "digits\n"},
        // One target per run, and -k must agree with a PLA file.
        {{"-f", "6", "-pla", "two.pla"},
         1,
         "",
         "Options -f and -pla both give the target; give one of them\n"},
        {{"-pla", "two.pla", "-fh", "6"},
         1,
         "",
         "Options -fh and -pla both give the target; give one of them\n"},
        {{"-k", "3", "-pla", "two.pla"},
         1,
         "",
         "Runtime Exception: -k 3 does not agree with two.pla, whose .i is 2\n"},
        // Libraries and costs are checked as they are read.
        {{"-nodefuncts", "8G"},
         1,
         "",
         "Option -nodefuncts requires hexadecimal digits, each the table of a two-input "
         "function other than the constants 0 and F: \"8G\"\n"},
        {{"-nodefuncts", "86", "-gatecosts", "10"},
         1,
         "",
         "Option -gatecosts requires one cost digit 1-9 or A-F (10-15) per node function: "
         "\"10\"\n"},
        // Errors after the target is built: a long number is written as the whole table.
        {{"-fh", "8000010300000021", "-k", "6", "-truth", "t.txt", "-nodefuncts", "86",
          "-gatecosts", "1"},
         1,
         "",
         "Runtime Exception: -gatecosts and -nodefuncts must be of equal size\n",
         {{"t.txt", table64 + "\n"}}},
        // 31 inputs pass the -k check (the missing file stops the run at once).
        {{"-k", "31", "-pla", "missing.pla"},
         1,
         "",
         "I/O Exception: Cannot open file: missing.pla\n"},
        {{"-pla", "empty.pla"},
         1,
         "",
         "I/O Exception: Bad or damaged PLA file: empty.pla: no .o line, so the function has no "
         "output\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("empty.pla"), "");
        writeFile(dir.file("two.pla"), ".i 2\n.o 1\n11 1\n");
        const RunResult r = runQuillon(c.args, dir.path());
        const std::string what = c.args.empty() ? "no words" : c.args[0] + " " + c.args.back();
        EXPECT_EQ(r.status, c.status) << what;
        if (c.out == "version")
            EXPECT_TRUE(std::regex_match(r.out, kVersionLine)) << what << ": " << r.out;
        else
            EXPECT_EQ(r.out, c.out == "usage" ? kUsageText : c.out) << what;
        EXPECT_EQ(r.err, c.err) << what;
        EXPECT_FALSE(NamesCode(r.err)) << r.err;
        std::set<std::string> expectedNames = {".quillon.lock", "empty.pla", "two.pla"};
        for (const auto& [name, content] : c.written) {
            expectedNames.insert(name);
            EXPECT_EQ(readFile(dir.file(name)), content) << what;
        }
        std::set<std::string> present = listDir(dir.path());
        present.insert(".quillon.lock"); // runs refused by the parser take no lock
        EXPECT_EQ(present, expectedNames) << what;
    }
}
