// Locating and starting the external programs the engine exchanges files with (the SAT
// solver, the pseudo-Boolean optimizer, the line-end converter). A program is taken from
// the current directory when an executable of that name is there, otherwise from the
// directories of the PATH.
#pragma once

#include <string>

class ExternalTools {
public:
    // Where a program was found. `command` is the word that starts it on a shell command
    // line: "./name" for the copy in the current directory, else the quoted full path.
    struct Location {
        bool found = false;
        bool local = false; // the copy in the current directory
        std::string command;
    };

    // Looks for `name` in the current directory, then on the PATH.
    static Location Find(const std::string& name);
    // As Find; a missing program raises RuntimeException "<caller>: cannot find the
    // program <name> ..." naming the Debian package that provides it.
    static Location Require(const std::string& name, const std::string& package,
                            const std::string& caller);
    // Runs a command line through the system shell and waits for it to end. The exit
    // status is returned as system() gives it; callers judge the outcome by the files the
    // program leaves.
    static int Run(const std::string& commandLine);
    // The word quoted for the POSIX shell (single quotes).
    static std::string ShellQuote(const std::string& word);
};
