// The writers to named files: each circuit is written in full into memory first, so that a
// circuit a writer refuses leaves no file behind, and then to the file ("-": the standard
// output).
#include "synth/SAT_CircGen.h"

#include "network/Network.h"
#include "util/OutputFile.h"

#include <sstream>

namespace {

template <typename Write> void toFile(const std::string& file, bool binary, Write write) {
    std::ostringstream text;
    write(text);
    OutputFile out(file, binary);
    out.stream() << text.str();
    out.Close();
}

} // namespace

CircuitNames SAT_CircGen::Names() const {
    CircuitNames names;
    names.inputs = target->getINames();
    names.outputs = target->getONames();
    names.polyEdges = polyEdges;
    return names;
}

void SAT_CircGen::SaveDOT(const SoPLA* model, uint32_t nodes, const std::string& file) const {
    SaveDOT(Decode(model, nodes), file);
}

void SAT_CircGen::SaveDOT(const Circuit& c, const std::string& file) const {
    toFile(file, false, [&](std::ostream& out) { WriteDOT(out, c, library(), Names()); });
}

void SAT_CircGen::SaveAAG(const SoPLA* model, uint32_t nodes, const std::string& file) const {
    SaveAAG(Decode(model, nodes), file);
}

void SAT_CircGen::SaveAAG(const Circuit& c, const std::string& file) const {
    toFile(file, false, [&](std::ostream& out) { WriteAAG(out, c, library(), Names()); });
}

void SAT_CircGen::SaveAIG(const SoPLA* model, uint32_t nodes, const std::string& file) const {
    SaveAIG(Decode(model, nodes), file);
}

void SAT_CircGen::SaveAIG(const Circuit& c, const std::string& file) const {
    toFile(file, true, [&](std::ostream& out) { WriteAIG(out, c, library()); });
}

void SAT_CircGen::SaveJSON(const Circuit& c, const std::string& file,
                           const std::string& status) const {
    toFile(file, false,
           [&](std::ostream& out) { WriteJSON(out, c, library(), Names(), *target, status); });
}
