#include "util/OutputFile.h"

#include "util/myExcept.h"

#include <cerrno>
#include <cstring>
#include <iostream>

OutputFile::OutputFile(const std::string& name, bool binary)
    : toStdout_(IsStdout(name)), stdout_(std::cout) {
    if (toStdout_) return;
    errno = 0;
    file_.open(name, std::ios::out | std::ios::trunc | (binary ? std::ios::binary : std::ios::out));
    if (!file_)
        throw IOException(std::string("cannot create the file: ") +
                               (errno != 0 ? std::strerror(errno) : "unknown reason"));
}

void OutputFile::Close() {
    std::ostream& out = stream();
    out.flush();
    if (!out) throw IOException("cannot write the file");
    if (!toStdout_) file_.close();
}
