// The Python module quillon: the library interface (include/quillon/quillon.h) for
// scripts. The engine runs on a thread of its own with the interpreter lock released; the
// calling thread waits for it and polls the interpreter's signals, so that Ctrl-C cancels
// the search and raises KeyboardInterrupt.
#include "quillon/quillon.h"

#include "api/QuillonInternal.h"
#include "app/BatchRun.h"
#include "app/ResultCache.h"
#include "util/StopRequest.h"

#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <stdexcept>
#include <thread>

namespace py = pybind11;

namespace {

// A table given as an int (bit r is row r) or as hexadecimal digits (the highest row
// first, as -fh reads them), over inputs (0: from the digits).
quillon::Words tableOf(const py::handle& value, uint32_t& inputs) {
    if (py::isinstance<py::str>(value)) {
        const quillon::Target t = quillon::Target::FromHex(value.cast<std::string>(), inputs);
        inputs = t.inputs;
        return t.tables[0];
    }
    if (!py::isinstance<py::int_>(value))
        throw py::type_error("quillon: a table is an int or a hexadecimal string");
    if (inputs == 0) throw py::value_error("quillon: a table given as an int needs inputs=");
    if (inputs > 16) throw py::value_error("quillon: at most 16 inputs");
    const uint64_t rows = uint64_t(1) << inputs;
    quillon::Words words(static_cast<size_t>((rows + 63) / 64), 0);
    py::int_ rest = py::reinterpret_borrow<py::int_>(value);
    if (py::int_(0).attr("__gt__")(rest).cast<bool>())
        throw py::value_error("quillon: a negative table");
    const py::int_ mask64(~uint64_t(0));
    for (size_t w = 0; w < words.size(); ++w) {
        words[w] = rest.attr("__and__")(mask64).cast<uint64_t>();
        rest = rest.attr("__rshift__")(64);
    }
    if (rows < 64) {
        if (words[0] >> rows) throw py::value_error("quillon: the table has bits beyond its rows");
    } else if (rest.cast<py::object>().cast<bool>()) {
        throw py::value_error("quillon: the table has bits beyond its rows");
    }
    return words;
}

// The target of any accepted form: an int, a hexadecimal string, or a list of outputs,
// each a table or a (table, care) pair.
quillon::Target targetOf(const py::object& value, uint32_t inputs) {
    quillon::Target t;
    if (py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value)) {
        const py::sequence outputs = value.cast<py::sequence>();
        if (py::len(outputs) == 0) throw py::value_error("quillon: a target without outputs");
        for (const py::handle& o : outputs) {
            quillon::Words table, care;
            if (py::isinstance<py::tuple>(o)) {
                const py::tuple pair = o.cast<py::tuple>();
                if (pair.size() != 2)
                    throw py::value_error("quillon: an output is a table or (table, care)");
                table = tableOf(pair[0], inputs);
                care = tableOf(pair[1], inputs);
            } else {
                table = tableOf(o, inputs);
            }
            t.inputs = inputs;
            t.AddOutput(std::move(table), std::move(care));
        }
        return t;
    }
    quillon::Words table = tableOf(value, inputs);
    t.inputs = inputs;
    t.AddOutput(std::move(table));
    return t;
}

quillon::Params paramsOf(const std::string& library, const std::string& costs, bool inversions,
                         bool constants, bool leastDepth, uint32_t threads, double timeout,
                         bool lowerBound) {
    quillon::Params p;
    p.library = library;
    p.costs = costs;
    p.inversions = inversions;
    p.constants = constants;
    p.leastDepth = leastDepth;
    p.threads = threads;
    p.timeLimit = timeout;
    p.lowerBound = lowerBound;
    return p;
}

// Runs work on a thread of its own, the interpreter lock released, polling for signals: a
// pending KeyboardInterrupt requests the token, waits for the search to end and raises.
template <typename Work>
auto runReleased(const quillon::CancelToken& token, Work work) -> decltype(work()) {
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto done = task.get_future();
    std::thread worker(std::move(task));
    bool interrupted = false;
    for (;;) {
        bool ready = false;
        {
            py::gil_scoped_release release;
            ready = done.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready;
        }
        if (ready) break;
        if (!interrupted && PyErr_CheckSignals() != 0) {
            interrupted = true;
            token.request();
        }
    }
    worker.join();
    if (interrupted) throw py::error_already_set();
    return done.get();
}

// Raises what a search that did not end at its optimum means.
void raiseUnless(const quillon::Result& r) {
    if (r.status == quillon::Status::Timeout) {
        const std::string what = "quillon: the time limit passed; no circuit of fewer than " +
                                 std::to_string(r.lowerBound) + " gates";
        PyErr_SetString(PyExc_TimeoutError, what.c_str());
        throw py::error_already_set();
    }
    if (r.status == quillon::Status::ConflictLimit) {
        const std::string what = "quillon: the conflict limit was spent; no circuit of fewer "
                                 "than " +
                                 std::to_string(r.lowerBound) + " gates";
        PyErr_SetString(PyExc_TimeoutError, what.c_str());
        throw py::error_already_set();
    }
    if (r.status == quillon::Status::Impossible) throw py::value_error(r.reason);
    if (r.status == quillon::Status::Cancelled) throw py::value_error("quillon: cancelled");
}

// The result object of a search: one circuit and what the search proved.
struct PyResult {
    quillon::Circuit circuit;
    std::string status;
    uint32_t lowerBound = 0;
    double seconds = 0;
};

PyResult resultOf(const quillon::Circuit& c, const quillon::Result& r) {
    return PyResult{c, c.proven ? "optimum" : "bounded", r.lowerBound, r.stats.seconds};
}

} // namespace

PYBIND11_MODULE(quillon, m) {
    m.doc() = "Exact synthesis of Boolean functions over two-input gates, with a proof of "
              "optimality.";
    m.attr("__version__") = quillon::version();

    py::class_<PyResult>(m, "Result")
        .def_property_readonly(
            "gates",
            [](const PyResult& r) {
                py::list gates;
                for (const quillon::Gate& g : r.circuit.gates)
                    gates.append(py::make_tuple(std::string(1, g.function),
                                                py::make_tuple(g.operands[0], g.inverted[0]),
                                                py::make_tuple(g.operands[1], g.inverted[1])));
                return gates;
            },
            "(function digit, (signal, inverted), (signal, inverted)) per gate; signal 0 is "
            "the constant, 1..inputs the inputs, then the gates")
        .def_property_readonly(
            "outputs",
            [](const PyResult& r) {
                py::list outputs;
                for (const quillon::Output& o : r.circuit.outputs)
                    outputs.append(py::make_tuple(o.signal, o.inverted));
                return outputs;
            },
            "(signal, inverted) per output")
        .def_property_readonly("inputs", [](const PyResult& r) { return r.circuit.inputs; })
        .def_property_readonly("nodes", [](const PyResult& r) { return r.circuit.gates.size(); })
        .def_property_readonly("cost", [](const PyResult& r) { return r.circuit.cost; })
        .def_property_readonly("depth", [](const PyResult& r) { return r.circuit.depth; })
        .def_property_readonly("xors", [](const PyResult& r) { return r.circuit.xors; })
        .def_readonly("status", &PyResult::status)
        .def_readonly("lower_bound", &PyResult::lowerBound)
        .def_readonly("seconds", &PyResult::seconds)
        .def(
            "simulate",
            [](const PyResult& r) {
                py::list out;
                for (const quillon::Words& w : r.circuit.simulate()) {
                    py::int_ v(0);
                    for (size_t i = w.size(); i-- > 0;)
                        v = v.attr("__lshift__")(64).attr("__or__")(py::int_(w[i]));
                    out.append(v);
                }
                return out;
            },
            "per output, the table the circuit computes (bit r: row r)")
        .def("blif", [](const PyResult& r) { return r.circuit.blif(); })
        .def("dot", [](const PyResult& r) { return r.circuit.dot(); })
        .def("verilog", [](const PyResult& r) { return r.circuit.verilog(); })
        .def("json", [](const PyResult& r) { return r.circuit.json(); })
        .def(
            "aiger", [](const PyResult& r) { return py::bytes(r.circuit.aiger()); },
            "binary AIGER (AND-inverter form)")
        .def("aiger_ascii", [](const PyResult& r) { return r.circuit.aigerAscii(); })
        .def("__repr__", [](const PyResult& r) {
            return "<quillon.Result " + std::to_string(r.circuit.gates.size()) + " gates, " +
                   r.status + ">";
        });

    m.def(
        "synthesize",
        [](const py::object& target, uint32_t inputs, const std::string& library,
           const std::string& costs, bool inversions, bool constants, bool leastDepth,
           uint32_t threads, double timeout, bool lowerBound, uint64_t conflicts) {
            const quillon::Target t = targetOf(target, inputs);
            quillon::Params p = paramsOf(library, costs, inversions, constants, leastDepth, threads,
                                         timeout, lowerBound);
            p.conflictLimit = conflicts;
            const quillon::Result r =
                runReleased(p.cancel, [t, p] { return quillon::synthesize(t, p); });
            raiseUnless(r);
            return resultOf(r.circuits.at(0), r);
        },
        py::arg("target"), py::arg("inputs") = 0, py::arg("library") = "8", py::arg("costs") = "",
        py::arg("inversions") = true, py::arg("constants") = true, py::arg("least_depth") = false,
        py::arg("threads") = 1, py::arg("timeout") = 0.0, py::arg("lower_bound") = true,
        py::arg("conflicts") = 0,
        "The optimum circuit of target: an int (with inputs=), a hexadecimal string (the "
        "highest row first), or a list of outputs, each a table or a (table, care) pair. "
        "TimeoutError when the time limit passes or the conflict limit (conflicts=, solver "
        "conflicts over the call) is spent, KeyboardInterrupt on Ctrl-C, ValueError "
        "for an impossible target or malformed arguments.");

    m.def(
        "enumerate",
        [](const py::object& target, uint32_t inputs, const std::string& library,
           const std::string& costs, bool inversions, bool constants, bool leastDepth,
           double timeout, uint32_t limit) {
            const quillon::Target t = targetOf(target, inputs);
            const quillon::Params p =
                paramsOf(library, costs, inversions, constants, leastDepth, 1, timeout, true);
            std::vector<quillon::Circuit> found;
            const quillon::Result r = runReleased(p.cancel, [&] {
                return quillon::enumerate(t, p, [&](const quillon::Circuit& c) {
                    found.push_back(c);
                    return limit == 0 || found.size() < limit;
                });
            });
            raiseUnless(r);
            py::list out;
            for (const quillon::Circuit& c : found)
                out.append(resultOf(c, r));
            return py::iter(out);
        },
        py::arg("target"), py::arg("inputs") = 0, py::arg("library") = "8", py::arg("costs") = "",
        py::arg("inversions") = true, py::arg("constants") = true, py::arg("least_depth") = false,
        py::arg("timeout") = 0.0, py::arg("limit") = 0,
        "An iterator over every optimum circuit of target (at most limit, 0: all; with "
        "least_depth, the optima of least depth).");

    m.def(
        "batch",
        [](const std::vector<py::object>& tables, uint32_t inputs, const std::string& library,
           const std::string& costs, bool inversions, bool constants, uint32_t threads,
           double timeout, const std::optional<std::string>& cache) {
            std::vector<quillon::Words> words;
            for (const py::object& t : tables) {
                const quillon::Target target = targetOf(t, inputs);
                if (target.tables.size() != 1 || !target.care[0].empty())
                    throw py::value_error("quillon: a batch takes single-output tables");
                inputs = target.inputs;
                words.push_back(target.tables[0]);
            }
            // As the command's batch does: each class solved once, through the cache.
            Settings s;
            s.k = inputs;
            s.nodeFuncts = library;
            if (!costs.empty()) s.gateCosts = costs;
            s.invertedEdges = inversions;
            s.constants = constants;
            s.threads = std::max(1u, threads);
            s.timeLimit = timeout;
            s.cacheFile = cache;
            const quillon::Params p =
                paramsOf(library, costs, inversions, constants, false, 1, timeout, true);
            const std::vector<TableAnswer> answers = runReleased(p.cancel, [&] {
                try {
                    return SolveTables(s, words);
                } catch (const StopRequested&) {
                    return std::vector<TableAnswer>(); // cancelled: the caller raises
                } catch (const CException& e) {
                    throw std::runtime_error("quillon: " + e.GetMsg());
                }
            });
            py::list out;
            for (size_t i = 0; i < answers.size(); ++i) {
                const TableAnswer& a = answers[i];
                if (a.status != TableAnswer::Optimum) {
                    out.append(py::none());
                    continue;
                }
                quillon::Result r;
                r.lowerBound = a.lowerBound;
                out.append(resultOf(
                    quillon::detail::CircuitOfBound(a.circuit, words[i], inputs, p, true), r));
            }
            return out;
        },
        py::arg("tables"), py::arg("inputs") = 0, py::arg("library") = "8", py::arg("costs") = "",
        py::arg("inversions") = true, py::arg("constants") = true, py::arg("threads") = 1,
        py::arg("timeout") = 0.0, py::arg("cache") = py::none(),
        "The optimum of every single-output table as the command's batch finds it: each NPN "
        "class solved once by threads workers (timeout: per class), through the result "
        "cache file cache when given; None where the time limit passed or no circuit "
        "exists.");
}
