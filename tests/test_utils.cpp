// Shared string, number and file-name helpers, the CPU-time reader and the exceptions.
#include "util/myExcept.h"
#include "util/mytime.h"
#include "util/utils.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(Hex2Int, ReadsDigitsOfBothCasesMostSignificantFirst) {
    EXPECT_EQ(hex2int("1f"), 31u);
    EXPECT_EQ(hex2int("1F"), 31u);
    EXPECT_EQ(hex2int("8000"), 32768u);
    EXPECT_EQ(hex2int("DEADbeef"), 0xDEADBEEFu);
    EXPECT_EQ(hex2int("0123456789"), 0x23456789u); // only the last eight digits remain
    EXPECT_EQ(hex2int(""), 0u);
}

TEST(Hex2Int, CharacterThatIsNoDigitCountsAsZeroDigit) {
    EXPECT_EQ(hex2int("1g"), 0x10u);
    EXPECT_EQ(hex2int("z1"), 0x01u);
}

TEST(Bin2Int, OnlyOnesCount) {
    EXPECT_EQ(bin2int("110"), 6u);
    EXPECT_EQ(bin2int("0110"), 6u);
    EXPECT_EQ(bin2int("1x1"), 5u);
    EXPECT_EQ(bin2int(""), 0u);
    EXPECT_EQ(bin2int("1" + std::string(15, '0')), 32768u);
    // 33 digits: the leading one falls off the 32-bit value.
    EXPECT_EQ(bin2int("1" + std::string(31, '0') + "1"), 1u);
}

TEST(Int2Bin, MostAndLeastSignificantFirst) {
    EXPECT_EQ(int2bin(6, 3), "110");
    EXPECT_EQ(int2bin_rev(6, 3), "011");
    EXPECT_EQ(int2bin(1, 3), "001");
    EXPECT_EQ(int2bin_rev(1, 3), "100");
    EXPECT_EQ(int2bin(5, 0), "");
    EXPECT_EQ(int2bin_rev(5, 0), "");
    EXPECT_EQ(int2bin(6, 2), "10"); // only the low len bits
    EXPECT_EQ(int2bin(0xFFFFFFFFu, 32), std::string(32, '1'));
}

TEST(Int2Bin, BitsAboveThirtyOneAreZero) {
    const std::string s = int2bin(0xFFFFFFFFu, 40);
    EXPECT_EQ(s, std::string(8, '0') + std::string(32, '1'));
    const std::string r = int2bin_rev(0x80000001u, 40);
    EXPECT_EQ(r, "1" + std::string(30, '0') + "1" + std::string(8, '0'));
}

TEST(Int2Bin, RoundTripsWithBin2Int) {
    for (uint32_t v : {0u, 1u, 6u, 150u, 0xABCDu, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(bin2int(int2bin(v, 32)), v);
        std::string rev = int2bin_rev(v, 32);
        EXPECT_EQ(bin2int(std::string(rev.rbegin(), rev.rend())), v);
    }
}

TEST(Int2String, DecimalWithoutPadding) {
    EXPECT_EQ(int2string(0), "0");
    EXPECT_EQ(int2string(42), "42");
    EXPECT_EQ(int2string(4294967295u), "4294967295");
}

TEST(Str2Uint, ReadsLikeStrtolBaseTen) {
    EXPECT_EQ(str2uint("12"), 12u);
    EXPECT_EQ(str2uint("  12abc"), 12u);
    EXPECT_EQ(str2uint("+7"), 7u);
    EXPECT_EQ(str2uint("-1"), 4294967295u);
    EXPECT_EQ(str2uint("abc"), 0u);
    EXPECT_EQ(str2uint(""), 0u);
    EXPECT_EQ(str2uint("0x1f"), 0u);       // base 10: reading stops at the x
    EXPECT_EQ(str2uint("4294967296"), 0u); // kept modulo 2^32
    EXPECT_EQ(str2uint("4294967297"), 1u);
}

TEST(FileNames, SplitIntoPathBaseAndExtension) {
    EXPECT_EQ(GetPath("dir/sub/sol.dot"), "dir/sub/");
    EXPECT_EQ(GetFilename("dir/sub/sol.dot"), "sol");
    EXPECT_EQ(GetExtension("dir/sub/sol.dot"), "dot");

    EXPECT_EQ(GetPath("sol.dot"), "");
    EXPECT_EQ(GetFilename("a.b.c"), "a.b");
    EXPECT_EQ(GetExtension("a.b.c"), "c");

    // A dot in a directory name is not an extension.
    EXPECT_EQ(GetPath("my.dir/sol"), "my.dir/");
    EXPECT_EQ(GetFilename("my.dir/sol"), "sol");
    EXPECT_EQ(GetExtension("my.dir/sol"), "");
    EXPECT_EQ(GetPath("/abs/x.blif"), "/abs/");
}

TEST(AppendToFilename, PutsSuffixBeforeTheExtension) {
    EXPECT_EQ(AppendToFilename("sol.dot", ".3"), "sol.3.dot");
    EXPECT_EQ(AppendToFilename("out/sol.dot", ".0"), "out/sol.0.dot");
    EXPECT_EQ(AppendToFilename("a.b.blif", ".12"), "a.b.12.blif");
    // No extension: the suffix goes at the end, also behind a dotted directory.
    EXPECT_EQ(AppendToFilename("sol", ".3"), "sol.3");
    EXPECT_EQ(AppendToFilename("my.dir/sol", ".3"), "my.dir/sol.3");
    EXPECT_EQ(AppendToFilename("./sol", ".3"), "./sol.3");
    EXPECT_EQ(AppendToFilename("../x.dot", ".1"), "../x.1.dot");
}

TEST(GetMyCPUTime, GrowsWithWork) {
    const float t0 = GetMyCPUTime();
    EXPECT_GE(t0, 0.0f);
    // Burn some CPU; the loop result is used so it cannot be dropped.
    volatile uint64_t acc = 0;
    float t1 = t0;
    for (int round = 0; round < 200 && t1 - t0 < 0.02f; ++round) {
        for (uint64_t i = 0; i < 2000000; ++i)
            acc = acc + i * i;
        t1 = GetMyCPUTime();
    }
    EXPECT_GT(t1 - t0, 0.0f);
    EXPECT_LT(t1 - t0, 60.0f);
}

TEST(Exceptions, PrefixTheMessageByClass) {
    EXPECT_EQ(CException("plain").GetMsg(), "plain");
    EXPECT_EQ(IOException("x").GetMsg(), "I/O Exception: x");
    EXPECT_EQ(RuntimeException("Cube::setLit: Index out of range").GetMsg(),
              "Runtime Exception: Cube::setLit: Index out of range");
    EXPECT_EQ(BoomException("y").GetMsg(), "BOOM Exception: y");
    try {
        throw IOException("SoPLA::LoadCNF: Cannot open file: a.cnf");
    } catch (const CException& e) {
        EXPECT_EQ(e.GetMsg(), "I/O Exception: SoPLA::LoadCNF: Cannot open file: a.cnf");
    }
}

TEST(GetLineAndToken, JoinContinuationsAndSplitOnSeparators) {
    std::istringstream in("\n\n  \\.i 3\r\n.o \\\n 2\n");
    std::string line;
    ASSERT_TRUE(GetLine(in, line));
    EXPECT_EQ(line, ".i 3");
    ASSERT_TRUE(GetLine(in, line));
    EXPECT_EQ(line, ".o  2");
    EXPECT_FALSE(GetLine(in, line));

    size_t pos = 0;
    const std::string text = " a\tbb|c  ";
    EXPECT_EQ(GetToken(text, pos), "a");
    EXPECT_EQ(GetToken(text, pos), "bb");
    EXPECT_EQ(GetToken(text, pos), "c");
    EXPECT_EQ(GetToken(text, pos), "");
}
