#include "logic/TTree.h"

#include "util/myExcept.h"

#include <utility>
#include <vector>

namespace {

// Child slot of a cube character: '1' -> 0, '-' -> 1, '0' -> 2; -1 for anything else.
inline int childIndex(char c) {
    switch (c) {
    case '1':
        return 0;
    case '-':
        return 1;
    case '0':
        return 2;
    default:
        return -1;
    }
}

std::unique_ptr<TTreeNode> cloneNode(const TTreeNode& src) {
    auto n = std::make_unique<TTreeNode>(src.getLevel());
    if (src.hasTerm()) n->SetTerm(src.getTerm());
    return n;
}

bool hasChild(const TTreeNode& n) {
    return n.child[0] || n.child[1] || n.child[2];
}

uint64_t countNodes(const TTreeNode* top) {
    uint64_t n = 0;
    std::vector<const TTreeNode*> stack{top};
    while (!stack.empty()) {
        const TTreeNode* x = stack.back();
        stack.pop_back();
        ++n;
        for (const auto& c : x->child)
            if (c) stack.push_back(c.get());
    }
    return n;
}

} // namespace

TTreeNode::~TTreeNode() {
    // Detach the children level by level so that no destructor recurses deeper than one node.
    std::vector<std::unique_ptr<TTreeNode>> stack;
    for (auto& c : child)
        if (c) stack.push_back(std::move(c));
    while (!stack.empty()) {
        std::unique_ptr<TTreeNode> n = std::move(stack.back());
        stack.pop_back();
        for (auto& c : n->child)
            if (c) stack.push_back(std::move(c));
    }
}

void TTreeNode::SetTerm(size_t position) {
    if (hasTerm_) throw RuntimeException("TTreeNode::SetTerm:: Setting already set term");
    term_ = position;
    hasTerm_ = true;
}

size_t TTreeNode::getTerm() const {
    if (!hasTerm_) throw RuntimeException("TTreeNode::getTerm:: Retrieving non-existing term");
    return term_;
}

TTree::TTree(const TTree& other)
    : inputs_(other.inputs_), nodeCount_(other.nodeCount_), termCount_(other.termCount_) {
    if (!other.root_) return;
    root_ = cloneNode(*other.root_);
    std::vector<std::pair<const TTreeNode*, TTreeNode*>> stack{{other.root_.get(), root_.get()}};
    while (!stack.empty()) {
        auto [src, dst] = stack.back();
        stack.pop_back();
        for (int c = 0; c < 3; ++c) {
            if (!src->child[c]) continue;
            dst->child[c] = cloneNode(*src->child[c]);
            stack.emplace_back(src->child[c].get(), dst->child[c].get());
        }
    }
}

TTree& TTree::operator=(const TTree& other) {
    if (this != &other) {
        TTree copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TTree::TTree(TTree&& other) noexcept
    : root_(std::move(other.root_)), inputs_(other.inputs_), nodeCount_(other.nodeCount_),
      termCount_(other.termCount_) {
    other.nodeCount_ = 0;
    other.termCount_ = 0;
}

TTree& TTree::operator=(TTree&& other) noexcept {
    if (this != &other) {
        root_ = std::move(other.root_);
        inputs_ = other.inputs_;
        nodeCount_ = other.nodeCount_;
        termCount_ = other.termCount_;
        other.nodeCount_ = 0;
        other.termCount_ = 0;
    }
    return *this;
}

TTree::~TTree() = default;

bool TTree::operator==(const TTree& other) const {
    if (inputs_ != other.inputs_) return false;
    if (!root_ || !other.root_) return !root_ && !other.root_;
    std::vector<std::pair<const TTreeNode*, const TTreeNode*>> stack{
        {root_.get(), other.root_.get()}};
    while (!stack.empty()) {
        auto [a, b] = stack.back();
        stack.pop_back();
        if (a->getLevel() != b->getLevel() || a->hasTerm() != b->hasTerm()) return false;
        if (a->hasTerm() && a->getTerm() != b->getTerm()) return false;
        for (int c = 0; c < 3; ++c) {
            if (!a->child[c] != !b->child[c]) return false;
            if (a->child[c]) stack.emplace_back(a->child[c].get(), b->child[c].get());
        }
    }
    return true;
}

void TTree::setInputs(uint32_t n) {
    if (inputs_ != 0 && inputs_ != n)
        throw RuntimeException("TTree: Trying to incorrectly change # of input variables");
    inputs_ = n;
}

TTreeNode* TTree::InsertTerm(const std::string& text) {
    if (text.size() != inputs_) throw RuntimeException("TTree:InsertTerm: Invalid term size");
    bool created = false;
    if (!root_) {
        root_ = std::make_unique<TTreeNode>(0);
        ++nodeCount_;
        created = true;
    }
    TTreeNode* n = root_.get();
    for (uint32_t p = 1; p <= inputs_; ++p) {
        const int c = childIndex(text[p - 1]);
        if (c < 0) continue;
        if (!n->child[c]) {
            n->child[c] = std::make_unique<TTreeNode>(p);
            ++nodeCount_;
            created = true;
        }
        n = n->child[c].get();
    }
    if (created) ++termCount_;
    return n;
}

TTreeNode* TTree::FindTerm(const std::string& text) const {
    if (text.size() != inputs_) throw RuntimeException("TTree:FindTerm: Invalid term size");
    TTreeNode* n = root_.get();
    for (uint32_t p = 0; n && p < inputs_; ++p) {
        const int c = childIndex(text[p]);
        if (c >= 0) n = n->child[c].get();
    }
    return n;
}

bool TTree::DeleteTerm(const std::string& text) {
    if (text.size() != inputs_) throw RuntimeException("TTree:DeleteTerm: Invalid term size");
    if (!root_) return false;
    TTreeNode* n = root_.get();
    TTreeNode* branch = nullptr; // last node of the path with another child
    int branchChild = -1;
    int firstChild = -1; // the root's child on the path
    for (uint32_t p = 0; p < inputs_; ++p) {
        const int c = childIndex(text[p]);
        if (c < 0) continue;
        if (!n->child[c]) return false;
        if (firstChild < 0) firstChild = c;
        for (int o = 0; o < 3; ++o) {
            if (o != c && n->child[o]) {
                branch = n;
                branchChild = c;
            }
        }
        n = n->child[c].get();
    }
    --termCount_;
    // A text ending above other texts' nodes owns no node of its own.
    if (hasChild(*n)) return true;
    if (!branch) {
        if (firstChild < 0) {
            // The text is the root itself (a tree over empty texts).
            nodeCount_ -= countNodes(root_.get());
            root_.reset();
            return true;
        }
        branch = root_.get();
        branchChild = firstChild;
    }
    nodeCount_ -= countNodes(branch->child[branchChild].get());
    branch->child[branchChild].reset();
    return true;
}

void TTree::clear() {
    root_.reset();
    nodeCount_ = 0;
    termCount_ = 0;
}
