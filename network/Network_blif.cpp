// BLIF netlist writer of a network: header, one block per node, closing line.
#include "network/Network.h"

#include "util/OutputFile.h"
#include "util/myExcept.h"

#include <fstream>

void Network::SaveBlif(const std::string& fileName) const {
    OutputFile file(fileName);
    WriteBlif(file.stream());
    file.Close();
}

void Network::WriteBlif(std::ostream& out) const {
    SaveBlifHeader(out);
    SaveBlifNodes(out);
    out << ".end" << std::endl;
}

void Network::SaveBlifHeader(std::ostream& out) const {
    out << ".model " << (name_.empty() ? std::string("N/A") : name_) << std::endl;
    out << ".inputs";
    for (const auto& name : inputNames_)
        out << ' ' << name;
    out << std::endl;
    out << ".outputs";
    for (const auto& name : outputNames_)
        out << ' ' << name;
    out << std::endl;
}

void Network::SaveBlifNodes(std::ostream& out) const {
    for (const Node& node : nodes_) {
        if (node.getOutputs() != 1) throw InternalError("a BLIF node with several outputs");

        if (node.isDFF()) {
            if (node.getInputs() != 1 && node.getInputs() != 2)
                throw InternalError("a latch with neither one nor two inputs");
            out << ".latch " << node.getIName(0) << ' ' << node.getOName(0) << std::endl;
            continue;
        }

        out << ".names";
        const auto& terms = node.getTerms();
        const bool firstIsDash = !terms.empty() && terms.front().getCube() == "-";
        if (node.getInputs() == 1 && terms.size() == 1 && firstIsDash) {
            // Constant: the single input is a placeholder and is not written.
            out << ' ' << node.getOName(0) << std::endl;
            out << ' ' << terms.front().getOM().substr(0, 1) << std::endl;
            continue;
        }
        for (uint32_t u = 0; u < node.getInputs(); ++u) {
            const std::string name = node.getIName(u);
            if (name.empty() && !firstIsDash)
                throw InternalError("a BLIF node input without a name");
            out << ' ' << name;
        }
        out << ' ' << node.getOName(0) << std::endl;
        for (const Term& term : terms)
            out << term.getCube() << ' ' << term.getOM() << std::endl;
    }
}
