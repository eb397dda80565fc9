// Shared string, number and file-name helpers, the CPU-time reader and the exceptions.
#include "util/myExcept.h"
#include "util/mytime.h"
#include "util/utils.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

TEST(Utils, NumbersFromAndToText) {
    const std::pair<const char*, uint32_t> hex[] = {
        {"1f", 31},
        {"1F", 31},
        {"DEADbeef", 0xDEADBEEFu},
        {"0123456789", 0x23456789u}, // only the last eight digits remain
        {"", 0},
        {"1g", 0x10}, // a character that is no digit counts as 0
        {"z1", 1}};
    for (const auto& [text, value] : hex)
        EXPECT_EQ(hex2int(text), value) << text;
    const std::pair<std::string, uint32_t> bin[] = {
        {"0110", 6}, {"1x1", 5}, {"", 0}, {"1" + std::string(31, '0') + "1", 1}}; // 33 digits
    for (const auto& [text, value] : bin)
        EXPECT_EQ(bin2int(text), value) << text;
    const std::pair<const char*, uint32_t> dec[] = {{"12", 12},          {"  12abc", 12}, {"+7", 7},
                                                    {"-1", 4294967295u}, {"abc", 0},      {"", 0},
                                                    {"0x1f", 0}, // base 10: reading stops at the x
                                                    {"4294967297", 1}};
    for (const auto& [text, value] : dec)
        EXPECT_EQ(str2uint(text), value) << text;

    EXPECT_EQ(int2bin(6, 3), "110");
    EXPECT_EQ(int2bin_rev(6, 3), "011");
    EXPECT_EQ(int2bin(6, 2), "10"); // only the low len bits
    EXPECT_EQ(int2bin(5, 0), "");
    // Bits above 31 are 0.
    EXPECT_EQ(int2bin(0xFFFFFFFFu, 40), std::string(8, '0') + std::string(32, '1'));
    EXPECT_EQ(int2bin_rev(0x80000001u, 40), "1" + std::string(30, '0') + "1" + std::string(8, '0'));
    EXPECT_EQ(hex2bin('a'), "1010");
    EXPECT_EQ(hex2bin('x'), "");
    EXPECT_EQ(int2string(4294967296u), "4294967296");
}

TEST(Utils, FileNames) {
    struct Row {
        const char* name;
        const char* path;
        const char* base;
        const char* extension;
        const char* withSuffix; // AppendToFilename(name, ".3")
    };
    const Row rows[] = {
        {"dir/sub/sol.dot", "dir/sub/", "sol", "dot", "dir/sub/sol.3.dot"},
        {"a.b.c", "", "a.b", "c", "a.b.3.c"},
        {"my.dir/sol", "my.dir/", "sol", "", "my.dir/sol.3"}, // a dotted directory
        {"sol", "", "sol", "", "sol.3"},
        {"./sol", "./", "sol", "", "./sol.3"},
        {"/abs/x.blif", "/abs/", "x", "blif", "/abs/x.3.blif"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(GetPath(r.name), r.path) << r.name;
        EXPECT_EQ(GetFilename(r.name), r.base) << r.name;
        EXPECT_EQ(GetExtension(r.name), r.extension) << r.name;
        EXPECT_EQ(AppendToFilename(r.name, ".3"), r.withSuffix) << r.name;
    }
}

TEST(Utils, LinesAndTokens) {
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

TEST(Utils, CpuTimeAndExceptions) {
    const float t0 = GetMyCPUTime();
    volatile uint64_t acc = 0; // CPU time the compiler cannot drop
    for (uint64_t i = 0; i < 100000000 && GetMyCPUTime() - t0 < 0.02f; i += 1000)
        for (uint64_t k = i; k < i + 1000; ++k)
            acc = acc + k * k;
    const float spent = GetMyCPUTime() - t0;
    EXPECT_TRUE(t0 >= 0.0f && spent > 0.0f && spent < 60.0f) << t0 << " " << spent;

    EXPECT_EQ(CException("plain").GetMsg(), "plain");
    EXPECT_EQ(IOException("x").GetMsg(), "I/O Exception: x");
    EXPECT_EQ(RuntimeException("y").GetMsg(), "Runtime Exception: y");
    EXPECT_EQ(BoomException("z").GetMsg(), "BOOM Exception: z");
}
