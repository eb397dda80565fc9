// A library user's program: synthesises a single-output and a multi-output target with
// don't cares, enumerates optima through the callback, and stops on its time limit and on
// its token. Exits 0 when every answer is checked right, 1 naming the first wrong one.
#include <quillon/quillon.h>

#include <chrono>
#include <iostream>
#include <thread>

namespace {

int failures = 0;

void expect(bool ok, const char* what) {
    if (ok) return;
    std::cerr << "consumer: " << what << "\n";
    ++failures;
}

// The circuit's values agree with the target wherever it cares.
bool realises(const quillon::Circuit& c, const quillon::Target& t) {
    const std::vector<quillon::Words> v = c.simulate();
    for (size_t o = 0; o < t.tables.size(); ++o)
        for (uint64_t r = 0; r < (uint64_t(1) << t.inputs); ++r) {
            const auto at = [r](const quillon::Words& w) { return (w[r / 64] >> (r % 64)) & 1u; };
            const bool cares = t.care[o].empty() || at(t.care[o]);
            if (cares && at(v[o]) != at(t.tables[o])) return false;
        }
    return true;
}

} // namespace

int main() {
    quillon::Params params;
    params.library = "86";
    const quillon::Target parity = quillon::Target::FromHex("6996");
    const quillon::Result single = quillon::synthesize(parity, params);
    expect(single.status == quillon::Status::Optimum && single.circuits.size() == 1 &&
               single.circuits[0].gates.size() == 3 && realises(single.circuits[0], parity),
           "the parity of four is three XOR gates");

    quillon::Target two;
    two.inputs = 3;
    two.AddOutput({0xE8}, {0x7E}); // the majority, rows 0 and 7 free
    two.AddOutput({0x96});         // the parity
    const quillon::Result multi = quillon::synthesize(two, params);
    expect(multi.status == quillon::Status::Optimum && realises(multi.circuits[0], two),
           "a two-output target with don't cares");
    expect(multi.circuits[0].blif().find(".outputs y0 y1") != std::string::npos,
           "the BLIF netlist names both outputs");

    unsigned count = 0;
    quillon::enumerate(quillon::Target::FromNumber(0xE8, 3), quillon::Params(),
                       [&](const quillon::Circuit& c) {
                           expect(realises(c, quillon::Target::FromNumber(0xE8, 3)),
                                  "an enumerated majority circuit");
                           return ++count, true;
                       });
    expect(count == 6, "six optimum majority circuits over AND");

    quillon::Params limited = params;
    limited.timeLimit = 0.3;
    const quillon::Target hard = quillon::Target::FromHex("169AE443", 5);
    expect(quillon::synthesize(hard, limited).status == quillon::Status::Timeout,
           "the time limit stops the search");

    quillon::Params cancelled = params;
    std::thread stopper([token = cancelled.cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        token.request();
    });
    const quillon::Result stopped = quillon::synthesize(hard, cancelled);
    stopper.join();
    expect(stopped.status == quillon::Status::Cancelled, "the token stops the search");

    if (failures == 0) std::cout << "consumer: every check passed\n";
    return failures == 0 ? 0 : 1;
}
