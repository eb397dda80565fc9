// The command line: the parser filling the settings, the usage text, the version line, and
// the program's answers to its command line as seen from outside.
#include "app/CommandLine.h"
#include "app/Settings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

using testsupport::runQuillon;

namespace {

const std::string kUsageText =
    "Syntax: Quillon [options]\n"
    "    -v             Print version\n"
    "    -k n           The number of circuit inputs. n < 31 [default: 4]\n"
    "    -n n           The number of circuit nodes [default: find minimum]\n"
    "    -f n           Implement function #n. n < 2^k [default: 1]\n"
    "    -fh n          Implement function #n (in hex), n < 2^k [default: 1]\n"
    "    -truth fn      Read/write truth table. If -f specified, it is written, read otherwise\n"
    "    -pla p         Implement multi-output function p [default: -fh 1]\n"
    "    -nodefuncts s  Node functions in hex string [default: 8 (AND only)]\n"
    "    -gatecosts s   Cost of node functions [default: 1]\n"
    "    -noinv         Toggle allowing inverted edges [default: true]\n"
    "    -noconst       Toggle allowing constants [default: true]\n"
    "    -polyedges     Toggle allowing polymorphic edges [default: false]\n"
    "    -enum          Enumerate all optimum solutions\n"
    "    -difftopology  Enumerate all optimum solutions with different topology. Must be used "
    "with -enum\n"
    "    -continue      Save intermediate constraints periodically. Continue from these "
    "constraints, when interrupted. To be used with -enum. Incompleteness indicated by a "
    "presence of 'constr.cnf' file.\n"
    "    -best          Return solution with optimum delay. Enumeration is empoyed\n"
    "    -save_dot fn   Saves the resulting dot file to file fn\n"
    "    -save_aag fn   Saves the resulting aag file to file fn\n"
    "    -save_blif fn  Saves the resulting BLIF file to file fn\n"
    "    -stats         Prints statistics of the result to stderr:\n"
    "                       function;nodes;XORs;[polyedges];levels;run-time\n"
    "    -enumstats     Prints statistics of the result to stderr during enumeration\n";

const std::string kVersion = "Quillon 1.4, compiled Jan 2 2020, 01:02:03";

struct Parsed {
    ParseOutcome outcome;
    Settings settings;
    std::string out;
    std::string err;
};

Parsed parse(const std::vector<std::string>& words) {
    Parsed p;
    std::ostringstream out;
    std::ostringstream err;
    p.outcome = ParseCommandLine(words, p.settings, kVersion, out, err);
    p.out = out.str();
    p.err = err.str();
    return p;
}

// Parses a command line that must go on to the run.
Settings runSettings(const std::vector<std::string>& words) {
    Parsed p = parse(words);
    EXPECT_TRUE(p.outcome.run) << p.out << p.err;
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.err, "");
    return p.settings;
}

} // namespace

TEST(Help, PrintsTheUsageTextExactly) {
    std::ostringstream out;
    help(out);
    EXPECT_EQ(out.str(), kUsageText);
}

TEST(VersionLine, SingleBlanksInTheDate) {
    EXPECT_EQ(VersionLine("Jul 15 2019", "17:34:50"),
              "Quillon 1.4, compiled Jul 15 2019, 17:34:50");
    // The compiler pads a single-digit day with a blank.
    EXPECT_EQ(VersionLine("Jul  5 2019", "09:04:00"), "Quillon 1.4, compiled Jul 5 2019, 09:04:00");
}

TEST(ParseCommandLine, DefaultsWhenOnlyFlagsAreGiven) {
    const Settings s = runSettings({"-stats"});
    EXPECT_EQ(s.k, 4u);
    EXPECT_EQ(s.n, 0u);
    EXPECT_EQ(s.function, 1u);
    EXPECT_EQ(s.functionText, "1");
    EXPECT_FALSE(s.functionGiven);
    EXPECT_FALSE(s.functionHex);
    EXPECT_FALSE(s.plaFile);
    EXPECT_FALSE(s.truthFile);
    EXPECT_EQ(s.nodeFuncts, "8");
    EXPECT_EQ(s.gateCosts, "1");
    EXPECT_FALSE(s.dotFile || s.aagFile || s.aigFile || s.blifFile);
    EXPECT_TRUE(s.invertedEdges);
    EXPECT_TRUE(s.constants);
    EXPECT_FALSE(s.polyedges || s.enumerate || s.diffTopology || s.continueRun || s.bestDelay ||
                 s.enumStats);
    EXPECT_TRUE(s.stats);
}

TEST(ParseCommandLine, EveryOptionFillsItsSetting) {
    const Settings s = runSettings({"-k",          "3",          "-n",
                                    "5",           "-truth",     "t.txt",
                                    "-nodefuncts", "86",         "-gatecosts",
                                    "12",          "-save_dot",  "s.dot",
                                    "-save_aag",   "s.aag",      "-save_aig",
                                    "s.aig",       "-save_blif", "s.blif",
                                    "-enumstats",  "-enum",      "-difftopology",
                                    "-continue",   "-polyedges", "-noinv",
                                    "-noconst",    "-best"});
    EXPECT_EQ(s.k, 3u);
    EXPECT_EQ(s.n, 5u);
    EXPECT_EQ(s.truthFile, "t.txt");
    EXPECT_EQ(s.nodeFuncts, "86");
    EXPECT_EQ(s.gateCosts, "12");
    EXPECT_EQ(s.dotFile, "s.dot");
    EXPECT_EQ(s.aagFile, "s.aag");
    EXPECT_EQ(s.aigFile, "s.aig");
    EXPECT_EQ(s.blifFile, "s.blif");
    EXPECT_TRUE(s.enumStats && s.enumerate && s.diffTopology && s.continueRun && s.polyedges &&
                s.bestDelay);
    EXPECT_FALSE(s.stats);
    EXPECT_FALSE(s.invertedEdges);
    EXPECT_FALSE(s.constants);
    EXPECT_FALSE(s.functionGiven); // -truth alone gives no function
    EXPECT_EQ(s.functionText, "1");
}

TEST(ParseCommandLine, AnOptionTakesTheNextWordWhateverItIs) {
    const Settings s = runSettings({"-pla", "-stats", "-save_dot", "-k"});
    EXPECT_EQ(s.plaFile, "-stats");
    EXPECT_EQ(s.functionText, "-stats");
    EXPECT_EQ(s.dotFile, "-k");
    EXPECT_FALSE(s.stats);
    EXPECT_EQ(s.k, 4u);
}

TEST(ParseCommandLine, FunctionTextIsTheLastOfFunctionAndPla) {
    Settings s = runSettings({"-f", "6", "-pla", "f.pla"});
    EXPECT_EQ(s.functionText, "f.pla");
    EXPECT_EQ(s.function, 6u);
    EXPECT_TRUE(s.functionGiven);
    EXPECT_EQ(s.plaFile, "f.pla");

    s = runSettings({"-pla", "f.pla", "-f", "6"});
    EXPECT_EQ(s.functionText, "6");
    EXPECT_EQ(s.plaFile, "f.pla");

    s = runSettings({"-fh", "1F", "-pla", "g.pla", "-fh", "c"});
    EXPECT_EQ(s.functionText, "c");
    EXPECT_EQ(s.function, 12u);
}

TEST(ParseCommandLine, DecimalNumbersReadAsStrtolReadsThem) {
    Settings s = runSettings({"-f", "  12abc"});
    EXPECT_EQ(s.function, 12u);
    EXPECT_EQ(s.functionText, "  12abc");
    s = runSettings({"-f", "-1"});
    EXPECT_EQ(s.function, 4294967295u);
    s = runSettings({"-f", "abc"});
    EXPECT_EQ(s.function, 0u);
    EXPECT_TRUE(s.functionGiven);
    s = runSettings({"-n", "7x", "-k", " +5"});
    EXPECT_EQ(s.n, 7u);
    EXPECT_EQ(s.k, 5u);
    s = runSettings({"-k", "4294967296"}); // 2^32 kept as 32 bits is 0
    EXPECT_EQ(s.k, 0u);
}

TEST(ParseCommandLine, HexNumberKeepsItsTextAndItsLowThirtyTwoBits) {
    Settings s = runSettings({"-fh", "1f"});
    EXPECT_EQ(s.function, 31u);
    EXPECT_EQ(s.functionHex, "1f");
    EXPECT_TRUE(s.functionGiven);

    s = runSettings({"-fh", "123456789ABCDEF0", "-k", "6"});
    EXPECT_EQ(s.function, 0x9ABCDEF0u);
    EXPECT_EQ(s.functionHex, "123456789ABCDEF0");
    EXPECT_EQ(s.k, 6u);

    s = runSettings({"-fh", "ff", "-f", "3"}); // a later -f replaces the hexadecimal number
    EXPECT_EQ(s.function, 3u);
    EXPECT_FALSE(s.functionHex);

    s = runSettings({"-fh", ""});
    EXPECT_EQ(s.function, 0u);
    EXPECT_EQ(s.functionHex, "");
}

TEST(ParseCommandLine, HexNumberWithAnotherCharacterIsRefused) {
    for (const std::string bad : {"12g", "0x1F", " 1", "-1", "1.0"}) {
        const Parsed p = parse({"-fh", bad, "-k", "2"});
        EXPECT_FALSE(p.outcome.run) << bad;
        EXPECT_NE(p.outcome.status, 0) << bad;
        EXPECT_NE(p.err.find("-fh"), std::string::npos) << p.err;
        EXPECT_NE(p.err.find(bad), std::string::npos) << p.err;
        EXPECT_EQ(p.out, "");
    }
}

TEST(ParseCommandLine, NoWordsOrUnknownWordGiveUsage) {
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {}, {"-K"}, {"--k"}, {"k"}, {"-k", "3", "-x"}, {"-stats", "-V"}, {""}}) {
        const Parsed p = parse(words);
        EXPECT_FALSE(p.outcome.run);
        EXPECT_EQ(p.outcome.status, 0);
        EXPECT_EQ(p.out, kUsageText);
        EXPECT_EQ(p.err, "");
    }
}

TEST(ParseCommandLine, VersionEndsTheParseWhereItStands) {
    Parsed p = parse({"-v"});
    EXPECT_FALSE(p.outcome.run);
    EXPECT_EQ(p.outcome.status, 0);
    EXPECT_EQ(p.out, kVersion + "\n");

    p = parse({"-k", "3", "-v", "-k", "99", "-x"}); // words after -v are not looked at
    EXPECT_EQ(p.out, kVersion + "\n");
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.settings.k, 3u);

    p = parse({"-x", "-v"}); // a bad word before it wins
    EXPECT_EQ(p.out, kUsageText);

    p = parse({"-k", "32", "-v"});
    EXPECT_EQ(p.out, kUsageText);
    EXPECT_EQ(p.err, "k must be less than 32\n");
}

TEST(ParseCommandLine, InputsAboveThirtyOneAreRefusedWithStatusZero) {
    for (const std::string k : {"32", "-1", "100", "4294967295"}) {
        const Parsed p = parse({"-k", k, "-f", "3"});
        EXPECT_FALSE(p.outcome.run) << k;
        EXPECT_EQ(p.outcome.status, 0);
        EXPECT_EQ(p.out, kUsageText);
        EXPECT_EQ(p.err, "k must be less than 32\n");
        EXPECT_FALSE(p.settings.functionGiven); // parsing stopped at -k
    }
    EXPECT_EQ(runSettings({"-k", "31"}).k, 31u);
    EXPECT_EQ(runSettings({"-k", "0"}).k, 0u);
}

TEST(ParseCommandLine, MissingArgumentNamesTheOption) {
    for (const std::string opt :
         {"-k", "-n", "-f", "-fh", "-pla", "-truth", "-nodefuncts", "-gatecosts", "-save_dot",
          "-save_aag", "-save_aig", "-save_blif"}) {
        const Parsed p = parse({"-stats", opt});
        EXPECT_FALSE(p.outcome.run) << opt;
        EXPECT_NE(p.outcome.status, 0) << opt;
        EXPECT_EQ(p.err, "Option " + opt + " requires an argument\n");
        EXPECT_EQ(p.out, kUsageText);
    }
}

// ---- the executable ----

TEST(QuillonBinary, VersionLineHasBuildDateAndTime) {
    const auto r = runQuillon({"-v", "-x", "-k", "40"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::regex line("Quillon 1\\.4, compiled "
                          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [1-9][0-9]? [0-9]{4}, "
                          "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n");
    EXPECT_TRUE(std::regex_match(r.out, line)) << r.out;
}

// The parser's answers (tested above) reach the streams and the exit status of the program.
TEST(QuillonBinary, ParseOutcomesAsSeenFromOutside) {
    struct Case {
        std::vector<std::string> args;
        bool fails;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{}, false, ""},
        {{"-K"}, false, ""},
        {{"-x", "-v"}, false, ""},
        {{"-k", "31", "-x"}, false, ""},
        {{"-k", "32"}, false, "k must be less than 32\n"},
        {{"-k", "-1"}, false, "k must be less than 32\n"},
        {{"-f", "3", "-k"}, true, "Option -k requires an argument\n"},
    };
    for (const Case& c : cases) {
        const auto r = runQuillon(c.args);
        SCOPED_TRACE(c.args.empty() ? "no words" : c.args[0] + " " + c.args.back());
        EXPECT_EQ(r.status != 0, c.fails);
        EXPECT_EQ(r.out, kUsageText);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(QuillonBinary, ThirtyOneInputsPassTheCheck) {
    // The target comes from a PLA file that is not there, so the run stops right after the
    // command line instead of tabulating 2^31 minterms.
    testsupport::TempDir dir;
    const auto r = runQuillon({"-k", "31", "-pla", "missing.pla"}, dir.path());
    EXPECT_EQ(r.out.find("Syntax:"), std::string::npos);
    EXPECT_EQ(r.err.find("k must be less than 32"), std::string::npos);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err, "");
}

TEST(QuillonBinary, BadHexNumberFailsBeforeWritingAnything) {
    testsupport::TempDir dir;
    const auto r = runQuillon({"-fh", "1x", "-truth", "t.txt", "-k", "2"}, dir.path());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("\"1x\""), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(testsupport::fileExists(dir.file("t.txt")));
}

TEST(QuillonBinary, HexNumberTooLongForTheTableFailsBeforeWritingAnything) {
    testsupport::TempDir dir;
    // Nine significant digits need 36 minterms; five inputs have 32.
    const auto r = runQuillon({"-fh", "900000000", "-truth", "t.txt", "-k", "5"}, dir.path());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("does not fit a truth table of 32 minterms: 900000000"), std::string::npos)
        << r.err;
    EXPECT_FALSE(testsupport::fileExists(dir.file("t.txt")));
}

TEST(QuillonBinary, LongHexNumberIsWrittenAsTheWholeTable) {
    testsupport::TempDir dir;
    // -k comes after -fh. The unequal library and cost strings stop the run right after the
    // target is built and its table written.
    const auto r = runQuillon(
        {"-fh", "8000010300000021", "-k", "6", "-truth", "t.txt", "-nodefuncts", "86"}, dir.path());
    EXPECT_NE(r.status, 0);
    ASSERT_TRUE(testsupport::fileExists(dir.file("t.txt"))) << r.err;
    std::string expected(64, '0');
    for (int minterm : {63, 40, 33, 32, 5, 0})
        expected[63 - minterm] = '1';
    EXPECT_EQ(testsupport::readFile(dir.file("t.txt")), expected + "\n");
}
