#include "network/Signal.h"

bool Signal::isConstant() const {
    if (isInput_ || isOutput_) return false;
    if (undriven_) return true;
    const Node& node = *driver_;
    if (!node.peekGateName().empty()) return false;
    if (node.getTermCount() > 1) return false;
    if (node.getTermCount() == 0) return true;
    const Term& term = node.getTerm(0);
    for (uint32_t j = 0; j < node.getInputs(); ++j)
        if (!term.isLit_dc(j)) return false;
    return true;
}

bool Signal::isDFF() const {
    if (isInput_ || isOutput_ || undriven_) return false;
    return driver_->isDFF();
}
