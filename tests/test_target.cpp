// Target functions: truth tables, the table of the function given on the command line,
// the target PLA, and the truth-table file.
#include "app/Settings.h"
#include "app/TargetFunction.h"
#include "app/TruthTable.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>

using testsupport::messageOf;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

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

Settings hexSettings(const std::string& hex, uint32_t k, bool polyedges = false) {
    Settings s;
    s.k = k;
    s.polyedges = polyedges;
    s.functionHex = hex;
    s.functionText = hex;
    s.functionGiven = true;
    s.function = 0; // must not be used for the table
    return s;
}

// A table from the list of its minterms that are 1.
TruthTable tableOf(uint32_t size, const std::vector<uint32_t>& ones) {
    TruthTable t(size);
    for (uint32_t i : ones)
        t.set(i, true);
    return t;
}

} // namespace

// ---------------------------------------------------------------- TruthTable

TEST(TruthTable, FromNumberKeepsTheLowBitsThatFit) {
    const TruthTable small = TruthTable::FromNumber(0xF6u, 4);
    EXPECT_EQ(small.toBinary(), "0110");
    EXPECT_EQ(small.low32(), 6u);
    const TruthTable big = TruthTable::FromNumber(0x80000001u, 128);
    EXPECT_TRUE(big.get(0));
    EXPECT_TRUE(big.get(31));
    EXPECT_FALSE(big.get(32));
    EXPECT_FALSE(big.get(1000)); // beyond the table
    EXPECT_FALSE(big.exceeds32());
    EXPECT_EQ(TruthTable::FromNumber(1, 1).toBinary(), "1");
    EXPECT_EQ(TruthTable::FromNumber(1, 0).size(), 0u);
}

TEST(TruthTable, SetAndCompare) {
    TruthTable t(200);
    t.set(199, true);
    t.set(64, true);
    EXPECT_TRUE(t.get(199));
    EXPECT_TRUE(t.exceeds32());
    EXPECT_EQ(t.low32(), 0u);
    t.set(199, false);
    EXPECT_FALSE(t.get(199));
    EXPECT_NE(t, TruthTable(200));
    t.set(64, false);
    EXPECT_EQ(t, TruthTable(200));
    EXPECT_NE(TruthTable(8), TruthTable(16));
    EXPECT_EQ(messageOf([&] { t.set(200, true); }),
              "Runtime Exception: TruthTable::set: Minterm out of range");
}

TEST(TruthTable, BinaryTextMostSignificantFirst) {
    TruthTable t(16);
    ASSERT_TRUE(t.setBinary("1" + std::string(15, '0')));
    EXPECT_EQ(t.low32(), 32768u);
    ASSERT_TRUE(t.setBinary("101")); // missing leading digits are 0
    EXPECT_EQ(t.low32(), 5u);
    EXPECT_FALSE(t.setBinary("10a"));
    EXPECT_FALSE(t.setBinary(std::string(17, '0')));
    EXPECT_EQ(t.low32(), 5u); // unchanged by a refused text
}

TEST(TruthTable, HexTextFitsByValue) {
    TruthTable t(64);
    ASSERT_TRUE(t.setHex("8000000000000001"));
    EXPECT_TRUE(t.get(63));
    EXPECT_TRUE(t.get(0));
    EXPECT_EQ(t.toBinary(), "1" + std::string(62, '0') + "1");
    ASSERT_TRUE(t.setHex("00000000000000000000ffffffffffffffff")); // leading zeros fine
    EXPECT_EQ(t.toBinary(), std::string(64, '1'));
    EXPECT_FALSE(t.setHex("10000000000000000")); // minterm 64 does not exist
    EXPECT_FALSE(t.setHex("fg"));
    EXPECT_EQ(t.toBinary(), std::string(64, '1'));

    TruthTable two(2); // tables smaller than a digit fit by their value
    EXPECT_TRUE(two.setHex("3"));
    EXPECT_EQ(two.toBinary(), "11");
    EXPECT_FALSE(two.setHex("4"));
    EXPECT_TRUE(two.setHex(""));
    EXPECT_EQ(two.toBinary(), "00");
}

// ---------------------------------------------------------------- DeriveFnctPLA

TEST(DeriveFnctPLA, MintermTermsWithTheControlInputLast) {
    expectMintermPLA(*DeriveFnctPLA(6, 2, false), 2, TruthTable::FromNumber(6, 4));
    // With polymorphic edges the half with P = 1 comes from bits 4..7 of the number.
    expectMintermPLA(*DeriveFnctPLA(6, 2, true), 3, TruthTable::FromNumber(6, 8));
    expectMintermPLA(*DeriveFnctPLA(0x96u, 2, true), 3, TruthTable::FromNumber(0x96u, 8));
}

TEST(DeriveFnctPLA, MintermsAboveThirtyOneAreZeroForANumber) {
    const auto pla = DeriveFnctPLA(0xFFFFFFFFu, 6, false);
    expectMintermPLA(*pla, 6, TruthTable::FromNumber(0xFFFFFFFFu, 64));
    EXPECT_EQ(pla->getTerm(31).getOM(), "1");
    EXPECT_EQ(pla->getTerm(32).getOM(), "0");
}

TEST(DeriveFnctPLA, NoInputsGiveOneTerm) {
    const auto one = DeriveFnctPLA(1, 0, false);
    ASSERT_EQ(one->getTermCount(), 1u);
    EXPECT_EQ(one->getTerm(0).getOM(), "1");
    EXPECT_EQ(DeriveFnctPLA(2, 0, false)->getTerm(0).getOM(), "0");
}

TEST(DeriveFnctPLA, WholeTableOfSevenInputs) {
    std::mt19937 rng(7);
    TruthTable table(128);
    for (uint32_t i = 0; i < 128; ++i)
        table.set(i, rng() & 1u);
    expectMintermPLA(*DeriveFnctPLA(table, 7, false), 7, table);
    // With the control input the table's half for P = 1 is its upper 128 minterms.
    TruthTable wide(256);
    for (uint32_t i = 0; i < 256; ++i)
        wide.set(i, rng() & 1u);
    expectMintermPLA(*DeriveFnctPLA(wide, 7, true), 8, wide);
    // A table shorter than the function: the missing minterms are 0.
    expectMintermPLA(*DeriveFnctPLA(table, 7, true), 8, table);
}

// ---------------------------------------------------------------- TargetTable

TEST(TargetTable, DecimalNumberAndDefault) {
    Settings s;
    EXPECT_EQ(TargetTable(s), TruthTable::FromNumber(1, 16));
    s.k = 6;
    s.function = 0xDEADBEEFu;
    EXPECT_EQ(TargetTable(s), TruthTable::FromNumber(0xDEADBEEFu, 64));
    s.polyedges = true;
    EXPECT_EQ(TargetTable(s).size(), 128u);
}

TEST(TargetTable, UpToEightDigitsBehaveLikeTheThirtyTwoBitNumber) {
    std::mt19937 rng(11);
    for (uint32_t k = 2; k <= 7; ++k) {
        for (const std::string hex :
             {"1", "6", "96", "fF", "8000", "12345678", "FFFFFFFF", "00000009", "cafe"}) {
            for (bool poly : {false, true}) {
                const uint32_t f = std::stoul(hex, nullptr, 16);
                const TruthTable table = TargetTable(hexSettings(hex, k, poly));
                const uint32_t inputs = k + (poly ? 1 : 0);
                EXPECT_EQ(table, TruthTable::FromNumber(f, 1u << inputs)) << hex << " k=" << k;
                const auto fromTable = DeriveFnctPLA(table, k, poly);
                const auto fromNumber = DeriveFnctPLA(f, k, poly);
                ASSERT_EQ(fromTable->getTermCount(), fromNumber->getTermCount());
                for (size_t i = 0; i < fromNumber->getTermCount(); ++i)
                    ASSERT_EQ(fromTable->getTerm(i).getText(), fromNumber->getTerm(i).getText());
            }
        }
        // Random numbers too, through the files: the same file as the 32-bit writer.
        TempDir dir;
        for (int round = 0; round < 5; ++round) {
            const uint32_t f = static_cast<uint32_t>(rng());
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08x", f);
            Write_Truth(f, k, dir.file("a.txt"));
            Write_Truth(TargetTable(hexSettings(hex, k)), k, dir.file("b.txt"));
            EXPECT_EQ(readFile(dir.file("a.txt")), readFile(dir.file("b.txt")));
        }
    }
}

TEST(TargetTable, ShortNumbersDropBitsBeyondTheTable) {
    // As with the 32-bit reading, ones beyond a small table are ignored, not refused.
    EXPECT_EQ(TargetTable(hexSettings("FF", 2)).toBinary(), "1111");
    EXPECT_EQ(TargetTable(hexSettings("F0", 2)).toBinary(), "0000");
}

TEST(TargetTable, SixInputsFromALongNumber) {
    // Minterms 63, 40, 33, 32, 5 and 0.
    const TruthTable table = TargetTable(hexSettings("8000010300000021", 6));
    const TruthTable expected = tableOf(64, {63, 40, 33, 32, 5, 0});
    EXPECT_EQ(table, expected);
    expectMintermPLA(*DeriveFnctPLA(table, 6, false), 6, expected);
}

TEST(TargetTable, SevenInputsFromALongNumber) {
    const std::string hex = "80000000000000000000000000000001"; // minterms 127 and 0
    const TruthTable table = TargetTable(hexSettings(hex, 7));
    const TruthTable expected = tableOf(128, {127, 0});
    EXPECT_EQ(table, expected);
    expectMintermPLA(*DeriveFnctPLA(table, 7, false), 7, expected);
    // With polymorphic edges the same number lies in the half with P = 0.
    const TruthTable poly = TargetTable(hexSettings(hex, 7, true));
    EXPECT_EQ(poly, tableOf(256, {127, 0}));
    expectMintermPLA(*DeriveFnctPLA(poly, 7, true), 8, poly);
}

TEST(TargetTable, LongerNumbersMustFitTheTable) {
    // 9 digits, leading zeros dropped fit 16 minterms.
    EXPECT_EQ(TargetTable(hexSettings("00000ABCD", 4)), TruthTable::FromNumber(0xABCD, 16));
    // The significant digits need 36 minterms: too many for five inputs, fine for six.
    EXPECT_EQ(TargetTable(hexSettings("900000000", 6)), tableOf(64, {35, 32}));
    const std::string msg = messageOf([] { TargetTable(hexSettings("900000000", 5)); });
    EXPECT_EQ(msg, "Runtime Exception: TargetTable: Hexadecimal function number does not fit a "
                   "truth table of 32 minterms: 900000000");
    // 17 digits for six inputs (16 digits) but with P the table has 128 minterms.
    EXPECT_NE(messageOf([] { TargetTable(hexSettings("10000000000000000", 6)); }), "");
    EXPECT_EQ(TargetTable(hexSettings("10000000000000000", 6, true)), tableOf(128, {64}));
    // A refused number for a two-minterm table.
    EXPECT_NE(messageOf([] { TargetTable(hexSettings("000000004", 1)); }), "");
    EXPECT_EQ(TargetTable(hexSettings("000000003", 1)).toBinary(), "11");
}

TEST(TargetTable, CharacterThatIsNoHexDigitIsRefused) {
    EXPECT_EQ(messageOf([] { TargetTable(hexSettings("12x", 4)); }),
              "Runtime Exception: TargetTable: Not a hexadecimal number: 12x");
    EXPECT_NE(messageOf([] { TargetTable(hexSettings("0000000000000000g", 6)); }), "");
}

// ---------------------------------------------------------------- truth-table files

TEST(TruthFile, WriteAndReadXor) {
    TempDir dir;
    const std::string t = dir.file("t.txt");
    Write_Truth(6, 2, t);
    EXPECT_EQ(readFile(t), "0110\n");
    EXPECT_EQ(Read_truth(2, t), 6u);
    Write_Truth(1, 2, t); // the writer truncates
    EXPECT_EQ(readFile(t), "0001\n");
}

TEST(TruthFile, HexAndBinaryWordsOfSixteenMinterms) {
    TempDir dir;
    const std::string t = dir.file("t.txt");
    writeFile(t, "8000\n");
    EXPECT_EQ(Read_truth(4, t), 32768u);
    writeFile(t, "1000000000000000");
    EXPECT_EQ(Read_truth(4, t), 32768u);
    writeFile(t, "\n\t  00aB trailing words are ignored 1111\n");
    EXPECT_EQ(Read_truth(4, t), 0xABu);
    writeFile(t, "6");
    EXPECT_EQ(Read_truth(2, t), 6u);
}

TEST(TruthFile, SixInputsNumberFillsTheLowHalf) {
    TempDir dir;
    const std::string t = dir.file("t.txt");
    Write_Truth(0x80000001u, 6, t);
    const std::string text = readFile(t);
    EXPECT_EQ(text, std::string(32, '0') + "1" + std::string(30, '0') + "1\n");
    EXPECT_EQ(Read_truth(6, t), 0x80000001u);
}

TEST(TruthFile, WholeTablesOfSixAndSevenInputs) {
    TempDir dir;
    const std::string t = dir.file("t.txt");
    std::mt19937 rng(3);
    for (uint32_t k : {6u, 7u}) {
        TruthTable table(1u << k);
        for (uint32_t i = 0; i < table.size(); ++i)
            table.set(i, rng() & 1u);
        table.set(table.size() - 1, true);
        Write_Truth(table, k, t);
        EXPECT_EQ(readFile(t), table.toBinary() + "\n");
        const TruthTable back = ReadTruthTable(k, t);
        EXPECT_EQ(back, table);
        expectMintermPLA(*DeriveFnctPLA(back, k, false), k, table);
        EXPECT_EQ(Read_truth(k, t), table.low32());
    }
    // The same 7-input function in hexadecimal: minterms 127, 64, 63 and 1.
    writeFile(t, "80000000000000018000000000000002\n");
    const TruthTable hex = ReadTruthTable(7, t);
    EXPECT_EQ(hex, tableOf(128, {127, 64, 63, 1}));
    expectMintermPLA(*DeriveFnctPLA(hex, 7, false), 7, hex);
    EXPECT_EQ(Read_truth(7, t), 2u);
}

TEST(TruthFile, PolymorphicTableWritesTheHalfWithoutControl) {
    TempDir dir;
    const std::string t = dir.file("t.txt");
    const TruthTable table = tableOf(8, {7, 2, 1}); // k = 2 with P
    Write_Truth(table, 2, t);
    EXPECT_EQ(readFile(t), "0110\n");
}

TEST(TruthFile, WordsThatAreNoTruthTable) {
    TempDir dir;
    const std::string t = dir.file("t.txt");
    const std::string notTable = "Runtime Exception: ReadTruth: Does not look like a truth table";
    const std::vector<std::pair<uint32_t, std::string>> cases = {
        {2, "011"},                // 3 characters
        {2, "01101"},              // one too many
        {4, "80001"},              // neither 16 nor 4
        {4, "1000000000000002"},   // 16 characters, not binary
        {4, "80g0"},               // 4 characters, not hexadecimal
        {2, ""},                   // empty file
        {1, "   \n"},              // no word at all
        {0, ""},                   // empty word for one minterm
        {6, std::string(65, '0')}, // longer than the table
        {6, "0000000000000000000000000000000000000000000000000000000000000003x"},
    };
    for (const auto& [k, content] : cases) {
        writeFile(t, content);
        EXPECT_EQ(messageOf([&] { Read_truth(k, t); }), notTable) << k << " '" << content << "'";
    }
    writeFile(t, "1 0");
    EXPECT_EQ(Read_truth(0, t), 1u);
    writeFile(t, "10");
    EXPECT_EQ(Read_truth(1, t), 2u);
}

TEST(TruthFile, FilesThatCannotBeOpened) {
    TempDir dir;
    EXPECT_EQ(messageOf([&] { Read_truth(2, dir.file("missing.txt")); }),
              "Runtime Exception: ReadTruth: cannot open file");
    EXPECT_EQ(messageOf([&] { Write_Truth(6, 2, dir.file("no/such/dir/t.txt")); }),
              "Runtime Exception: WriteTruth: cannot open file");
}
