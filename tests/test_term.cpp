// Multi-output terms (output part setters, tests and messages, relations between terms) and
// the ternary tree over cube texts (insertion, look-up, deletion, counts, deep copies).

#include "logic/TTree.h"
#include "logic/Term.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::messageOf;
using testsupport::rt;

Term makeTerm(const std::string& cube, const std::string& outputs) {
    Term t(static_cast<uint32_t>(cube.size()), static_cast<uint32_t>(outputs.size()));
    t.setCube(cube);
    t.setOM(outputs);
    return t;
}

} // namespace

// ---------------------------------------------------------------- Term

TEST(Term, TextAndOutputPart) {
    Term t(3, 2);
    EXPECT_EQ(t.getText(), "--- ~~");
    EXPECT_EQ(t.getOutputs(), 2u);
    t.setOM(std::string("10"));
    EXPECT_EQ(t.getText(), "--- 10");
    EXPECT_EQ(messageOf([&] { t.setOM(std::string("1")); }), rt("Term::setOM: Wrong OM size"));
    EXPECT_EQ(messageOf([&] { t.setOM(0, 'x'); }), rt("Term::setOM: Invalid value"));
    EXPECT_EQ(t.getText(), "--- 10");

    // A term without outputs takes the length of the string.
    Term e;
    EXPECT_EQ(e.getText(), " ");
    e.setOM(std::string("1-~0"));
    EXPECT_EQ(e.getOM(), "1-~0");
    EXPECT_EQ(e.getOM2(0), Lit_1);
    EXPECT_EQ(e.getOM2(1), Lit_dc);
    EXPECT_EQ(e.getOM2(2), Lit_undef);
    EXPECT_EQ(e.getOM2(3), Lit_0);
    EXPECT_TRUE(e.isOM_1(0));
    EXPECT_TRUE(e.isOM_dc(1));
    EXPECT_TRUE(e.isOM_undef(2));
    EXPECT_TRUE(e.isOM_0(3));
    EXPECT_FALSE(e.isOM_0(0));

    t.setLit_1(2);
    t.setOM_dc(0);
    t.setOM_undef(1);
    t.setOM(1, Lit_0);
    EXPECT_EQ(t.getText(), "--1 -0");
    t.setOM(1, '~');
    t.setOM_1(0);
    t.setOM_0(1);
    EXPECT_EQ(t.getOM(), "10");

    t.clear();
    EXPECT_EQ(t.size(), 0u);
    EXPECT_EQ(t.getOutputs(), 0u);

    t.init(2, 3);
    EXPECT_EQ(t.getText(), "-- ~~~");
}

TEST(Term, AssignCountSwapMerge) {
    Term t(2, 3);
    t.assignOM(Lit_1);
    EXPECT_EQ(t.getOM(), "111");
    EXPECT_EQ(t.getOC(), 3u);
    t.assignOM(5, Lit_0);
    EXPECT_EQ(t.getOM(), "00000");
    EXPECT_EQ(t.getOC(), 0u);
    t.assignOM(2, Lit_dc);
    EXPECT_EQ(t.getOM(), "--");

    Term a = makeTerm("1-", "10~-");
    a.SwapOutputs(0, 2);
    EXPECT_EQ(a.getOM(), "~01-");
    a.SwapOutputs(3, 3);
    EXPECT_EQ(a.getOM(), "~01-");
    EXPECT_EQ(a.getOC(), 1u);

    Term b = makeTerm("1-", "1100");
    a.Merge(b);
    EXPECT_EQ(a.getOM(), "111-");
    EXPECT_EQ(a.getCube(), "1-"); // the input part is untouched
}

TEST(Term, ErrorMessages) {
    Term t(2, 2);
    EXPECT_EQ(messageOf([&] { t.setOM(2, '1'); }), rt("Term::setOM: Index out of range"));
    EXPECT_EQ(messageOf([&] { t.setOM(2, Lit_1); }), rt("Term::setOM: Index out of range"));
    EXPECT_EQ(messageOf([&] { t.setOM(0, static_cast<Literal>(4)); }),
              rt("Term::setOM: incorrect literal value"));
    EXPECT_EQ(messageOf([&] { t.setOM_0(2); }), rt("Term::setOM_0: Index out of range"));
    EXPECT_EQ(messageOf([&] { t.setOM_1(2); }), rt("Term::setOM_1: Index out of range"));
    EXPECT_EQ(messageOf([&] { t.setOM_dc(2); }), rt("Term::setOM_dc: Index out of range"));
    EXPECT_EQ(messageOf([&] { t.setOM_undef(2); }), rt("Term::setOM_undef: Index out of range"));
    EXPECT_EQ(messageOf([&] { (void)t.isOM_0(2); }), rt("Term::isOM_0: Index out of range"));
    EXPECT_EQ(messageOf([&] { (void)t.isOM_1(2); }), rt("Term::isOM_1: Index out of range"));
    EXPECT_EQ(messageOf([&] { (void)t.isOM_dc(2); }), rt("Term::isOM_dc: Index out of range"));
    EXPECT_EQ(messageOf([&] { (void)t.isOM_undef(2); }),
              rt("Term::isOM_undef: Index out of range"));
    EXPECT_EQ(messageOf([&] { (void)t.getOM2(2); }), rt("Term::getOM: Index out of range"));
    EXPECT_EQ(messageOf([&] { t.assignOM(static_cast<Literal>(7)); }),
              rt("Term::assign: incorrect literal value"));
    EXPECT_EQ(messageOf([&] { t.assignOM(4, static_cast<Literal>(7)); }),
              rt("Term::assign: incorrect literal value"));
    EXPECT_EQ(messageOf([&] { t.SwapOutputs(0, 4); }), rt("Term::SwapOutputs: Index out of range"));
    EXPECT_EQ(messageOf([&] { t.SwapOutputs(4, 0); }), rt("Term::SwapOutputs: Index out of range"));

    const Term a(2, 2), b(2, 3);
    EXPECT_EQ(messageOf([&] { (void)a.intersects(b); }),
              rt("Term::intersects: Comparing incompatible terms"));
    EXPECT_EQ(messageOf([&] { (void)a.intersectSize(b); }),
              rt("Term::intersects: Comparing incompatible terms"));
    EXPECT_EQ(messageOf([&] { (void)a.contains(b); }),
              rt("Term::contains: Comparing incompatible terms"));
    // The cube operations still check the input part.
    EXPECT_EQ(messageOf([&] { (void)makeTerm("1-", "11").intersects(makeTerm("1-0", "11")); }),
              rt("Cube::intersects: Comparing incompatible terms"));
}

TEST(Term, RelationsNeedACommonOnOutput) {
    const Term a = makeTerm("1-0", "10");
    const Term b = makeTerm("110", "11");
    const Term c = makeTerm("110", "01");
    const Term d = makeTerm("0--", "11");
    EXPECT_TRUE(a.intersects(b));
    EXPECT_FALSE(a.intersects(c)); // no output is '1' in both
    EXPECT_FALSE(a.intersects(d)); // the cubes are disjoint
    EXPECT_TRUE(a.intersects(b, 0));
    EXPECT_FALSE(a.intersects(b, 1));
    EXPECT_FALSE(a.intersects(d, 0));

    EXPECT_EQ(a.intersectSize(b), 1);
    EXPECT_EQ(a.intersectSize(c), -1);
    EXPECT_EQ(a.intersectSize(d), -1);
    EXPECT_EQ(makeTerm("1--", "1").intersectSize(makeTerm("-10", "1")), 3);

    EXPECT_TRUE(a.contains(makeTerm("100", "10")));
    EXPECT_FALSE(a.contains(makeTerm("100", "11"))); // output parts differ
    EXPECT_FALSE(a.contains(makeTerm("1--", "10")));

    // The input part answers the plain cube questions.
    EXPECT_TRUE(a.contains(std::string("110")));
    EXPECT_TRUE(a.intersects(Cube("11-")));
    EXPECT_EQ(a.intersectSize(std::string("---")), 2);

    // Copies carry the cube and the outputs.
    Term copy = a;
    copy.setOM_1(1);
    copy.setLit_dc(0);
    EXPECT_EQ(a.getText(), "1-0 10");
    EXPECT_EQ(copy.getText(), "--0 11");
}

// ---------------------------------------------------------------- TTree

TEST(TTree, InsertCountsNodesAndTerms) {
    TTree tree(3);
    TTreeNode* n = tree.InsertTerm("1-0");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(tree.InsertTerm("1-0"), n);
    EXPECT_EQ(tree.getTermCount(), 1u);
    EXPECT_EQ(tree.getNodeCount(), 4u);
    EXPECT_EQ(n->getLevel(), 3u);

    TTreeNode* m = tree.InsertTerm("1-1");
    EXPECT_NE(m, n);
    EXPECT_EQ(tree.getNodeCount(), 5u);
    EXPECT_EQ(tree.getTermCount(), 2u);

    // Children follow '1', '-', '0' in this order.
    const TTreeNode* root = tree.getRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getLevel(), 0u);
    ASSERT_NE(root->child[0], nullptr);
    EXPECT_EQ(root->child[1], nullptr);
    EXPECT_EQ(root->child[2], nullptr);
    const TTreeNode* dash = root->child[0]->child[1].get();
    ASSERT_NE(dash, nullptr);
    EXPECT_EQ(dash->getLevel(), 2u);
    EXPECT_EQ(dash->child[2].get(), n);
    EXPECT_EQ(dash->child[0].get(), m);

    EXPECT_EQ(tree.FindTerm("1-0"), n);
    EXPECT_EQ(tree.FindTerm("1-1"), m);
    EXPECT_EQ(tree.FindTerm("0-1"), nullptr);
    EXPECT_EQ(tree.FindTerm("1--"), nullptr);
    EXPECT_EQ(messageOf([&] { (void)tree.FindTerm("10"); }),
              rt("TTree:FindTerm: Invalid term size"));
    EXPECT_EQ(messageOf([&] { (void)tree.InsertTerm("1000"); }),
              rt("TTree:InsertTerm: Invalid term size"));
    EXPECT_EQ(tree.getNodeCount(), 5u);

    EXPECT_EQ(TTree(2).FindTerm("10"), nullptr); // empty tree
}

TEST(TTree, OtherCharactersAreSkipped) {
    TTree tree(3);
    TTreeNode* n = tree.InsertTerm("1x0");
    // The walk stays at the '1' node for 'x'; the '0' child is created at level 3.
    EXPECT_EQ(n->getLevel(), 3u);
    EXPECT_EQ(tree.getNodeCount(), 3u);
    EXPECT_EQ(tree.getRoot()->child[0]->child[2].get(), n);
    EXPECT_EQ(tree.FindTerm("1y0"), n);
}

TEST(TTree, NodeTerms) {
    TTree tree(2);
    TTreeNode* n = tree.InsertTerm("01");
    EXPECT_FALSE(n->hasTerm());
    EXPECT_EQ(messageOf([&] { (void)n->getTerm(); }),
              rt("TTreeNode::getTerm:: Retrieving non-existing term"));
    n->SetTerm(41);
    EXPECT_TRUE(n->hasTerm());
    EXPECT_EQ(n->getTerm(), 41u);
    EXPECT_EQ(messageOf([&] { n->SetTerm(42); }),
              rt("TTreeNode::SetTerm:: Setting already set term"));
    EXPECT_EQ(n->getTerm(), 41u);
}

TEST(TTree, SetInputs) {
    TTree tree;
    EXPECT_EQ(tree.getInputs(), 0u);
    tree.setInputs(4);
    tree.setInputs(4);
    EXPECT_EQ(tree.getInputs(), 4u);
    EXPECT_EQ(messageOf([&] { tree.setInputs(5); }),
              rt("TTree: Trying to incorrectly change # of input variables"));
    EXPECT_EQ(tree.getInputs(), 4u);
    EXPECT_NE(tree.InsertTerm("1111"), nullptr);
}

TEST(TTree, DeleteFreesOnlyTheTextsOwnPath) {
    TTree tree(3);
    tree.InsertTerm("1-0");
    tree.InsertTerm("1-1");
    tree.InsertTerm("000");
    EXPECT_EQ(tree.getNodeCount(), 8u);

    EXPECT_FALSE(tree.DeleteTerm("111"));
    EXPECT_FALSE(tree.DeleteTerm("1--"));
    EXPECT_EQ(tree.getTermCount(), 3u);

    // Branch just above the leaf.
    EXPECT_TRUE(tree.DeleteTerm("1-1"));
    EXPECT_EQ(tree.FindTerm("1-1"), nullptr);
    EXPECT_NE(tree.FindTerm("1-0"), nullptr);
    EXPECT_EQ(tree.getTermCount(), 2u);
    EXPECT_EQ(tree.getNodeCount(), 7u);

    // Branch at the root: the whole 000 path goes.
    EXPECT_TRUE(tree.DeleteTerm("000"));
    EXPECT_EQ(tree.FindTerm("000"), nullptr);
    EXPECT_EQ(tree.getRoot()->child[2], nullptr);
    EXPECT_NE(tree.FindTerm("1-0"), nullptr);
    EXPECT_EQ(tree.getNodeCount(), 4u);

    // No branching node left: everything below the root goes.
    EXPECT_TRUE(tree.DeleteTerm("1-0"));
    EXPECT_EQ(tree.FindTerm("1-0"), nullptr);
    EXPECT_EQ(tree.getTermCount(), 0u);
    EXPECT_EQ(tree.getNodeCount(), 1u);
    ASSERT_NE(tree.getRoot(), nullptr);
    EXPECT_EQ(tree.getRoot()->child[0], nullptr);
    EXPECT_FALSE(tree.DeleteTerm("1-0"));

    // The tree is usable again.
    tree.InsertTerm("1-0");
    EXPECT_EQ(tree.getNodeCount(), 4u);
    EXPECT_EQ(tree.getTermCount(), 1u);

    EXPECT_EQ(messageOf([&] { (void)tree.DeleteTerm("10"); }),
              rt("TTree:DeleteTerm: Invalid term size"));
    EXPECT_FALSE(TTree(3).DeleteTerm("101"));
}

TEST(TTree, CopiesAreDeepAndCompareStructurally) {
    TTree a(3);
    a.InsertTerm("1-0")->SetTerm(0);
    a.InsertTerm("0-1")->SetTerm(1);
    TTree b(a);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(b.getNodeCount(), a.getNodeCount());
    EXPECT_EQ(b.getTermCount(), 2u);
    EXPECT_NE(b.FindTerm("1-0"), a.FindTerm("1-0"));
    EXPECT_EQ(b.FindTerm("0-1")->getTerm(), 1u);

    b.InsertTerm("111");
    EXPECT_FALSE(a == b);
    EXPECT_EQ(a.FindTerm("111"), nullptr);
    EXPECT_EQ(a.getTermCount(), 2u);

    TTree c;
    c = a;
    EXPECT_TRUE(c == a);
    c.FindTerm("1-0"); // look-ups change nothing
    EXPECT_TRUE(c == a);

    // Same shape, different stored term.
    TTree d(3);
    d.InsertTerm("1-0")->SetTerm(0);
    d.InsertTerm("0-1")->SetTerm(2);
    EXPECT_FALSE(d == a);
    EXPECT_FALSE(TTree(3) == TTree(2));
    EXPECT_TRUE(TTree(3) == TTree(3));

    TTree moved(std::move(c));
    EXPECT_TRUE(moved == a);
    EXPECT_EQ(moved.getTermCount(), 2u);

    a.clear();
    EXPECT_EQ(a.getRoot(), nullptr);
    EXPECT_EQ(a.getNodeCount(), 0u);
    EXPECT_EQ(a.getTermCount(), 0u);
    EXPECT_EQ(a.getInputs(), 3u);
    EXPECT_EQ(moved.FindTerm("1-0")->getTerm(), 0u);
}

TEST(TTree, VeryLongTextsNeedNoDeepRecursion) {
    const uint32_t n = 200000;
    std::string text(n, '-');
    text[n - 1] = '1';
    TTree tree(n);
    tree.InsertTerm(text)->SetTerm(5);
    text[n - 1] = '0';
    tree.InsertTerm(text);
    EXPECT_EQ(tree.getNodeCount(), n + 2u);
    {
        TTree copy(tree);
        EXPECT_TRUE(copy == tree);
        EXPECT_EQ(copy.getNodeCount(), n + 2u);
    } // the copy is destroyed here
    EXPECT_TRUE(tree.DeleteTerm(text));
    text[n - 1] = '1';
    EXPECT_EQ(tree.FindTerm(text)->getTerm(), 5u);
    EXPECT_TRUE(tree.DeleteTerm(text)); // no branching node left: frees the whole path
    EXPECT_EQ(tree.getNodeCount(), 1u);
    tree.InsertTerm(text);
    tree.clear();
    EXPECT_EQ(tree.getNodeCount(), 0u);
    tree.InsertTerm(text);
    // the destructor frees the remaining path
}
