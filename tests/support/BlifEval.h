// A small, self-contained reader and simulator of combinational BLIF netlists, used by the
// tests to check written files against the function they should describe. It knows nothing
// of the project's own classes.
//
// Understood: .model, .inputs, .outputs, .names blocks with their cover rows, .end, comments
// (#) and blank lines. A .names block with rows of output 1 is the union of its rows; with
// rows of output 0 it is the complement of that union; without rows it is constant 0.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

class BlifCircuit {
public:
    struct Gate {
        std::vector<std::string> inputs;
        std::string output;
        std::vector<std::string> rows; // input parts, one character per input
        int phase = 1;                 // output value of the rows
        bool hasRows = false;
    };

    static BlifCircuit parse(const std::string& text) {
        BlifCircuit c;
        std::istringstream in(text);
        std::string line;
        Gate* current = nullptr;
        bool ended = false;
        int lineNo = 0;
        while (std::getline(in, line)) {
            ++lineNo;
            const auto hash = line.find('#');
            if (hash != std::string::npos) line.erase(hash);
            std::istringstream words(line);
            std::vector<std::string> tok;
            for (std::string w; words >> w;)
                tok.push_back(w);
            if (tok.empty()) continue;
            if (ended) fail(lineNo, "text after .end");
            if (tok[0][0] == '.') {
                current = nullptr;
                const std::string& kw = tok[0];
                if (kw == ".model") {
                    c.model_ = tok.size() > 1 ? tok[1] : "";
                } else if (kw == ".inputs") {
                    c.inputs_.insert(c.inputs_.end(), tok.begin() + 1, tok.end());
                } else if (kw == ".outputs") {
                    c.outputs_.insert(c.outputs_.end(), tok.begin() + 1, tok.end());
                } else if (kw == ".names") {
                    if (tok.size() < 2) fail(lineNo, ".names without output");
                    Gate g;
                    g.inputs.assign(tok.begin() + 1, tok.end() - 1);
                    g.output = tok.back();
                    if (c.driver_.count(g.output)) fail(lineNo, "second driver of " + g.output);
                    c.driver_[g.output] = c.gates_.size();
                    c.gates_.push_back(g);
                    current = &c.gates_.back();
                } else if (kw == ".end") {
                    ended = true;
                } else {
                    fail(lineNo, "unsupported keyword " + kw);
                }
                continue;
            }
            if (current == nullptr) fail(lineNo, "cover row outside a .names block");
            std::string cube, out;
            if (current->inputs.empty()) {
                if (tok.size() != 1) fail(lineNo, "bad constant row");
                out = tok[0];
            } else {
                if (tok.size() != 2) fail(lineNo, "bad cover row");
                cube = tok[0];
                out = tok[1];
            }
            if (cube.size() != current->inputs.size())
                fail(lineNo, "row width differs from the input count");
            for (char ch : cube)
                if (ch != '0' && ch != '1' && ch != '-') fail(lineNo, "bad row character");
            if (out != "0" && out != "1") fail(lineNo, "bad output value");
            const int phase = out == "1" ? 1 : 0;
            if (current->hasRows && phase != current->phase)
                fail(lineNo, "rows of both output values in one block");
            current->phase = phase;
            current->hasRows = true;
            current->rows.push_back(cube);
        }
        if (!ended) throw std::runtime_error("BLIF: missing .end");
        c.check();
        return c;
    }

    const std::string& model() const { return model_; }
    const std::vector<std::string>& inputs() const { return inputs_; }
    const std::vector<std::string>& outputs() const { return outputs_; }
    const std::vector<Gate>& gates() const { return gates_; }

    // Output values for one assignment of the primary inputs (in .inputs order).
    std::vector<int> evaluate(const std::vector<int>& inputValues) const {
        if (inputValues.size() != inputs_.size())
            throw std::runtime_error("BLIF: wrong number of input values");
        std::map<std::string, int> value;
        for (size_t q = 0; q < inputs_.size(); ++q)
            value[inputs_[q]] = inputValues[q];
        std::vector<int> result;
        for (const auto& o : outputs_) {
            std::set<std::string> active;
            result.push_back(valueOf(o, value, active));
        }
        return result;
    }

    // Output values for the input row r, input 0 being the most significant bit of r.
    std::vector<int> evaluateRow(uint32_t r) const {
        std::vector<int> in(inputs_.size());
        for (size_t q = 0; q < in.size(); ++q)
            in[q] = (r >> (in.size() - 1 - q)) & 1u;
        return evaluate(in);
    }

private:
    [[noreturn]] static void fail(int line, const std::string& what) {
        throw std::runtime_error("BLIF line " + std::to_string(line) + ": " + what);
    }

    void check() const {
        std::set<std::string> known(inputs_.begin(), inputs_.end());
        for (const auto& g : gates_)
            known.insert(g.output);
        for (const auto& i : inputs_)
            if (driver_.count(i)) throw std::runtime_error("BLIF: primary input driven: " + i);
        for (const auto& g : gates_)
            for (const auto& n : g.inputs)
                if (!known.count(n)) throw std::runtime_error("BLIF: undefined signal " + n);
        for (const auto& o : outputs_)
            if (!known.count(o)) throw std::runtime_error("BLIF: undriven output " + o);
    }

    int valueOf(const std::string& name, std::map<std::string, int>& value,
                std::set<std::string>& active) const {
        auto known = value.find(name);
        if (known != value.end()) return known->second;
        auto d = driver_.find(name);
        if (d == driver_.end()) throw std::runtime_error("BLIF: undefined signal " + name);
        if (!active.insert(name).second) throw std::runtime_error("BLIF: loop through " + name);
        const Gate& g = gates_[d->second];
        std::vector<int> in;
        for (const auto& n : g.inputs)
            in.push_back(valueOf(n, value, active));
        bool covered = false;
        for (const auto& row : g.rows) {
            bool match = true;
            for (size_t j = 0; j < row.size() && match; ++j)
                match = row[j] == '-' || (row[j] - '0') == in[j];
            covered = covered || match;
        }
        const int v = g.hasRows ? (covered ? g.phase : 1 - g.phase) : 0;
        active.erase(name);
        value[name] = v;
        return v;
    }

    std::string model_;
    std::vector<std::string> inputs_;
    std::vector<std::string> outputs_;
    std::vector<Gate> gates_;
    std::map<std::string, size_t> driver_;
};

} // namespace testsupport
