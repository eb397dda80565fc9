#include "app/DatabaseExport.h"

#include "app/OptimumSolver.h"
#include "app/ResultCache.h"
#include "synth/CircuitWriters.h"
#include "synth/Library.h"
#include "util/OutputFile.h"
#include "util/myExcept.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

namespace {

// The widest class a cache entry may be (the batches' and the cache's limit).
constexpr uint32_t kMaxInputs = 16;

// The classes' circuits side by side over the widest class's inputs: input q of every
// class is input q of the whole, each class's gates follow the previous class's, and
// output o is class o.
Circuit sideBySide(const std::vector<const Circuit*>& circuits, uint32_t inputs) {
    Circuit all;
    all.k = inputs;
    for (const Circuit* c : circuits) {
        const auto base = static_cast<uint32_t>(inputs + all.nodes.size());
        const auto signal = [&](uint32_t s) { return s <= c->k ? s : base + (s - c->k); };
        for (Circuit::Node nd : c->nodes) {
            for (uint32_t& src : nd.source)
                src = signal(src);
            all.nodes.push_back(nd);
        }
        for (Circuit::Output out : c->outputs) {
            out.driver = signal(out.driver);
            all.outputs.push_back(out);
        }
    }
    return all;
}

std::string jsonString(const std::string& text) {
    std::string q = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') q += '\\';
        if (c == '\n') {
            q += "\\n";
            continue;
        }
        q += c;
    }
    return q + "\"";
}

// The whole circuit as mockturtle writes networks: module top, inputs x<q>, outputs y<o>,
// every gate one assign of two operands (AND with inverted operands, or XOR), inversions
// of gate outputs carried to the operands and outputs that read them.
std::string gateVerilog(const Circuit& c, const Library& library) {
    struct Literal {
        std::string name;
        bool inverted = false;
    };
    std::vector<Literal> lit(c.lastSignal() + 1);
    lit[0] = {"1'b0", false};
    for (uint32_t q = 1; q <= c.k; ++q)
        lit[q] = {"x" + std::to_string(q - 1), false};
    std::vector<std::string> wires, assigns;
    const auto use = [](const Literal& l, bool inverted) {
        return (l.inverted != inverted ? "~" : "") + l.name;
    };
    for (uint32_t i = c.k + 1; i <= c.lastSignal(); ++i) {
        const Circuit::Node& nd = c.node(i);
        const Literal& a = lit[nd.source[0]];
        const Literal& b = lit[nd.source[1]];
        // The gate's table over the operands' plain names: f(x, y) at bit 2x + y.
        const uint32_t table = library.Table(nd.function);
        uint32_t t = 0;
        for (uint32_t x = 0; x < 2; ++x)
            for (uint32_t y = 0; y < 2; ++y) {
                const uint32_t px = x ^ (nd.inverted[0] ? 1u : 0u) ^ (a.inverted ? 1u : 0u);
                const uint32_t py = y ^ (nd.inverted[1] ? 1u : 0u) ^ (b.inverted ? 1u : 0u);
                if ((table >> (2 * px + py)) & 1u) t |= 1u << (2 * x + y);
            }
        const std::string name = "n" + std::to_string(i);
        const int ones = __builtin_popcount(t);
        if (ones == 1 || ones == 3) {
            // One point p (1 there, or 0 there): the AND of the literals that are 1 at p.
            uint32_t p = 0;
            for (uint32_t q = 0; q < 4; ++q)
                if ((((t >> q) & 1u) != 0) == (ones == 1)) p = q;
            assigns.push_back("  assign " + name + " = " + use({a.name, false}, (p >> 1) == 0) +
                              " & " + use({b.name, false}, (p & 1u) == 0) + " ;");
            wires.push_back(name);
            lit[i] = {name, ones == 3};
        } else if (t == 0x6 || t == 0x9) {
            assigns.push_back("  assign " + name + " = " + a.name + " ^ " + b.name + " ;");
            wires.push_back(name);
            lit[i] = {name, t == 0x9};
        } else if (t == 0xC || t == 0x3) {
            lit[i] = {a.name, t == 0x3};
        } else if (t == 0xA || t == 0x5) {
            lit[i] = {b.name, t == 0x5};
        } else {
            lit[i] = {"1'b0", t == 0xF};
        }
    }
    std::ostringstream out;
    out << "module top(";
    std::vector<std::string> ports;
    for (uint32_t q = 0; q < c.k; ++q)
        ports.push_back("x" + std::to_string(q));
    for (size_t o = 0; o < c.outputs.size(); ++o)
        ports.push_back("y" + std::to_string(o));
    for (size_t p = 0; p < ports.size(); ++p)
        out << (p ? " , " : " ") << ports[p];
    out << " ) ;\n";
    const auto list = [&out](const char* kind, const std::vector<std::string>& names) {
        if (names.empty()) return;
        out << "  " << kind;
        for (size_t x = 0; x < names.size(); ++x)
            out << (x ? " , " : " ") << names[x];
        out << " ;\n";
    };
    list("input", std::vector<std::string>(ports.begin(), ports.begin() + c.k));
    list("output", std::vector<std::string>(ports.begin() + c.k, ports.end()));
    list("wire", wires);
    for (const std::string& a : assigns)
        out << a << "\n";
    for (size_t o = 0; o < c.outputs.size(); ++o) {
        const Circuit::Output& output = c.outputs[o];
        const Literal& l = lit[output.driver];
        const bool inverted = l.inverted != (output.inverted || output.inversionOpen);
        const std::string value =
            l.name == "1'b0" ? (inverted ? "1'b1" : "1'b0") : (inverted ? "~" : "") + l.name;
        out << "  assign y" << o << " = " << value << " ;\n";
    }
    out << "endmodule\n";
    return out.str();
}

} // namespace

void WriteDatabase(const Settings& s, const std::vector<ExportClass>& classes) {
    std::vector<std::unique_ptr<OptimumSolver::Realised>> realised;
    uint32_t inputs = 0;
    for (const ExportClass& c : classes) {
        const OptimumSolver solver(s, c.inputs, 1);
        realised.push_back(solver.Realise(c.table, c.circuit));
        inputs = std::max(inputs, c.inputs);
    }
    std::ostringstream text;
    const std::string& format = *s.exportFormat;
    if (format == "blif") {
        for (size_t x = 0; x < classes.size(); ++x) {
            std::ostringstream model;
            const Circuit& c = realised[x]->circuit();
            WriteBLIF(model, c, realised[x]->library(), CircuitNames::Default(c.k, 1));
            std::string m = model.str();
            const std::string first = ".model fnct";
            if (m.rfind(first, 0) == 0)
                m.replace(0, first.size(),
                          ".model f" + std::to_string(classes[x].inputs) + "_" +
                              TableHex(classes[x].table, classes[x].inputs));
            text << m;
        }
    } else if (!classes.empty()) {
        std::vector<const Circuit*> circuits;
        for (const auto& r : realised)
            circuits.push_back(&r->circuit());
        const Circuit all = sideBySide(circuits, inputs);
        const Library& library = realised.front()->library();
        if (format == "aiger") {
            WriteAIG(text, all, library);
        } else {
            text << "{\"cache\": {\"db\": " << jsonString(gateVerilog(all, library))
                 << ", \"num_pis\": " << inputs << ", \"output_functions\": [";
            for (size_t x = 0; x < classes.size(); ++x) {
                text << (x ? ", " : "") << "{\"_bits\": [";
                for (size_t w = 0; w < classes[x].table.size(); ++w)
                    text << (w ? ", " : "") << classes[x].table[w];
                text << "], \"_num_vars\": " << classes[x].inputs << "}";
            }
            text << "]}, \"blacklist_cache\": [], \"initial_size\": " << inputs << "}\n";
        }
    } else if (format == "mockturtle") {
        text << "{\"cache\": {\"db\": \"module top( ) ;\\nendmodule\\n\", \"num_pis\": 0, "
                "\"output_functions\": []}, \"blacklist_cache\": [], \"initial_size\": 0}\n";
    } else {
        text << "aig 0 0 0 0 0\n";
    }
    OutputFile file(*s.exportFile, format == "aiger");
    file.stream() << text.str();
    file.Close();
}

int RunExport(const Settings& s) {
    ResultCache cache(*s.cacheFile);
    const OptimumSolver solver(s, 0, 1);
    std::vector<ExportClass> classes;
    for (const ResultCache::Keyed& e : cache.Entries(solver.OptionsKey())) {
        if (e.table.find('/') != std::string::npos) continue; // don't cares: no class
        const std::optional<TableWords> table =
            e.inputs <= kMaxInputs ? TableOfHex(e.table, e.inputs) : std::nullopt;
        const std::optional<BoundCircuit> circuit =
            table ? ParseCircuitText(e.entry.circuit, e.inputs) : std::nullopt;
        if (!circuit || !OptimumSolver::Realises(*circuit, *table, {})) {
            std::cerr << "Quillon: -export: the cache entry of " << e.table << " (" << e.inputs
                      << " inputs) does not realise it; left out" << std::endl;
            continue;
        }
        classes.push_back({e.inputs, *table, *circuit});
    }
    WriteDatabase(s, classes);
    std::cerr << "Quillon: -export: " << classes.size() << " classes written to " << *s.exportFile
              << std::endl;
    return 0;
}
