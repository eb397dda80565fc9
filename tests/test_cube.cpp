// Packed bit vectors and ternary cubes: bit handling beyond the size, the literal setters
// and their messages, the dimension cache, cube relations, evaluation by cube type, and
// agreement of the dense and sparse storage on every operation.

#include "logic/Cube.h"
#include "logic/bitvector.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using testsupport::messageOf;
using testsupport::rt;

Cube sparseCube(const std::string& text) {
    Cube c(text);
    c.setSparse();
    return c;
}

std::string bits(const bitvector& v) {
    std::string s;
    for (uint32_t i = 0; i < v.size(); ++i)
        s += v[i] ? '1' : '0';
    return s;
}

} // namespace

// ---------------------------------------------------------------- bitvector

TEST(Bitvector, ExcessBitsOfTheLastWordAreIgnored) {
    // a keeps the ones of its former 64 bits above bit 32; b never had them.
    bitvector a;
    a.assign(64, true);
    a.resize(33);
    bitvector b(33);
    for (uint32_t i = 0; i < 33; ++i)
        b.setbit(i, true);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(a.isOne());
    EXPECT_TRUE((~a).isNull());
    EXPECT_TRUE((a ^ b).isNull());
    EXPECT_TRUE(b.contains(a));

    b.setbit(32, false);
    EXPECT_NE(a, b);
    EXPECT_FALSE(b.contains(a));
    EXPECT_TRUE(a.contains(b));
    EXPECT_FALSE(b.isOne());
}

TEST(Bitvector, GrowingDefinesTheFormerExcessBits) {
    bitvector v;
    v.assign(64, true);
    v.resize(10);
    v.resize(40);
    EXPECT_EQ(bits(v), std::string(10, '1') + std::string(30, '0'));
    v.resize(5);
    v.resize(70, true);
    EXPECT_EQ(bits(v), std::string(70, '1'));

    // clear() keeps the old words; new bits must not inherit their content.
    v.clear();
    EXPECT_EQ(v.size(), 0u);
    for (int i = 0; i < 3; ++i)
        v.push_back(false);
    EXPECT_EQ(bits(v), "000");
    EXPECT_TRUE(v.isNull());
}

TEST(Bitvector, PushBackAcrossWordsAndBitOperators) {
    bitvector a, b;
    std::string expectAnd, expectOr, expectXor;
    for (uint32_t i = 0; i < 100; ++i) {
        const bool x = i % 3 == 0, y = i % 5 == 0;
        a.push_back(x);
        b.push_back(y);
        expectAnd += (x && y) ? '1' : '0';
        expectOr += (x || y) ? '1' : '0';
        expectXor += (x != y) ? '1' : '0';
    }
    EXPECT_EQ(a.size(), 100u);
    EXPECT_TRUE(a[99]);
    EXPECT_FALSE(a[98]);
    EXPECT_EQ(bits(a & b), expectAnd);
    EXPECT_EQ(bits(a | b), expectOr);
    EXPECT_EQ(bits(a ^ b), expectXor);

    bitvector c = a;
    c &= b;
    EXPECT_EQ(c, a & b);
    c = a;
    c |= b;
    EXPECT_EQ(c, a | b);
    c = a;
    c ^= b;
    EXPECT_EQ(c, a ^ b);
    EXPECT_TRUE((a | b).contains(a));
    EXPECT_FALSE(a.contains(b));

    // Copies are deep.
    bitvector d = a;
    d.setbit(0, false);
    EXPECT_TRUE(a[0]);
    EXPECT_FALSE(d[0]);

    bitvector z(37);
    EXPECT_TRUE(z.isNull());
    EXPECT_FALSE(z.isOne());
    EXPECT_TRUE((~z).isOne());
}

TEST(Bitvector, ErrorMessages) {
    bitvector v(4), w(5);
    EXPECT_EQ(messageOf([] { bitvector x(0); }), rt("bitvector:: Zero vector size"));
    EXPECT_EQ(messageOf([&] { v.resize(0); }), rt("bitvector:: Zero vector size"));
    EXPECT_EQ(messageOf([&] { v.resize(0, true); }), rt("bitvector:: Zero vector size"));
    EXPECT_EQ(messageOf([&] { v.assign(0, true); }), rt("bitvector:: Zero vector size"));
    EXPECT_EQ(messageOf([&] { (void)v[4]; }), rt("bitvector:: index out of range"));
    EXPECT_EQ(messageOf([&] { v.setbit(4, true); }), rt("bitvector:: index out of range"));
    const std::string sizes = rt("bitvector:: & operator between vectors of different sizes");
    EXPECT_EQ(messageOf([&] { (void)(v & w); }), sizes);
    EXPECT_EQ(messageOf([&] { (void)(v | w); }), sizes);
    EXPECT_EQ(messageOf([&] { (void)(v ^ w); }), sizes);
    EXPECT_EQ(messageOf([&] { v &= w; }), sizes);
    EXPECT_EQ(messageOf([&] { v |= w; }), sizes);
    EXPECT_EQ(messageOf([&] { v ^= w; }), sizes);
    EXPECT_EQ(messageOf([&] { (void)v.contains(w); }),
              rt("bitvector::contains: comparing vectors of different sizes"));
    EXPECT_NE(v, w);
}

// ---------------------------------------------------------------- Cube basics

TEST(Cube, ConstructionTextAndDimension) {
    Cube c(3);
    EXPECT_EQ(c.getCube(), "---");
    EXPECT_EQ(c.getDim(), 3u);
    EXPECT_TRUE(c.is_empty());
    c.setLit_1(0);
    EXPECT_EQ(c.getCube(), "1--");
    EXPECT_EQ(c.getDim(), 2u);
    EXPECT_FALSE(c.is_empty());

    Cube t("10-");
    EXPECT_EQ(t.size(), 3u);
    EXPECT_EQ(t.getDim(), 1u);
    EXPECT_EQ(t.getCube2(), (std::vector<Literal>{Lit_1, Lit_0, Lit_dc}));
    EXPECT_TRUE(t.isLit_1(0));
    EXPECT_TRUE(t.isLit_0(1));
    EXPECT_TRUE(t.isLit_dc(2));
    EXPECT_EQ(t.getLit(1), '0');
    EXPECT_EQ(t.getLit2(2), Lit_dc);
    EXPECT_TRUE(t == std::string("10-"));
    EXPECT_FALSE(t == std::string("10"));
    EXPECT_EQ(t.getCubeType(), static_cast<uint32_t>(CUBE_NONE));

    Cube e;
    EXPECT_EQ(e.size(), 0u);
    EXPECT_TRUE(e.is_empty());
    EXPECT_EQ(e.getCube(), "");
}

TEST(Cube, DimensionCacheFollowsEverySetter) {
    Cube c("1-0-");
    EXPECT_EQ(c.getDim(), 2u);
    c.setLit_dc(0);
    EXPECT_EQ(c.getDim(), 3u);
    c.setLit_dc(0); // already '-'
    EXPECT_EQ(c.getDim(), 3u);
    c.setLit_1(1);
    c.setLit_0(1); // care to care
    EXPECT_EQ(c.getDim(), 2u);
    c.setLit(3, '1');
    EXPECT_EQ(c.getDim(), 1u);
    c.resize(6);
    EXPECT_EQ(c.getCube(), "-001--");
    EXPECT_EQ(c.getDim(), 3u);
    c.append('-');
    c.append(Lit_1);
    EXPECT_EQ(c.getDim(), 4u);
    c.resize(3);
    EXPECT_EQ(c.getCube(), "-00");
    EXPECT_EQ(c.getDim(), 1u);
    c.assign(Lit_1);
    EXPECT_EQ(c.getCube(), "111");
    EXPECT_EQ(c.getDim(), 0u);
    c.assign(5, Lit_dc);
    EXPECT_EQ(c.getDim(), 5u);
    c.setCube(std::string("0-1-0"));
    EXPECT_EQ(c.getDim(), 2u);
    c.clear();
    EXPECT_EQ(c.size(), 0u);
    EXPECT_EQ(c.getDim(), 0u);
}

TEST(Cube, InitResetsFormAndType) {
    Cube c("101");
    c.setCubeType(CUBE_SUM);
    c.setTermIndex(7);
    c.init_sparse(5);
    EXPECT_TRUE(c.isSparse());
    EXPECT_EQ(c.getCube(), "-----");
    EXPECT_EQ(c.getDim(), 5u);
    EXPECT_EQ(c.getCubeType(), static_cast<uint32_t>(CUBE_NONE));
    EXPECT_TRUE(c.denseLits().empty());
    c.setCubeType(CUBE_PRODUCT);
    c.setLit_0(4);
    c.init(2);
    EXPECT_FALSE(c.isSparse());
    EXPECT_EQ(c.getCube(), "--");
    EXPECT_TRUE(c.sparseLits().empty());
    EXPECT_EQ(c.getCubeType(), static_cast<uint32_t>(CUBE_NONE));
}

TEST(Cube, ErrorMessages) {
    Cube c(3);
    Cube s(3);
    s.setSparse();
    for (Cube* x : {&c, &s}) {
        EXPECT_EQ(messageOf([&] { x->setLit(1, 'x'); }), rt("Cube::setLit: Invalid value"));
        EXPECT_EQ(messageOf([&] { x->setLit(5, '1'); }), rt("Cube::setLit: Index out of range"));
        EXPECT_EQ(messageOf([&] { x->setLit(3, Lit_1); }), rt("Cube::setLit: Index out of range"));
        EXPECT_EQ(messageOf([&] { x->setLit(0, Lit_undef); }), rt("Cube::setLit: Wrong IM value"));
        EXPECT_EQ(messageOf([&] { x->setLit_0(3); }), rt("Cube::setLit_0: Index out of range"));
        EXPECT_EQ(messageOf([&] { x->setLit_1(3); }), rt("Cube::setLit_1: Index out of range"));
        EXPECT_EQ(messageOf([&] { x->setLit_dc(3); }), rt("Cube::setLit_dc: Index out of range"));
        EXPECT_EQ(messageOf([&] { (void)x->isLit_0(3); }), rt("Cube::isLit_0: Index out of range"));
        EXPECT_EQ(messageOf([&] { (void)x->isLit_1(3); }), rt("Cube::isLit_1: Index out of range"));
        EXPECT_EQ(messageOf([&] { (void)x->isLit_dc(3); }),
                  rt("Cube::isLit_dc: Index out of range"));
        EXPECT_EQ(messageOf([&] { x->setCube(std::string("10")); }),
                  rt("Cube::setCube: Wrong IM size"));
        EXPECT_EQ(messageOf([&] { x->setCube(std::vector<Literal>{Lit_1}); }),
                  rt("Cube::setCube: Wrong IM size"));
        EXPECT_EQ(messageOf([&] { x->append('2'); }), rt("Cube::setLit: Invalid value"));
        EXPECT_EQ(messageOf([&] { x->append(Lit_undef); }), rt("Cube::setLit: Wrong IM value"));
        EXPECT_EQ(x->size(), 3u); // a rejected append adds nothing
        EXPECT_EQ(messageOf([&] { (void)x->intersects(Cube(2)); }),
                  rt("Cube::intersects: Comparing incompatible terms"));
        EXPECT_EQ(messageOf([&] { (void)x->intersects(std::string("----")); }),
                  rt("Cube::intersects: Comparing incompatible terms"));
        EXPECT_EQ(messageOf([&] { (void)x->contains(Cube(4)); }),
                  rt("Cube::contains: Comparing incompatible terms"));
        EXPECT_EQ(messageOf([&] { (void)x->contains(std::string("--")); }),
                  rt("Cube::contains: Comparing incompatible terms"));
        EXPECT_EQ(messageOf([&] { (void)x->intersectSize(Cube(2)); }),
                  rt("Cube::intersectSize: Comparing incompatible terms"));
        EXPECT_EQ(messageOf([&] { (void)x->intersectSize(std::string("")); }),
                  rt("Cube::intersectSize: Comparing incompatible terms"));
        EXPECT_EQ(messageOf([&] { (void)x->Simulate(Cube(3)); }),
                  rt("Cube::Simulate: unknown cube type"));
        x->setCubeType(CUBE_PRODUCT);
        EXPECT_EQ(messageOf([&] { (void)x->Simulate(Cube(2)); }),
                  rt("Cube::Simulate: Incorrect number of inputs"));
    }
    Cube a("1-0");
    EXPECT_EQ(messageOf([&] { (void)a.intersection(Cube("0--")); }),
              rt("Cube::intersection: no intersection"));
    EXPECT_EQ(messageOf([&] { (void)a.intersection(std::string("--1")); }),
              rt("Cube::intersection: no intersection"));
    // A cube text argument with a character that is not a literal.
    EXPECT_EQ(messageOf([&] { (void)a.contains(std::string("1x0")); }),
              rt("Cube::getLit2: Not allowed literal value"));
    EXPECT_EQ(messageOf([] { Cube bad("1x0"); }), rt("Cube::setLit: Invalid value"));
}

TEST(Cube, AssignMessagesDependOnTheForm) {
    Cube d(2);
    EXPECT_EQ(messageOf([&] { d.assign(3, Lit_undef); }),
              rt("Cube::assign: incorrect literal value"));
    EXPECT_EQ(messageOf([&] { d.assign(Lit_undef); }), rt("Cube::assign: incorrect literal value"));
    Cube s(2);
    s.setSparse();
    EXPECT_EQ(messageOf([&] { s.assign(3, Lit_undef); }), rt("Cube::setLit: Wrong IM value"));
    EXPECT_EQ(messageOf([&] { s.assign(Lit_undef); }), rt("Cube::setLit: Wrong IM value"));
    EXPECT_EQ(d.size(), 2u);
    EXPECT_EQ(s.size(), 2u);
    s.assign(4, Lit_0);
    EXPECT_EQ(s.getCube(), "0000");
    EXPECT_EQ(s.sparseLits().size(), 4u);
    s.assign(Lit_dc);
    EXPECT_TRUE(s.sparseLits().empty());
    EXPECT_EQ(s.getDim(), 4u);
}

TEST(Cube, SetCubeKeepsPositionsBeforeABadCharacter) {
    for (bool sparse : {false, true}) {
        Cube c(4);
        if (sparse) c.setSparse();
        EXPECT_EQ(messageOf([&] { c.setCube(std::string("10x1")); }),
                  rt("Cube::setLit: Invalid value"));
        EXPECT_EQ(c.getCube().substr(0, 2), "10");
        EXPECT_EQ(c.size(), 4u);
        EXPECT_EQ(c.getDim(), 4u - 2u);

        Cube v;
        if (sparse) v.setSparse();
        v.setCube(std::vector<Literal>{Lit_dc, Lit_1, Lit_0});
        EXPECT_EQ(v.getCube(), "-10");
        EXPECT_EQ(v.isSparse(), sparse);
    }
}

// ---------------------------------------------------------------- relations

TEST(Cube, IntersectionCopiesThisCube) {
    Cube a("1--0");
    a.setCubeType(CUBE_SUM);
    a.setTermIndex(12);
    const Cube r = a.intersection(Cube("-0-0"));
    EXPECT_EQ(r.getCube(), "10-0");
    EXPECT_EQ(r.getDim(), 1u);
    EXPECT_EQ(r.getCubeType(), static_cast<uint32_t>(CUBE_SUM));
    EXPECT_EQ(r.getTermIndex(), 12u);
    EXPECT_EQ(a.getCube(), "1--0");

    const Cube s = sparseCube("1--0");
    const Cube rs = s.intersection(std::string("-1--"));
    EXPECT_TRUE(rs.isSparse());
    EXPECT_EQ(rs.getCube(), "11-0");
    EXPECT_EQ(rs.getDim(), 1u);
    EXPECT_EQ(messageOf([&] { (void)s.intersection(std::string("--11")); }),
              rt("Cube::intersection: no intersection"));
}

TEST(Cube, EqualityComparesTheStoredForm) {
    EXPECT_TRUE(Cube("1-0") == Cube("1-0"));
    EXPECT_FALSE(Cube("1-0") == Cube("1-1"));
    EXPECT_TRUE(sparseCube("1-0") == sparseCube("1-0"));
    EXPECT_FALSE(sparseCube("1-0") == sparseCube("0-0"));
    // Dense and sparse storage never match unless both are empty.
    EXPECT_FALSE(Cube("1-0") == sparseCube("1-0"));
    EXPECT_FALSE(sparseCube("1-0") == Cube("1-0"));
    EXPECT_TRUE(Cube() == sparseCube("---"));
    EXPECT_TRUE(sparseCube("1-0") == std::string("1-0"));
    EXPECT_FALSE(sparseCube("1-0") == std::string("1-00"));
    EXPECT_FALSE(sparseCube("1-0") == std::string("1--"));
}

// ---------------------------------------------------------------- Simulate

// The randomized test below compares every cube type with an oracle; these are the cases
// where the order of the positions decides.
TEST(Cube, SimulateByCubeType) {
    struct Case {
        uint32_t type;
        const char* cube;
        std::vector<std::pair<const char*, uint32_t>> inputs; // input and expected value
    };
    const Case cases[] = {
        // A clash before a '-' decides ("0--"); a '-' before a clash gives undefined ("--1").
        {CUBE_PRODUCT,
         "1-0",
         {{"110", 1}, {"100", 1}, {"010", 0}, {"1-0", 1}, {"-10", 2}, {"0--", 0}, {"--1", 2}}},
        {CUBE_SUM, "1-0", {{"100", 1}, {"011", 0}, {"1--", 1}, {"0--", 2}, {"-00", 2}, {"0-0", 1}}},
        // Exclusive sum: nothing flipped is undefined, then odd flips 0, even flips 1.
        {CUBE_XSUM,
         "1-0",
         {{"100", 2}, {"000", 0}, {"011", 1}, {"0-1", 1}, {"-00", 2}, {"00-", 2}}},
        {CUBE_PRODUCT, "", {{"", 1}}},
        {CUBE_SUM, "", {{"", 0}}},
    };
    for (const Case& c : cases)
        for (const auto& [input, expected] : c.inputs) {
            Cube x(c.cube);
            x.setCubeType(c.type);
            EXPECT_EQ(x.Simulate(Cube(input)), expected)
                << "type " << c.type << " " << c.cube << " on " << input;
        }
}

// ---------------------------------------------------------------- sparse form

TEST(CubeSparse, SameTextAsDenseAndLazyWidth) {
    Cube s;
    s.init_sparse(6);
    s.setLit_1(5);
    s.setLit_0(1);
    s.setLit(3, '1');
    EXPECT_EQ(s.getCube(), "-0-1-1");
    EXPECT_EQ(s.specified(), (Cube::SparseLits{{1, Lit_0}, {3, Lit_1}, {5, Lit_1}}));
    EXPECT_EQ(s.specified(), Cube("-0-1-1").specified());
    s.setLit_dc(3);
    EXPECT_EQ(s.getCube(), "-0---1");
    EXPECT_EQ(s.sparseLits().size(), 2u);
    EXPECT_EQ(s.getDim(), 4u);

    // Widening keeps the entries; the new positions are don't cares.
    s.resize(100000);
    EXPECT_EQ(s.size(), 100000u);
    EXPECT_EQ(s.getDim(), 100000u - 2u);
    EXPECT_EQ(s.getLit(99999), '-');
    s.setLit_0(99999);
    EXPECT_EQ(s.getLit2(99999), Lit_0);
    EXPECT_EQ(s.sparseLits().size(), 3u);
    // Narrowing drops the entries beyond the new end.
    s.resize(5);
    EXPECT_EQ(s.getCube(), "-0---");
    s.resize(6);
    EXPECT_EQ(s.getCube(), "-0----");

    // Positions beyond the size read as don't care in both forms.
    EXPECT_EQ(Cube("10").getLit(7), '-');
    EXPECT_EQ(Cube("10").getLit2(7), Lit_dc);
    EXPECT_EQ(sparseCube("10").getLit2(7), Lit_dc);
}

namespace {

char randomLit(std::mt19937& rng) {
    return "01-"[rng() % 3];
}

std::string randomText(std::mt19937& rng, uint32_t n) {
    std::string s;
    for (uint32_t j = 0; j < n; ++j)
        s += randomLit(rng);
    return s;
}

// Oracle for the relations, written position by position from their definitions.
int oracleIntersectSize(const std::string& a, const std::string& b) {
    int n = 0;
    for (size_t j = 0; j < a.size(); ++j) {
        if ((a[j] == '0' && b[j] == '1') || (a[j] == '1' && b[j] == '0')) return -1;
        if ((a[j] == '-') != (b[j] == '-')) ++n;
    }
    return n;
}

bool oracleContains(const std::string& a, const std::string& b) {
    for (size_t j = 0; j < a.size(); ++j)
        if (a[j] != '-' && a[j] != b[j]) return false;
    return true;
}

uint32_t oracleSimulate(const std::string& c, const std::string& in, uint32_t type) {
    int flips = 0;
    for (size_t j = 0; j < c.size(); ++j) {
        if (c[j] == '-') continue;
        if (in[j] == '-') return 2;
        if (type == CUBE_PRODUCT && in[j] != c[j]) return 0;
        if (type == CUBE_SUM && in[j] == c[j]) return 1;
        if (type == CUBE_XSUM && in[j] != c[j]) ++flips;
    }
    if (type == CUBE_PRODUCT) return 1;
    if (type == CUBE_SUM) return 0;
    return flips == 0 ? 2 : (flips % 2 == 1 ? 0 : 1);
}

// The cube in both forms, built through the setters (sparse) and from the text (dense).
std::vector<Cube> bothForms(const std::string& text) {
    Cube d(text);
    Cube s;
    s.init_sparse(static_cast<uint32_t>(text.size()));
    for (uint32_t j = static_cast<uint32_t>(text.size()); j-- > 0;)
        s.setLit(j, text[j]); // decreasing positions: inserts in the middle
    return {d, s};
}

} // namespace

TEST(CubeSparse, RandomizedRelationsAgreeInBothForms) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 400; ++round) {
        const uint32_t n = rng() % 12;
        const std::string ta = randomText(rng, n), tb = randomText(rng, n);
        const int size = oracleIntersectSize(ta, tb);
        for (const Cube& a : bothForms(ta)) {
            EXPECT_EQ(a.getCube(), ta);
            EXPECT_TRUE(a == ta);
            EXPECT_EQ(a.getDim(), static_cast<uint32_t>(std::count(ta.begin(), ta.end(), '-')));
            EXPECT_EQ(a.is_empty(), ta.find_first_not_of('-') == std::string::npos);
            std::vector<Literal> lits;
            for (uint32_t j = 0; j < n; ++j) {
                EXPECT_EQ(a.getLit(j), ta[j]);
                EXPECT_EQ(a.isLit_0(j), ta[j] == '0');
                EXPECT_EQ(a.isLit_1(j), ta[j] == '1');
                EXPECT_EQ(a.isLit_dc(j), ta[j] == '-');
                lits.push_back(a.getLit2(j));
            }
            EXPECT_EQ(a.getCube2(), lits);
            EXPECT_EQ(a.intersects(tb), size >= 0) << ta << " " << tb;
            EXPECT_EQ(a.intersectSize(tb), size) << ta << " " << tb;
            EXPECT_EQ(a.contains(tb), oracleContains(ta, tb)) << ta << " " << tb;
            for (const Cube& b : bothForms(tb)) {
                EXPECT_EQ(a.intersects(b), size >= 0) << ta << " " << tb;
                EXPECT_EQ(a.intersectSize(b), size) << ta << " " << tb;
                EXPECT_EQ(a.contains(b), oracleContains(ta, tb)) << ta << " " << tb;
                if (size >= 0) {
                    std::string expect = ta;
                    for (uint32_t j = 0; j < n; ++j)
                        if (tb[j] != '-') expect[j] = tb[j];
                    const Cube r = a.intersection(b);
                    EXPECT_EQ(r.getCube(), expect);
                    EXPECT_EQ(r.getDim(),
                              static_cast<uint32_t>(std::count(expect.begin(), expect.end(), '-')));
                    EXPECT_EQ(r.isSparse(), a.isSparse());
                    EXPECT_EQ(a.intersection(tb).getCube(), expect);
                }
                for (uint32_t type : {CUBE_SUM, CUBE_PRODUCT, CUBE_XSUM}) {
                    Cube c = a;
                    c.setCubeType(type);
                    EXPECT_EQ(c.Simulate(b), oracleSimulate(ta, tb, type))
                        << ta << " on " << tb << " type " << type;
                }
            }
        }
    }
}

TEST(CubeSparse, RandomizedEditsAgreeInBothForms) {
    std::mt19937 rng(777);
    for (int round = 0; round < 200; ++round) {
        std::string model = randomText(rng, rng() % 8);
        std::vector<Cube> forms = bothForms(model);
        for (int step = 0; step < 40; ++step) {
            const uint32_t op = rng() % 8;
            const uint32_t n = static_cast<uint32_t>(model.size());
            const uint32_t j = n == 0 ? 0 : rng() % n;
            const char c = randomLit(rng);
            const Literal v = c == '0' ? Lit_0 : (c == '1' ? Lit_1 : Lit_dc);
            // Each step edits both forms and the text model the same way.
            auto edit = [&](auto&& apply) {
                for (Cube& x : forms)
                    apply(x);
            };
            switch (op) {
            case 0:
            case 1:
                if (n == 0) break;
                edit([&](Cube& x) { op == 0 ? x.setLit(j, c) : x.setLit(j, v); });
                model[j] = c;
                break;
            case 2:
            case 3:
                edit([&](Cube& x) { op == 2 ? x.append(c) : x.append(v); });
                model += c;
                break;
            case 4:
                edit([&](Cube& x) { x.resize(n + j % 5); });
                model.append(j % 5, '-');
                break;
            case 5:
                edit([&](Cube& x) { x.resize(j); });
                model.resize(j);
                break;
            case 6:
                if (step % 10 != 0) break;
                edit([&](Cube& x) { x.assign(v); });
                model.assign(n, c);
                break;
            default:
                edit([](Cube& x) { (void)x.getDim(); }); // fills the cache before the next edits
                break;
            }
            for (const Cube& x : forms) {
                ASSERT_EQ(x.getCube(), model) << "op " << op << (x.isSparse() ? " sparse" : "");
                ASSERT_EQ(x.size(), model.size());
                ASSERT_EQ(x.getDim(),
                          static_cast<uint32_t>(std::count(model.begin(), model.end(), '-')));
            }
            Cube converted = forms[0];
            converted.setSparse();
            ASSERT_TRUE(converted == forms[1]);
            ASSERT_EQ(converted.specified(), forms[0].specified());
        }
    }
}
