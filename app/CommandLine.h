// Command line of the program: the usage text, the version line and the parser that fills
// the settings record.
#pragma once

#include "app/Settings.h"

#include <iosfwd>
#include <string>
#include <vector>

// Build date ("Jul 15 2019", as the compiler's __DATE__) and time ("17:34:50") of the
// executable. Defined in Version.cpp, which is part of the executable only.
const char* quillonBuildDate();
const char* quillonBuildTime();

// "Quillon 1.4, compiled <date>, <time>" without a line end. The compiler pads a day below
// 10 with a second blank ("Jul  5 2019"); the date is printed with single blanks between
// its parts ("Jul 5 2019"), leading and trailing blanks dropped.
std::string VersionLine(const std::string& buildDate, const std::string& buildTime);

// The usage text, every line ended by a line feed.
void help(std::ostream& out);

// What the parser decided: go on with the run, or end the process with status.
struct ParseOutcome {
    bool run = true;
    int status = 0;
};

// Reads the command-line words (the program name excluded) left to right into settings.
// Ends the process (run = false) on:
//  - no words, or a word that is no option: usage text on out, status 0;
//  - -v: versionLine and a line end on out, status 0; later words are not looked at;
//  - -k above 31 (read as unsigned, so negative numbers too): usage text on out, then
//    "k must be less than 32" on err, status 0;
//  - an option that needs an argument as the last word: "Option <name> requires an
//    argument" on err, then the usage text on out, status 1;
//  - a -fh argument with a character that is not a hexadecimal digit: a message on err,
//    status 1.
// Numbers are read as strtol with base 10 reads them and kept as unsigned 32-bit values.
ParseOutcome ParseCommandLine(const std::vector<std::string>& words, Settings& settings,
                              const std::string& versionLine, std::ostream& out, std::ostream& err);
