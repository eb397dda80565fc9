// Packed bit vectors, ternary cubes (dense and sparse), multi-output terms and the ternary
// tree over cube texts: randomized comparisons with plain models, the cases the models do
// not reach, and one table per class of the calls it rejects.

#include "logic/Cube.h"
#include "logic/TTree.h"
#include "logic/Term.h"
#include "logic/bitvector.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::messageOf;
using testsupport::rt;

// The statement raises a RuntimeException with this text.
#define EXPECT_MSG(text, ...) EXPECT_EQ(messageOf([&] { __VA_ARGS__; }), rt(text)) << #__VA_ARGS__

Cube sparseCube(const std::string& text) {
    Cube c(text);
    c.setSparse();
    return c;
}

Term makeTerm(const std::string& cube, const std::string& outputs) {
    Term t(static_cast<uint32_t>(cube.size()), static_cast<uint32_t>(outputs.size()));
    t.setCube(cube);
    t.setOM(outputs);
    return t;
}

std::string randomText(std::mt19937& rng, uint32_t n, const char* alphabet = "01-") {
    std::string s;
    for (uint32_t j = 0; j < n; ++j)
        s += alphabet[rng() % 3];
    return s;
}

uint32_t dashes(const std::string& s) {
    return static_cast<uint32_t>(std::count(s.begin(), s.end(), '-'));
}

// ---------------------------------------------------------------- bitvector

std::string bits(const bitvector& v) {
    std::string s;
    for (uint32_t i = 0; i < v.size(); ++i)
        s += v[i] ? '1' : '0';
    return s;
}

// Two vectors of one size against texts of '0' and '1'. Shrinking and clear() leave stale
// words above the size; no query or operator may see them, and growing must define them.
TEST(Bitvector, RandomEditsAgreeWithTexts) {
    std::mt19937 rng(4242);
    bitvector a, b;
    std::string ma, mb;
    for (int step = 0; step < 3000; ++step) {
        const uint32_t n = 1 + rng() % 100;
        const bool x = rng() % 2, y = rng() % 2;
        const char cx = x ? '1' : '0', cy = y ? '1' : '0';
        switch (ma.empty() ? 1 : rng() % 6) {
        case 0:
            a.resize(n); // new bits 0
            b.resize(n, y);
            ma.resize(n, '0');
            mb.resize(n, cy);
            break;
        case 1:
            a.assign(n, x);
            b.assign(n, y);
            ma.assign(n, cx);
            mb.assign(n, cy);
            break;
        case 2:
            a.push_back(x);
            b.push_back(y);
            ma += cx;
            mb += cy;
            break;
        case 3:
        case 4: {
            const uint32_t i = rng() % ma.size();
            (x ? a : b).setbit(i, y);
            (x ? ma : mb)[i] = cy;
            break;
        }
        default:
            a.clear();
            b.clear();
            a.push_back(x);
            b.push_back(y);
            ma = cx;
            mb = cy;
        }
        std::string mand, mor, mxor, mnot;
        for (size_t i = 0; i < ma.size(); ++i) {
            mand += ma[i] == '1' && mb[i] == '1' ? '1' : '0';
            mor += ma[i] == '1' || mb[i] == '1' ? '1' : '0';
            mxor += ma[i] != mb[i] ? '1' : '0';
            mnot += ma[i] == '1' ? '0' : '1';
        }
        ASSERT_EQ(bits(a), ma) << step;
        ASSERT_EQ(bits(b), mb) << step;
        ASSERT_EQ(a == b, ma == mb) << step;
        ASSERT_EQ(bits(a & b), mand);
        ASSERT_EQ(bits(a | b), mor);
        ASSERT_EQ(bits(a ^ b), mxor);
        ASSERT_EQ(bits(~a), mnot);
        ASSERT_EQ(a.contains(b), mor == ma) << step;
        ASSERT_EQ(a.isNull(), ma.find('1') == std::string::npos) << step;
        ASSERT_EQ(a.isOne(), ma.find('0') == std::string::npos) << step;
        ASSERT_EQ(bits(a), ma); // the operators work on copies
    }
}

TEST(Bitvector, RejectedCalls) {
    bitvector v(4), w(5);
    EXPECT_MSG("bitvector:: Zero vector size", bitvector x(0));
    EXPECT_MSG("bitvector:: Zero vector size", v.resize(0));
    EXPECT_MSG("bitvector:: Zero vector size", v.assign(0, true));
    EXPECT_MSG("bitvector:: index out of range", (void)v[4]);
    EXPECT_MSG("bitvector:: index out of range", v.setbit(4, true));
    const char* sizes = "bitvector:: & operator between vectors of different sizes";
    EXPECT_MSG(sizes, (void)(v & w));
    EXPECT_MSG(sizes, (void)(v | w));
    EXPECT_MSG(sizes, (void)(v ^ w));
    EXPECT_MSG("bitvector::contains: comparing vectors of different sizes", (void)v.contains(w));
    EXPECT_NE(v, w);
}

// ---------------------------------------------------------------- Cube: randomized

// Oracles for the relations, written position by position from their definitions.
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

// Positions in increasing order: an input '-' where the cube cares is undefined (2) at
// once; a product fails at the first clash, a sum holds at the first match; an exclusive
// sum counts the flips (none: undefined, odd: 0, even: 1).
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

// Random edits of a cube in both forms and of its text; after every step each query, and
// each relation to a random cube of the same size in both forms, agrees with the oracles.
TEST(Cube, RandomEditsAndRelationsAgreeWithTextOracles) {
    std::mt19937 rng(777);
    for (int round = 0; round < 150; ++round) {
        std::string ta = randomText(rng, rng() % 10);
        std::vector<Cube> forms = bothForms(ta);
        for (int step = 0; step < 30; ++step) {
            const uint32_t op = rng() % 8;
            const uint32_t j = ta.empty() ? 0 : rng() % ta.size();
            const char c = "01-"[rng() % 3];
            const Literal v = c == '0' ? Lit_0 : (c == '1' ? Lit_1 : Lit_dc);
            for (Cube& x : forms) {
                if (op == 0 && !ta.empty()) x.setLit(j, c);
                if (op == 1 && !ta.empty()) x.setLit(j, v);
                if (op == 2) x.append(c);
                if (op == 3) x.append(v);
                if (op == 4) x.resize(static_cast<uint32_t>(ta.size()) + j % 5);
                if (op == 5) x.resize(j);
                if (op == 6 && step % 10 == 0) x.assign(v);
                if (op == 7) (void)x.getDim(); // fills the cache before the next edits
            }
            if (op <= 1 && !ta.empty()) ta[j] = c;
            if (op == 2 || op == 3) ta += c;
            if (op == 4) ta.append(j % 5, '-');
            if (op == 5) ta.resize(j);
            if (op == 6 && step % 10 == 0) ta.assign(ta.size(), c);

            const uint32_t n = static_cast<uint32_t>(ta.size());
            const std::string tb = randomText(rng, n);
            const int size = oracleIntersectSize(ta, tb);
            for (const Cube& a : forms) {
                ASSERT_EQ(a.getCube(), ta) << "op " << op << (a.isSparse() ? " sparse" : "");
                ASSERT_TRUE(a == ta);
                ASSERT_EQ(a == tb, ta == tb) << ta << " " << tb;
                ASSERT_EQ(a.size(), n);
                ASSERT_EQ(a.getDim(), dashes(ta));
                ASSERT_EQ(a.is_empty(), dashes(ta) == n);
                std::vector<Literal> lits;
                for (uint32_t k = 0; k < n; ++k) {
                    ASSERT_EQ(a.getLit(k), ta[k]);
                    ASSERT_EQ(a.isLit_0(k), ta[k] == '0');
                    ASSERT_EQ(a.isLit_1(k), ta[k] == '1');
                    ASSERT_EQ(a.isLit_dc(k), ta[k] == '-');
                    lits.push_back(a.getLit2(k));
                }
                ASSERT_EQ(a.getCube2(), lits);
                ASSERT_EQ(a.intersects(tb), size >= 0) << ta << " " << tb;
                ASSERT_EQ(a.intersectSize(tb), size) << ta << " " << tb;
                ASSERT_EQ(a.contains(tb), oracleContains(ta, tb)) << ta << " " << tb;
                for (const Cube& b : bothForms(tb)) {
                    ASSERT_EQ(a.intersects(b), size >= 0) << ta << " " << tb;
                    ASSERT_EQ(a.intersectSize(b), size) << ta << " " << tb;
                    ASSERT_EQ(a.contains(b), oracleContains(ta, tb)) << ta << " " << tb;
                    if (size >= 0) {
                        std::string meet = ta;
                        for (uint32_t k = 0; k < n; ++k)
                            if (tb[k] != '-') meet[k] = tb[k];
                        const Cube r = a.intersection(b);
                        ASSERT_EQ(r.getCube(), meet);
                        ASSERT_EQ(r.getDim(), dashes(meet));
                        ASSERT_EQ(r.isSparse(), a.isSparse());
                        ASSERT_EQ(a.intersection(tb).getCube(), meet);
                    }
                    for (uint32_t type : {CUBE_SUM, CUBE_PRODUCT, CUBE_XSUM}) {
                        Cube x = a;
                        x.setCubeType(type);
                        ASSERT_EQ(x.Simulate(b), oracleSimulate(ta, tb, type))
                            << ta << " on " << tb << " type " << type;
                    }
                }
            }
            Cube converted = forms[0];
            converted.setSparse();
            ASSERT_TRUE(converted == forms[1]);
            ASSERT_EQ(converted.specified(), forms[0].specified());
        }
    }
}

// ---------------------------------------------------------------- Cube: beyond the models

TEST(Cube, CasesOutsideTheModels) {
    Cube c(3);
    c.setCube(std::vector<Literal>{Lit_1, Lit_dc, Lit_0});
    EXPECT_EQ(c.getCube(), "1-0");
    EXPECT_EQ(c.getDim(), 1u);
    c.assign(5, Lit_dc);
    EXPECT_EQ(c.getDim(), 5u);
    c.clear();
    EXPECT_EQ(c.size() + c.getDim(), 0u);
    // A rejected setCube keeps the positions before the bad character, and a true dimension.
    for (Cube bad : {Cube(4), sparseCube("----")}) {
        EXPECT_MSG("Cube::setLit: Invalid value", bad.setCube(std::string("10x1")));
        EXPECT_EQ(bad.getCube(), "10--");
        EXPECT_EQ(bad.getDim(), 2u);
    }
    // init and init_sparse reset the form and the cube type.
    Cube s = sparseCube("10");
    s.setCubeType(CUBE_SUM);
    s.init(2);
    EXPECT_TRUE(!s.isSparse() && s.sparseLits().empty() && s.getCube() == "--");
    EXPECT_EQ(s.getCubeType(), uint32_t(CUBE_NONE));
    s.setCubeType(CUBE_SUM);
    s.init_sparse(5);
    EXPECT_TRUE(s.isSparse() && s.denseLits().empty() && s.getDim() == 5);
    EXPECT_EQ(s.getCubeType(), uint32_t(CUBE_NONE));

    // The intersection is a copy of this cube: its type and term index come along.
    Cube a("1--0");
    a.setCubeType(CUBE_SUM);
    a.setTermIndex(12);
    const Cube r = a.intersection(Cube("-0-0"));
    EXPECT_EQ(r.getCube(), "10-0");
    EXPECT_EQ(r.getCubeType() + r.getTermIndex(), uint32_t(CUBE_SUM) + 12u);

    // Equality compares the stored form: dense and sparse never match unless both are empty.
    EXPECT_FALSE(Cube("1-0") == sparseCube("1-0"));
    EXPECT_TRUE(Cube() == sparseCube("---"));
    EXPECT_TRUE(sparseCube("1-0") != sparseCube("0-0"));
    EXPECT_FALSE(sparseCube("1-0") == std::string("1-00"));

    // A wide sparse cube; positions beyond the size read as don't care in both forms.
    Cube w = sparseCube("-0");
    w.resize(100000);
    w.setLit_0(99999);
    EXPECT_EQ(w.getDim(), 100000u - 2u);
    EXPECT_EQ(w.specified(), (Cube::SparseLits{{1, Lit_0}, {99999, Lit_0}}));
    EXPECT_EQ(Cube("10").getLit(7), '-');
    EXPECT_EQ(Cube("10").getLit2(7), Lit_dc);
    EXPECT_EQ(sparseCube("10").getLit2(7), Lit_dc);
}

TEST(Cube, RejectedCalls) {
    Cube dense(3);
    Cube sparse(3);
    sparse.setSparse();
    for (Cube* x : {&dense, &sparse}) {
        EXPECT_MSG("Cube::setLit: Invalid value", x->setLit(1, 'x'));
        EXPECT_MSG("Cube::setLit: Index out of range", x->setLit(3, '1'));
        EXPECT_MSG("Cube::setLit: Index out of range", x->setLit(3, Lit_1));
        EXPECT_MSG("Cube::setLit: Wrong IM value", x->setLit(0, Lit_undef));
        EXPECT_MSG("Cube::setLit_0: Index out of range", x->setLit_0(3));
        EXPECT_MSG("Cube::setLit_1: Index out of range", x->setLit_1(3));
        EXPECT_MSG("Cube::setLit_dc: Index out of range", x->setLit_dc(3));
        EXPECT_MSG("Cube::isLit_0: Index out of range", (void)x->isLit_0(3));
        EXPECT_MSG("Cube::isLit_1: Index out of range", (void)x->isLit_1(3));
        EXPECT_MSG("Cube::isLit_dc: Index out of range", (void)x->isLit_dc(3));
        EXPECT_MSG("Cube::setCube: Wrong IM size", x->setCube(std::string("10")));
        EXPECT_MSG("Cube::setLit: Invalid value", x->append('2'));
        EXPECT_MSG("Cube::setLit: Wrong IM value", x->append(Lit_undef));
        EXPECT_EQ(x->size(), 3u); // a rejected append adds nothing
        EXPECT_MSG("Cube::intersects: Comparing incompatible terms", (void)x->intersects(Cube(2)));
        EXPECT_MSG("Cube::contains: Comparing incompatible terms", (void)x->contains("--"));
        EXPECT_MSG("Cube::intersectSize: Comparing incompatible terms", x->intersectSize(""));
        EXPECT_MSG("Cube::Simulate: unknown cube type", (void)x->Simulate(Cube(3)));
        x->setCubeType(CUBE_PRODUCT);
        EXPECT_MSG("Cube::Simulate: Incorrect number of inputs", (void)x->Simulate(Cube(2)));
    }
    EXPECT_MSG("Cube::assign: incorrect literal value", dense.assign(3, Lit_undef));
    EXPECT_MSG("Cube::setLit: Wrong IM value", sparse.assign(Lit_undef));
    const Cube a("1-0");
    EXPECT_MSG("Cube::intersection: no intersection", (void)a.intersection(Cube("0--")));
    EXPECT_MSG("Cube::intersection: no intersection", (void)a.intersection(std::string("--1")));
    EXPECT_MSG("Cube::getLit2: Not allowed literal value", (void)a.contains(std::string("1x0")));
    EXPECT_MSG("Cube::setLit: Invalid value", Cube bad("1x0"));
}

// ---------------------------------------------------------------- Term

TEST(Term, OutputPartAndRelations) {
    Term t(3, 2);
    EXPECT_EQ(t.getText(), "--- ~~");
    t.setLit_1(2);
    t.setOM(std::string("1-"));
    t.setOM(1, Lit_0);
    EXPECT_EQ(t.getText(), "--1 10");
    t.setOM_0(0);
    t.setOM_undef(1);
    EXPECT_EQ(t.getOM(), "0~");
    t.setOM_1(0);
    t.setOM_dc(1);
    EXPECT_EQ(t.getOM(), "1-");
    t.init(2, 3);
    EXPECT_EQ(t.getText(), "-- ~~~");
    t.clear();
    EXPECT_EQ(t.size() + t.getOutputs(), 0u);

    // A term without outputs takes the length of the string; each value reads back.
    Term e;
    e.setOM(std::string("1-~0"));
    const Literal lits[] = {Lit_1, Lit_dc, Lit_undef, Lit_0};
    for (uint32_t j = 0; j < 4; ++j) {
        EXPECT_EQ(e.getOM2(j), lits[j]);
        EXPECT_EQ(e.isOM_1(j), j == 0);
        EXPECT_EQ(e.isOM_dc(j), j == 1);
        EXPECT_EQ(e.isOM_undef(j), j == 2);
        EXPECT_EQ(e.isOM_0(j), j == 3);
    }
    e.assignOM(Lit_1);
    EXPECT_EQ(e.getOC(), 4u);
    e.assignOM(2, Lit_0);
    EXPECT_EQ(e.getOM(), "00");

    Term a = makeTerm("1-", "10~-");
    a.SwapOutputs(0, 2);
    a.SwapOutputs(3, 3);
    EXPECT_EQ(a.getOM(), "~01-");
    EXPECT_EQ(a.getOC(), 1u);
    a.Merge(makeTerm("1-", "1100"));
    EXPECT_EQ(a.getText(), "1- 111-"); // the '1' outputs are added, the input part stays

    // Relations need a common '1' output as well as related input parts.
    const Term p = makeTerm("1-0", "10");
    const Term q = makeTerm("110", "11");
    const Term disjoint = makeTerm("0--", "11");
    const Term otherOutput = makeTerm("110", "01");
    EXPECT_TRUE(p.intersects(q) && p.intersects(q, 0));
    EXPECT_FALSE(p.intersects(q, 1) || p.intersects(otherOutput) || p.intersects(disjoint));
    EXPECT_FALSE(p.intersects(disjoint, 0));
    EXPECT_EQ(p.intersectSize(q), 1);
    EXPECT_EQ(p.intersectSize(otherOutput), -1);
    EXPECT_EQ(p.intersectSize(disjoint), -1);
    EXPECT_TRUE(p.contains(makeTerm("100", "10")));
    EXPECT_FALSE(p.contains(makeTerm("100", "11"))); // output parts differ
    EXPECT_FALSE(p.contains(makeTerm("1--", "10")));
    // The plain cube questions look at the input part only.
    EXPECT_TRUE(p.contains(std::string("110")));
    EXPECT_EQ(p.intersectSize(std::string("---")), 2);
}

TEST(Term, RejectedCalls) {
    Term t(2, 2);
    EXPECT_MSG("Term::setOM: Wrong OM size", t.setOM(std::string("1")));
    EXPECT_MSG("Term::setOM: Invalid value", t.setOM(0, 'x'));
    EXPECT_MSG("Term::setOM: Index out of range", t.setOM(2, '1'));
    EXPECT_MSG("Term::setOM: Index out of range", t.setOM(2, Lit_1));
    EXPECT_MSG("Term::setOM: incorrect literal value", t.setOM(0, static_cast<Literal>(4)));
    EXPECT_MSG("Term::setOM_0: Index out of range", t.setOM_0(2));
    EXPECT_MSG("Term::setOM_1: Index out of range", t.setOM_1(2));
    EXPECT_MSG("Term::setOM_dc: Index out of range", t.setOM_dc(2));
    EXPECT_MSG("Term::setOM_undef: Index out of range", t.setOM_undef(2));
    EXPECT_MSG("Term::isOM_0: Index out of range", (void)t.isOM_0(2));
    EXPECT_MSG("Term::isOM_1: Index out of range", (void)t.isOM_1(2));
    EXPECT_MSG("Term::isOM_dc: Index out of range", (void)t.isOM_dc(2));
    EXPECT_MSG("Term::isOM_undef: Index out of range", (void)t.isOM_undef(2));
    EXPECT_MSG("Term::getOM: Index out of range", (void)t.getOM2(2));
    EXPECT_MSG("Term::assign: incorrect literal value", t.assignOM(static_cast<Literal>(7)));
    EXPECT_MSG("Term::SwapOutputs: Index out of range", t.SwapOutputs(0, 4));
    EXPECT_MSG("Term::SwapOutputs: Index out of range", t.SwapOutputs(4, 0));
    EXPECT_EQ(t.getText(), "-- ~~"); // nothing changed
    const Term a(2, 2), b(2, 3);
    EXPECT_MSG("Term::intersects: Comparing incompatible terms", (void)a.intersects(b));
    EXPECT_MSG("Term::intersects: Comparing incompatible terms", (void)a.intersectSize(b));
    EXPECT_MSG("Term::contains: Comparing incompatible terms", (void)a.contains(b));
    EXPECT_MSG("Term::Merge: Merging incompatible terms", t.Merge(b));
    EXPECT_MSG("Cube::intersects: Comparing incompatible terms",
               (void)makeTerm("1-", "11").intersects(makeTerm("1-0", "11")));
}

// ---------------------------------------------------------------- TTree

// Insertions and deletions of texts over '1', '-', '0' against a set of texts: a node per
// distinct prefix (the root included), found exactly for the texts present; a deletion
// frees only the nodes no other text needs. Copies are deep and compare structurally.
TEST(TTree, RandomEditsAgreeWithASetOfTexts) {
    std::mt19937 rng(31);
    const uint32_t n = 4;
    TTree tree(n);
    std::map<std::string, size_t> present; // text -> term stored at its node
    bool rootExists = false;
    for (int step = 0; step < 1500; ++step) {
        const std::string text = randomText(rng, n, "1-0");
        if (rng() % 3 != 0) {
            TTreeNode* node = tree.InsertTerm(text);
            ASSERT_EQ(node->getLevel(), n);
            if (!present.count(text)) {
                ASSERT_FALSE(node->hasTerm());
                node->SetTerm(static_cast<size_t>(step));
                present[text] = static_cast<size_t>(step);
            }
            rootExists = true;
        } else {
            ASSERT_EQ(tree.DeleteTerm(text), present.erase(text) == 1) << text;
        }
        if (step % 300 == 299) {
            tree.clear();
            present.clear();
            rootExists = false;
        }
        std::set<std::string> prefixes;
        for (const auto& entry : present)
            for (uint32_t k = 1; k <= n; ++k)
                prefixes.insert(entry.first.substr(0, k));
        ASSERT_EQ(tree.getNodeCount(), (rootExists ? 1 : 0) + prefixes.size()) << step;
        ASSERT_EQ(tree.getTermCount(), present.size());
        const std::string probe = randomText(rng, n, "1-0");
        TTreeNode* found = tree.FindTerm(probe);
        ASSERT_EQ(found != nullptr, present.count(probe) == 1) << probe;
        if (found) {
            ASSERT_EQ(found->getTerm(), present[probe]);
        }
        if (step % 50 == 0) {
            TTree copy(tree);
            ASSERT_TRUE(copy == tree);
            copy.InsertTerm(probe);
            ASSERT_EQ(copy == tree, found != nullptr);
            ASSERT_EQ(tree.getTermCount(), present.size());
            TTree assigned;
            assigned = copy;
            TTree moved(std::move(copy));
            ASSERT_TRUE(moved == assigned);
        }
    }
}

TEST(TTree, CasesOutsideTheModel) {
    TTree tree(3);
    TTreeNode* n = tree.InsertTerm("1-0");
    // Children follow '1', '-', '0' in this order.
    EXPECT_EQ(tree.getRoot()->child[0]->child[1]->child[2].get(), n);
    // Other characters are skipped: "1x0" ends at the '0' child of the '1' node, level 3,
    // which is also a prefix of "10-"; deleting "1x0" then frees nothing.
    TTreeNode* skipped = tree.InsertTerm("1x0");
    EXPECT_EQ(skipped->getLevel(), 3u);
    EXPECT_EQ(tree.getRoot()->child[0]->child[2].get(), skipped);
    EXPECT_EQ(tree.FindTerm("1y0"), skipped);
    tree.InsertTerm("10-");
    const uint64_t nodes = tree.getNodeCount();
    EXPECT_TRUE(tree.DeleteTerm("1x0"));
    EXPECT_EQ(tree.getNodeCount(), nodes);
    EXPECT_EQ(TTree(2).FindTerm("10"), nullptr);
    EXPECT_FALSE(TTree(3).DeleteTerm("101"));

    // Same shape, different stored term; different widths.
    TTree a(2), b(2);
    a.InsertTerm("10")->SetTerm(0);
    b.InsertTerm("10")->SetTerm(1);
    EXPECT_FALSE(a == b);
    EXPECT_FALSE(TTree(3) == TTree(2));
    TTree later;
    later.setInputs(4);
    later.setInputs(4);
    EXPECT_EQ(later.getInputs(), 4u);

    // Texts far deeper than the stack allows recursion for: copy, compare, delete, destroy.
    const uint32_t deep = 200000;
    std::string text(deep, '-');
    text[deep - 1] = '1';
    TTree big(deep);
    big.InsertTerm(text)->SetTerm(5);
    text[deep - 1] = '0';
    big.InsertTerm(text);
    EXPECT_EQ(big.getNodeCount(), deep + 2u);
    EXPECT_TRUE(TTree(big) == big);
    EXPECT_TRUE(big.DeleteTerm(text));
    text[deep - 1] = '1';
    EXPECT_EQ(big.FindTerm(text)->getTerm(), 5u);
    EXPECT_TRUE(big.DeleteTerm(text)); // no branching node left: frees the whole path
    EXPECT_EQ(big.getNodeCount(), 1u);
    big.InsertTerm(text); // the destructor frees it
}

TEST(TTree, RejectedCalls) {
    TTree tree(2);
    TTreeNode* n = tree.InsertTerm("01");
    EXPECT_MSG("TTreeNode::getTerm:: Retrieving non-existing term", (void)n->getTerm());
    n->SetTerm(41);
    EXPECT_MSG("TTreeNode::SetTerm:: Setting already set term", n->SetTerm(42));
    EXPECT_EQ(n->getTerm(), 41u);
    EXPECT_MSG("TTree:FindTerm: Invalid term size", (void)tree.FindTerm("1"));
    EXPECT_MSG("TTree:InsertTerm: Invalid term size", (void)tree.InsertTerm("100"));
    EXPECT_MSG("TTree:DeleteTerm: Invalid term size", (void)tree.DeleteTerm("1"));
    EXPECT_MSG("TTree: Trying to incorrectly change # of input variables", tree.setInputs(5));
    EXPECT_EQ(tree.getNodeCount(), 3u);
}

} // namespace
