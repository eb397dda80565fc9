// A result file being written: the named file, or the standard output when the name is
// "-", as tools in this field take it. The file is created (or truncated) on
// construction; Close() flushes it and reports a failed write.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

class OutputFile {
public:
    // The name that stands for the standard output.
    static bool IsStdout(const std::string& name) { return name == "-"; }

    // IOException "cannot create the file: <reason>" when the file cannot be created.
    OutputFile(const std::string& name, bool binary = false);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::ostream& stream() { return toStdout_ ? stdout_ : file_; }
    // IOException "cannot write the file" when a write failed.
    void Close();

private:
    bool toStdout_;
    std::ostream& stdout_;
    std::ofstream file_;
};
