#include "network/Node.h"

Node::Node(const PLA& cover) : PLA(cover) {}
