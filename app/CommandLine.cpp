#include "app/CommandLine.h"

#include "util/utils.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <sstream>

namespace {

const char* const kUsage[] = {
    "Syntax: Quillon [options]",
    "    -v             Print version",
    "    -k n           The number of circuit inputs. n < 31 [default: 4]",
    "    -n n           The number of circuit nodes [default: find minimum]",
    "    -f n           Implement function #n. n < 2^k [default: 1]",
    "    -fh n          Implement function #n (in hex), n < 2^k [default: 1]",
    "    -truth fn      Read/write truth table. If -f specified, it is written, read otherwise",
    "    -pla p         Implement multi-output function p [default: -fh 1]",
    "    -nodefuncts s  Node functions in hex string [default: 8 (AND only)]",
    "    -gatecosts s   Cost of node functions [default: 1]",
    "    -noinv         Toggle allowing inverted edges [default: true]",
    "    -noconst       Toggle allowing constants [default: true]",
    "    -polyedges     Toggle allowing polymorphic edges [default: false]",
    "    -enum          Enumerate all optimum solutions",
    "    -difftopology  Enumerate all optimum solutions with different topology. Must be used "
    "with -enum",
    "    -continue      Save intermediate constraints periodically. Continue from these "
    "constraints, when interrupted. To be used with -enum. Incompleteness indicated by a "
    "presence of 'constr.cnf' file.",
    "    -best          Return solution with optimum delay. Enumeration is empoyed",
    "    -save_dot fn   Saves the resulting dot file to file fn",
    "    -save_aag fn   Saves the resulting aag file to file fn",
    "    -save_blif fn  Saves the resulting BLIF file to file fn",
    "    -stats         Prints statistics of the result to stderr:",
    "                       function;nodes;XORs;[polyedges];levels;run-time",
    "    -enumstats     Prints statistics of the result to stderr during enumeration",
};

constexpr uint32_t kMaxInputs = 31;

bool allHexDigits(const std::string& s) {
    for (char c : s)
        if (!isHexDigit(c)) return false;
    return true;
}

// A whole decimal number: an optional sign, then one or more digits, nothing else. The
// magnitude saturates far above every limit a setting has.
bool parseWhole(const std::string& s, bool& negative, uint64_t& magnitude) {
    size_t i = 0;
    negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    magnitude = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        magnitude = std::min<uint64_t>(magnitude * 10 + static_cast<uint64_t>(s[i] - '0'),
                                       uint64_t{1} << 40);
    }
    if (magnitude == 0) negative = false;
    return true;
}

// Seconds: digits with an optional decimal fraction ("30", "2.5", ".5"), above 0.
bool parseSeconds(const std::string& s, double& seconds) {
    size_t digits = 0;
    size_t dots = 0;
    for (char c : s) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.')
            ++dots;
        else
            return false;
    }
    if (digits == 0 || dots > 1) return false;
    seconds = std::strtod(s.c_str(), nullptr);
    return seconds > 0 && seconds <= 1e9;
}

// Options that take no argument: the setting they switch.
bool* flagOf(const std::string& word, Settings& s) {
    if (word == "-stats") return &s.stats;
    if (word == "-enumstats") return &s.enumStats;
    if (word == "-enum") return &s.enumerate;
    if (word == "-difftopology") return &s.diffTopology;
    if (word == "-continue") return &s.continueRun;
    if (word == "-polyedges") return &s.polyedges;
    if (word == "-best") return &s.bestDelay;
    if (word == "-timings") return &s.timings;
    if (word == "-nobound") return &s.noBound;
    return nullptr;
}

bool takesArgument(const std::string& word) {
    static const char* const names[] = {
        "-k",        "-n",          "-f",         "-fh",           "-pla",
        "-truth",    "-nodefuncts", "-gatecosts", "-save_dot",     "-save_aag",
        "-save_aig", "-save_blif",  "-timeout",   "-solver",       "-threads",
        "-batch",    "-cache",      "-shard",     "-save_verilog", "-save_json"};
    for (const char* name : names)
        if (word == name) return true;
    return false;
}

} // namespace

std::string VersionLine(const std::string& buildDate, const std::string& buildTime) {
    std::istringstream parts(buildDate);
    std::string date;
    std::string part;
    while (parts >> part)
        date += (date.empty() ? "" : " ") + part;
    return "Quillon 1.4, compiled " + date + ", " + buildTime;
}

void help(std::ostream& out) {
    for (const char* line : kUsage)
        out << line << '\n';
}

ParseOutcome ParseCommandLine(const std::vector<std::string>& words, Settings& settings,
                              const std::string& versionLine, std::ostream& out,
                              std::ostream& err) {
    // A numeric argument that is refused: the message, status 1.
    const auto refuse = [&err](const std::string& option, const std::string& what,
                               const std::string& arg) {
        err << "Option " << option << " requires " << what << ": \"" << arg << "\"" << std::endl;
        return ParseOutcome{false, 1};
    };
    const std::string kWhole = "a whole decimal number (an optional sign, then digits only)";
    const std::string kUnsigned = "a number from 0 to 4294967295";
    std::string functionOption; // the last of -f and -fh

    if (words.empty()) {
        help(out);
        return {false, 0};
    }
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "-v") {
            out << versionLine << '\n';
            return {false, 0};
        }
        if (word == "-h" || word == "-help" || word == "--help") {
            help(out);
            return {false, 0};
        }
        if (word == "-noinv") {
            settings.invertedEdges = false;
            continue;
        }
        if (word == "-noconst") {
            settings.constants = false;
            continue;
        }
        if (bool* flag = flagOf(word, settings)) {
            *flag = true;
            continue;
        }
        if (word == "-export") {
            if (i + 2 >= words.size()) {
                err << "Option -export requires a format and a file" << std::endl;
                return {false, 1};
            }
            const std::string& format = words[++i];
            if (format != "mockturtle" && format != "aiger" && format != "blif") {
                err << "Option -export takes mockturtle, aiger or blif: \"" << format << "\""
                    << std::endl;
                return {false, 1};
            }
            settings.exportFormat = format;
            settings.exportFile = words[++i];
            continue;
        }
        if (!takesArgument(word)) {
            err << "unknown option \"" << word << "\"" << std::endl;
            help(out);
            return {false, 1};
        }
        if (i + 1 == words.size()) {
            err << "Option " << word << " requires an argument" << std::endl;
            help(out);
            return {false, 1};
        }
        const std::string& arg = words[++i];
        bool negative = false;
        uint64_t value = 0;
        if (word == "-k" || word == "-n" || word == "-f" || word == "-threads") {
            if (!parseWhole(arg, negative, value)) return refuse(word, kWhole, arg);
            if (word != "-k" && (negative || value > UINT32_MAX))
                return refuse(word, kUnsigned, arg);
        }
        if (word == "-k") {
            if (negative || value > kMaxInputs) {
                help(out);
                err << "k must be less than 32" << std::endl;
                return {false, 1};
            }
            settings.k = static_cast<uint32_t>(value);
            settings.kGiven = true;
        } else if (word == "-n") {
            settings.n = static_cast<uint32_t>(value);
        } else if (word == "-threads") {
            settings.threads = static_cast<uint32_t>(value);
        } else if (word == "-batch") {
            settings.batchFile = arg;
        } else if (word == "-cache") {
            settings.cacheFile = arg;
        } else if (word == "-shard") {
            // I/N: two whole numbers, 0 <= I < N.
            const size_t slash = arg.find('/');
            bool ni = false, nn = false;
            uint64_t i = 0, n = 0;
            if (slash == std::string::npos || !parseWhole(arg.substr(0, slash), ni, i) ||
                !parseWhole(arg.substr(slash + 1), nn, n) || ni || nn || n == 0 || i >= n ||
                n > UINT32_MAX || arg[0] == '+' || arg[slash + 1] == '+')
                return refuse(word, "I/N with whole numbers 0 <= I < N, such as 0/4", arg);
            settings.shardIndex = static_cast<uint32_t>(i);
            settings.shardCount = static_cast<uint32_t>(n);
        } else if (word == "-f") {
            settings.function = static_cast<uint32_t>(value);
            settings.functionHex.reset();
            settings.functionText = arg;
            settings.functionGiven = true;
            functionOption = word;
        } else if (word == "-fh") {
            if (!allHexDigits(arg))
                return refuse(word, "a hexadecimal number (digits 0-9, a-f, A-F)", arg);
            settings.function = hex2int(arg);
            settings.functionHex = arg;
            settings.functionText = arg;
            settings.functionGiven = true;
            functionOption = word;
        } else if (word == "-timeout") {
            if (!parseSeconds(arg, settings.timeLimit))
                return refuse(word,
                              "a number of seconds above 0 (digits with an optional decimal "
                              "fraction, such as 30 or 2.5)",
                              arg);
            settings.timeLimitText = arg;
        } else if (word == "-pla") {
            settings.plaFile = arg;
            settings.functionText = arg;
        } else if (word == "-truth") {
            settings.truthFile = arg;
        } else if (word == "-nodefuncts") {
            // Each digit the table of a two-input function; the constants 0 and F are none.
            if (arg.empty() || !allHexDigits(arg) || arg.find_first_of("0fF") != std::string::npos)
                return refuse(word,
                              "hexadecimal digits, each the table of a two-input function "
                              "other than the constants 0 and F",
                              arg);
            settings.nodeFuncts = arg;
        } else if (word == "-gatecosts") {
            if (arg.empty() || !allHexDigits(arg) || arg.find('0') != std::string::npos)
                return refuse(word, "one cost digit 1-9 or A-F (10-15) per node function", arg);
            settings.gateCosts = arg;
        } else if (word == "-save_dot") {
            settings.dotFile = arg;
        } else if (word == "-save_aag") {
            settings.aagFile = arg;
        } else if (word == "-save_aig") {
            settings.aigFile = arg;
        } else if (word == "-save_verilog") {
            settings.verilogFile = arg;
        } else if (word == "-save_json") {
            settings.jsonFile = arg;
        } else if (word == "-solver") {
            if (arg != "embedded" && arg != "minisat") {
                err << "Option -solver takes embedded or minisat: \"" << arg << "\"" << std::endl;
                return {false, 1};
            }
            settings.externalSolver = arg == "minisat";
        } else { // -save_blif
            settings.blifFile = arg;
        }
    }
    // One target per run: a function number and a PLA file would be two.
    if (settings.functionGiven && settings.plaFile) {
        err << "Options " << functionOption << " and -pla both give the target; give one of them"
            << std::endl;
        return {false, 1};
    }
    if (settings.exportFormat && !settings.batchFile && !settings.cacheFile) {
        err << "Option -export requires -batch or -cache" << std::endl;
        return {false, 1};
    }
    if (settings.exportFormat && !settings.batchFile &&
        (settings.functionGiven || settings.plaFile || settings.truthFile)) {
        err << "Option -export with -cache writes the classes the cache holds: give no target"
            << std::endl;
        return {false, 1};
    }
    if (settings.shardCount != 1 && !settings.batchFile) {
        err << "Option -shard requires -batch" << std::endl;
        return {false, 1};
    }
    // A truth table that is read names the function in the statistics lines.
    if (settings.truthFile && !settings.functionGiven && !settings.plaFile)
        settings.functionText = *settings.truthFile;
    return {true, 0};
}
