// The optimum circuit of a function given in hexadecimal, over a node library, as BLIF:
//
//     quillon_example 6996 86     the 4-input parity over AND and XOR
//
// Then every optimum of the 3-input majority over AND gates, counted.
#include <quillon/quillon.h>

#include <iostream>

int main(int argc, char** argv) {
    const std::string table = argc > 1 ? argv[1] : "E8";
    quillon::Params params;
    params.library = argc > 2 ? argv[2] : "8";
    params.timeLimit = 60;
    try {
        const quillon::Result r = quillon::synthesize(quillon::Target::FromHex(table), params);
        switch (r.status) {
        case quillon::Status::Optimum:
            std::cout << "# " << r.circuits[0].gates.size() << " gates, proven optimal\n"
                      << r.circuits[0].blif();
            break;
        case quillon::Status::Impossible:
            std::cerr << r.reason << "\n";
            return 1;
        default:
            std::cerr << "stopped: no circuit of fewer than " << r.lowerBound << " gates\n";
            return 124;
        }
        uint32_t count = 0;
        quillon::Params all;
        quillon::enumerate(quillon::Target::FromNumber(0xE8, 3), all,
                           [&count](const quillon::Circuit&) { return ++count, true; });
        std::cout << "# majority of three: " << count << " optimum circuits\n";
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
