// A node of a multi-level network: a two-level cover whose input names are the signals it
// reads (in port order) and whose output names are the signals it drives.
#pragma once

#include "logic/PLA.h"

#include <cstdint>

class Node : public PLA {
public:
    Node() = default;
    // The node's function is a full copy of the cover, names and gate name included.
    explicit Node(const PLA& cover);

    // Position in the owning network's node list.
    uint32_t getIndex() const { return index_; }
    void setIndex(uint32_t index) { index_ = index; }
    // 0 while not computed.
    uint32_t getLevel() const { return level_; }
    void setLevel(uint32_t level) { level_ = level; }

private:
    uint32_t index_ = 0;
    uint32_t level_ = 0;
};
