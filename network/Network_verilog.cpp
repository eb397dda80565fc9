// Structural Verilog of a network: one module, its ports named as in BLIF, every node an
// assign of its cover (a sum of products; a cover of the OFF-set complemented).
#include "network/Network.h"

#include "util/OutputFile.h"
#include "util/myExcept.h"

#include <cctype>
#include <set>
#include <string>

namespace {

// A name as a Verilog identifier: itself when it is a simple identifier and no keyword,
// else an escaped identifier (a backslash, the name, a blank).
std::string identifier(const std::string& name) {
    static const std::set<std::string> keywords = {
        "always", "and",    "assign", "begin",  "buf",    "case",   "else",   "end",
        "for",    "if",     "inout",  "input",  "module", "nand",   "nor",    "not",
        "or",     "output", "reg",    "wire",   "xnor",   "xor",    "endmodule"};
    bool simple = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) ||
                                    name[0] == '_');
    for (char c : name)
        simple = simple && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$');
    if (simple && !keywords.count(name)) return name;
    return "\\" + name + " ";
}

} // namespace

void Network::SaveVerilog(const std::string& fileName) const {
    OutputFile file(fileName);
    WriteVerilog(file.stream());
    file.Close();
}

void Network::WriteVerilog(std::ostream& out) const {
    std::set<std::string> ports(inputNames_.begin(), inputNames_.end());
    ports.insert(outputNames_.begin(), outputNames_.end());
    out << "module " << identifier(name_.empty() ? std::string("fnct") : name_) << " (";
    bool first = true;
    for (const std::vector<std::string>* names : {&inputNames_, &outputNames_})
        for (const std::string& n : *names) {
            out << (first ? "" : ", ") << identifier(n);
            first = false;
        }
    out << ");\n";
    for (const std::string& n : inputNames_)
        out << "  input " << identifier(n) << ";\n";
    for (const std::string& n : outputNames_)
        out << "  output " << identifier(n) << ";\n";
    for (const Node& node : nodes_)
        if (node.getOutputs() == 1 && !ports.count(node.getOName(0)))
            out << "  wire " << identifier(node.getOName(0)) << ";\n";
    for (const Node& node : nodes_) {
        if (node.getOutputs() != 1 || node.isDFF())
            throw InternalError("a Verilog node that is not a single-output gate");
        const auto& terms = node.getTerms();
        std::string sum;
        bool offset = false;
        for (const Term& term : terms) {
            const std::string cube = term.getCube();
            offset = term.getOM().substr(0, 1) == "0";
            std::string product;
            for (size_t u = 0; u < cube.size() && u < node.getInputs(); ++u) {
                if (cube[u] == '-') continue;
                product += (product.empty() ? "" : " & ") + std::string(cube[u] == '0' ? "~" : "") +
                           identifier(node.getIName(static_cast<uint32_t>(u)));
            }
            if (product.empty()) product = "1'b1";
            sum += (sum.empty() ? "" : " | ") +
                   (terms.size() > 1 && product.find('&') != std::string::npos ? "(" + product + ")"
                                                                               : product);
        }
        if (sum.empty()) sum = "1'b0";
        out << "  assign " << identifier(node.getOName(0))
            << " = " << (offset ? "~(" + sum + ")" : sum) << ";\n";
    }
    out << "endmodule\n";
}
