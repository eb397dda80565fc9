#include "util/utils.h"

#include <cctype>
#include <cstdlib>

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

static uint32_t hexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    return 0;
}

uint32_t hex2int(const std::string& s) {
    uint32_t v = 0;
    for (char c : s) v = (v << 4) | hexValue(c);
    return v;
}

uint32_t bin2int(const std::string& s) {
    uint32_t v = 0;
    for (char c : s) v = (v << 1) | (c == '1' ? 1u : 0u);
    return v;
}

std::string int2bin(uint32_t v, uint32_t len) {
    std::string s(len, '0');
    for (uint32_t j = 0; j < len && j < 32; ++j)
        if ((v >> j) & 1u) s[len - 1 - j] = '1';
    return s;
}

std::string int2bin_rev(uint32_t v, uint32_t len) {
    std::string s(len, '0');
    for (uint32_t j = 0; j < len && j < 32; ++j)
        if ((v >> j) & 1u) s[j] = '1';
    return s;
}

std::string hex2bin(char c) {
    if (!isHexDigit(c)) return "";
    return int2bin(hexValue(c), 4);
}

std::string int2string(uint64_t v) { return std::to_string(v); }

uint32_t str2uint(const std::string& s) {
    return static_cast<uint32_t>(std::strtol(s.c_str(), nullptr, 10));
}

static size_t lastSlash(const std::string& name) { return name.find_last_of('/'); }

std::string GetPath(const std::string& name) {
    const size_t p = lastSlash(name);
    return p == std::string::npos ? std::string() : name.substr(0, p + 1);
}

std::string GetFilename(const std::string& name) {
    const size_t p = lastSlash(name);
    std::string file = p == std::string::npos ? name : name.substr(p + 1);
    const size_t dot = file.find_last_of('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

std::string GetExtension(const std::string& name) {
    const size_t p = lastSlash(name);
    const std::string file = p == std::string::npos ? name : name.substr(p + 1);
    const size_t dot = file.find_last_of('.');
    return dot == std::string::npos ? std::string() : file.substr(dot + 1);
}

std::string AppendToFilename(const std::string& name, const std::string& suffix) {
    const size_t p = lastSlash(name);
    const std::string file = p == std::string::npos ? name : name.substr(p + 1);
    if (file.find('.') == std::string::npos) return name + suffix;
    return GetPath(name) + GetFilename(name) + suffix + "." + GetExtension(name);
}

static bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool GetLine(std::istream& in, std::string& line) {
    line.clear();
    int c = in.get();
    while (c != EOF && (isBlank(c) || c == '\\')) c = in.get();
    if (c == EOF) return false;
    while (c != EOF && c != '\n' && c != '\r') {
        if (c == '\\') {
            // Join with the next line: drop the backslash and the line ends after it.
            c = in.get();
            while (c == '\n' || c == '\r') c = in.get();
            continue;
        }
        line.push_back(static_cast<char>(c));
        c = in.get();
    }
    return true;
}

static bool isSeparator(char c) { return isBlank(static_cast<unsigned char>(c)) || c == '|'; }

std::string GetToken(const std::string& line, size_t& pos) {
    while (pos < line.size() && isSeparator(line[pos])) ++pos;
    const size_t start = pos;
    while (pos < line.size() && !isSeparator(line[pos])) ++pos;
    return line.substr(start, pos - start);
}
