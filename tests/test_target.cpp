// Target functions: the table of the function given on the command line, the target PLA,
// and the truth-table file.
#include "app/CircuitTransform.h"
#include "app/Settings.h"
#include "app/TargetFunction.h"
#include "app/TruthTable.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// Checks that pla is the full-minterm target of table over inputs inputs: minterm i is term
// i, with position j of its cube holding bit j of i, and output table[i].
void expectMintermPLA(const PLA& pla, uint32_t inputs, const TruthTable& table) {
    const uint32_t m = 1u << inputs;
    ASSERT_EQ(pla.getInputs(), inputs);
    ASSERT_EQ(pla.getOutputs(), 1u);
    ASSERT_EQ(pla.getTermCount(), m);
    EXPECT_EQ(pla.getType(), PLA_type("fr"));
    for (uint32_t i = 0; i < m; ++i) {
        const Term& t = pla.getTerm(i);
        std::string cube;
        for (uint32_t j = 0; j < inputs; ++j)
            cube.push_back(((i >> j) & 1u) ? '1' : '0');
        ASSERT_EQ(t.getCube(), cube) << "minterm " << i;
        ASSERT_EQ(t.getOM(), table.get(i) ? "1" : "0") << "minterm " << i;
        ASSERT_EQ(t.getCubeType(), static_cast<uint32_t>(CUBE_PRODUCT));
    }
}

// The table as hexadecimal digits, most significant first (binary below four minterms).
std::string hexOf(const TruthTable& t) {
    if (t.size() < 4) return t.toBinary();
    std::string s;
    for (uint32_t d = t.size() / 4; d-- > 0;)
        s.push_back("0123456789abcdef"[t.get(4 * d) + 2 * t.get(4 * d + 1) + 4 * t.get(4 * d + 2) +
                                       8 * t.get(4 * d + 3)]);
    return s;
}

} // namespace

TEST(DeriveFnctPLA, MintermTermsWithTheControlInputLast) {
    // With polymorphic edges the half with P = 1 comes from the upper bits of the number.
    using Row = std::tuple<uint32_t, uint32_t, bool>;
    for (const auto& [f, k, poly] : {Row{6, 2, false}, Row{6, 2, true}, Row{0x96, 2, true},
                                     Row{0xFFFFFFFFu, 6, false}, Row{1, 0, false}}) {
        const uint32_t inputs = k + (poly ? 1 : 0);
        expectMintermPLA(*DeriveFnctPLA(f, k, poly), inputs,
                         TruthTable::FromNumber(f, 1u << inputs));
    }
    TruthTable table(128);
    for (uint32_t i = 0; i < 128; ++i)
        table.set(i, i % 3 == 1 || i % 7 == 0);
    expectMintermPLA(*DeriveFnctPLA(table, 7, false), 7, table);
    // With the control input, the table shorter than the function: the rest is 0.
    expectMintermPLA(*DeriveFnctPLA(table, 7, true), 8, table);
}

// The table of -f / -fh: the number must fit by its value (test_cli refuses more numbers
// through the command line).
TEST(TargetTable, NumbersMustFitTheTable) {
    struct Case {
        uint32_t k;
        bool poly;
        std::string number; // decimal, or hexadecimal after "h"
        std::string table;  // hexOf the result, or the message
    };
    const std::string fit = "Option -f: the function number ";
    const std::string hexFit = "Option -fh: the hexadecimal function number ";
    const std::vector<Case> cases = {
        {6, false, "3735928559", "00000000deadbeef"},
        {6, true, "5", std::string(31, '0') + "5"},
        {4, false, "65535", "ffff"},
        {2, true, "255", "ff"},
        {0, false, "2", fit + "2 does not fit a truth table of 1 minterm (0 inputs)"},
        {5, false, "h12345678", "12345678"},
        {1, false, "h000000004",
         hexFit + "000000004 does not fit a truth table of 2 minterms (1 input), which has 1 "
                  "hexadecimal digit of value below 4"},
        {4, false, "h00000ABCD", "abcd"},
        {6, false, "h900000000", "0000000900000000"},
        {6, true, "h10000000000000000", std::string(15, '0') + "1" + std::string(16, '0')},
        {7, true, "h80000000000000000000000000000001",
         std::string(32, '0') + "8" + std::string(30, '0') + "1"},
        {4, false, "h12x", "not a hexadecimal number: 12x"},
    };
    for (const Case& c : cases) {
        Settings s;
        s.k = c.k;
        s.polyedges = c.poly;
        s.functionText = c.number[0] == 'h' ? c.number.substr(1) : c.number;
        if (c.number[0] == 'h')
            s.functionHex = s.functionText;
        else
            s.function = static_cast<uint32_t>(std::stoul(c.number));
        std::string got;
        const std::string error = messageOf([&] { got = hexOf(TargetTable(s)); });
        // A refusal has blanks, a table has none.
        const bool refused = c.table.find(' ') != std::string::npos;
        EXPECT_EQ(error.empty() ? got : error, refused ? rt(c.table) : c.table)
            << c.number << " k=" << c.k;
    }
}

TEST(TruthFile, Writing) {
    TempDir dir;
    const std::string t = dir.file("t.txt");
    writeFile(t, std::string(500, 'x'));
    Write_Truth(0x80000001u, 6, t); // the writer truncates
    EXPECT_EQ(readFile(t), std::string(32, '0') + "1" + std::string(30, '0') + "1\n");
    TruthTable table(256); // with the control input (k = 7) the half with P = 0 is written
    for (uint32_t i = 0; i < 256; ++i)
        table.set(i, i % 3 == 1 || i % 7 == 0);
    Write_Truth(table, 7, t);
    std::string low;
    for (uint32_t i = 128; i-- > 0;)
        low += table.get(i) ? '1' : '0';
    EXPECT_EQ(readFile(t), low + "\n");
    EXPECT_EQ(ReadTruthTable(std::nullopt, t).toBinary(), low);
    EXPECT_EQ(Read_truth(7, t), table.low32());
    const std::string nowhere = dir.file("no/such/dir/t.txt");
    EXPECT_EQ(messageOf([&] { Write_Truth(6, 2, nowhere); }),
              rt(nowhere + ": cannot create the truth-table file"));
}

// Reading: k given or taken from the length of the word.
TEST(TruthFile, Reading) {
    struct Case {
        std::optional<uint32_t> k;
        std::string content;
        std::string table; // hexOf the result, or the reason of the refusal
    };
    const std::string two = "; a table of 2 inputs has 4 binary digits or 1 hexadecimal digit";
    const std::vector<Case> cases = {
        {2, "0110\n", "6"},
        {4, "8000\n", "8000"},
        {4, "\n\t  00aB trailing words are ignored 1111\n", "00ab"},
        {1, "10", "10"},
        {7, "80000000000000018000000000000002\n", "80000000000000018000000000000002"},
        {std::nullopt, "0110", "6"},    // binary, 2 inputs
        {std::nullopt, "1002", "1002"}, // hexadecimal, 4 inputs
        {std::nullopt, "1", "1"},       // no input
        {2, "011", "a word of 3 characters" + two},
        {2, "01101", "a word of more than 4 characters" + two},
        {1, "1", "a word of 1 character; a table of 1 input has 2 binary digits"},
        {4, "1000000000000002", "16 binary digits expected, another character found"},
        {4, "80g0", "4 hexadecimal digits expected, another character found"},
        {2, " \n", "the file holds no table"},
        {std::nullopt, "011",
         "a word of 3 characters; a table of k inputs has 2^k binary or "
         "2^k/4 hexadecimal digits (1, 2, 4, 8, 16, ... characters) for k "
         "up to 31"},
        {std::nullopt, "0x", "2 hexadecimal digits expected, another character found"},
    };
    TempDir dir;
    const std::string t = dir.file("t.txt");
    for (const Case& c : cases) {
        writeFile(t, c.content);
        std::string got;
        const std::string error = messageOf([&] { got = hexOf(ReadTruthTable(c.k, t)); });
        const bool refused = c.table.find(' ') != std::string::npos;
        const std::string where = c.table == "the file holds no table" ? ": " : ": line 1: ";
        EXPECT_EQ(error.empty() ? got : error,
                  refused ? rt(t + where + "does not look like a truth table: " + c.table)
                          : c.table)
            << "'" << c.content << "'";
    }
    // One output per line; k agrees across the lines, and a line that does not fit is named.
    const auto tables = [&](std::optional<uint32_t> k, const std::string& content) {
        writeFile(t, content);
        std::string text;
        const std::string error = messageOf([&] {
            for (const TruthTable& table : ReadTruthTables(k, t))
                text += hexOf(table) + " ";
        });
        return error.empty() ? text : error;
    };
    EXPECT_EQ(tables(std::nullopt, "6\r\n\n8 x\n"), "6 8 ");
    EXPECT_EQ(tables(std::nullopt, "0110\n1000\n"), "6 8 ");       // binary, 2 inputs
    EXPECT_EQ(tables(std::nullopt, "0110\n6996\n"), "0110 6996 "); // hexadecimal, 4 inputs
    EXPECT_EQ(tables(std::nullopt, "6996\n0110100110010110\n"), "6996 6996 "); // mixed forms
    EXPECT_EQ(tables(4, "6996\n\n69x6\n"),
              rt(t + ": line 3: does not look like a truth table: 4 hexadecimal digits expected, "
                     "another character found"));
    writeFile(t, "6\n8\n");
    EXPECT_EQ(messageOf([&] { ReadTruthTable(std::nullopt, t); }),
              rt(t + ": holds 2 tables (one per output line); a single-output table is needed "
                     "here"));
    EXPECT_EQ(messageOf([&] { ReadTruthTable(2, dir.file("missing.txt")); }),
              rt(dir.file("missing.txt") + ": cannot open the truth-table file"));
}

// The hexadecimal form of a table, as the result cache and the exports name classes: the
// highest row first, one digit below four rows; read back exactly, anything else refused.
TEST(TableHex, RoundTripAndRefusals) {
    struct Case {
        uint32_t k;
        TableWords table;
        std::string hex;
    };
    const Case cases[] = {{0, {1}, "1"},
                          {1, {2}, "2"},
                          {2, {0x8}, "8"},
                          {4, {0x6996}, "6996"},
                          {7, {1, uint64_t(1) << 63}, "80000000000000000000000000000001"}};
    for (const Case& c : cases) {
        EXPECT_EQ(TableHex(c.table, c.k), c.hex) << c.k;
        EXPECT_EQ(TableOfHex(c.hex, c.k), std::optional<TableWords>(c.table)) << c.k;
    }
    for (const auto& [hex, k] : std::vector<std::pair<std::string, uint32_t>>{
             {"699", 4}, {"69966", 4}, {"69g6", 4}, {"6996", 3}, {"4", 1}, {"", 0}})
        EXPECT_EQ(TableOfHex(hex, k), std::nullopt) << hex << " " << k;
}
