// Ternary search tree over the text form of input cubes ('1', '-', '0' children).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TTreeNode {
public:
    explicit TTreeNode(uint32_t level) : level_(level) {}
    // Frees the subtree without recursion, however deep it is.
    ~TTreeNode();
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;
    void SetTerm(size_t position);
    size_t getTerm() const;
    bool hasTerm() const { return hasTerm_; }
    uint32_t getLevel() const { return level_; }

    std::unique_ptr<TTreeNode> child[3]; // '1', '-', '0'

private:
    uint32_t level_;
    size_t term_ = 0;
    bool hasTerm_ = false;
};

class TTree {
public:
    TTree() = default;
    explicit TTree(uint32_t inputs) : inputs_(inputs) {}
    TTree(const TTree& other);
    TTree& operator=(const TTree& other);
    TTree(TTree&& other) noexcept;
    TTree& operator=(TTree&& other) noexcept;
    ~TTree();
    bool operator==(const TTree& other) const;

    void setInputs(uint32_t n);
    uint32_t getInputs() const { return inputs_; }
    TTreeNode* InsertTerm(const std::string& text);
    TTreeNode* FindTerm(const std::string& text) const;
    bool DeleteTerm(const std::string& text);
    void clear();
    uint64_t getNodeCount() const { return nodeCount_; }
    uint64_t getTermCount() const { return termCount_; }
    const TTreeNode* getRoot() const { return root_.get(); }

private:
    std::unique_ptr<TTreeNode> root_;
    uint32_t inputs_ = 0;
    uint64_t nodeCount_ = 0;
    uint64_t termCount_ = 0;
};
