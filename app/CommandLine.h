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
//  - no words, -h, -help or --help: usage text on out, status 0;
//  - -v: versionLine and a line end on out, status 0; later words are not looked at;
//  - a word that is no option: 'unknown option "<word>"' on err, the usage text on out,
//    status 1;
//  - -k outside 0..31 (a negative number too): usage text on out, then "k must be less
//    than 32" on err, status 1;
//  - an option that needs an argument as the last word: "Option <name> requires an
//    argument" on err, then the usage text on out, status 1;
//  - a refused argument: "Option <name> requires <what>: "<argument>"" on err, status 1.
//    -k, -n and -f take whole decimal numbers (an optional sign, then digits only), -n
//    and -f from 0 to 2^32 - 1; -fh takes hexadecimal digits only; -timeout takes seconds
//    above 0, digits with an optional decimal fraction; -threads a whole decimal number
//    from 0 to 2^32 - 1; -nodefuncts hexadecimal digits other than 0 and F; -gatecosts
//    digits 1-9 and A-F; -shard I/N two whole numbers with 0 <= I < N, and only with
//    -batch ("Option -shard requires -batch");
//  - -f or -fh together with -pla, two targets: "Options <-f|-fh> and -pla both give the
//    target; give one of them" on err, status 1.
// When a truth table is read (-truth without -f, -fh and -pla) its file name becomes the
// function text.
ParseOutcome ParseCommandLine(const std::vector<std::string>& words, Settings& settings,
                              const std::string& versionLine, std::ostream& out, std::ostream& err);
