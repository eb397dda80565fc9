// String, number and file-name helpers, and the line and token readers used by the
// text-file readers.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

// Value of a hexadecimal string (most significant digit first). Characters that are not
// hexadecimal digits contribute 0; the empty string gives 0. Wraps at 32 bits.
uint32_t hex2int(const std::string& s);
// true when c is one of 0-9, A-F, a-f.
bool isHexDigit(char c);
// Value of a string of binary digits; '1' counts as one, anything else as zero.
uint32_t bin2int(const std::string& s);
// len characters '0'/'1', most significant first; bits above 31 are '0'.
std::string int2bin(uint32_t v, uint32_t len);
// The same bits, least significant first.
std::string int2bin_rev(uint32_t v, uint32_t len);
// Four binary digits of a hexadecimal digit, most significant first ("" for a non-digit).
std::string hex2bin(char c);
// Decimal text of an unsigned value.
std::string int2string(uint64_t v);
// Reads a number the way strtol(s, nullptr, 10) does and keeps its low 32 bits.
uint32_t str2uint(const std::string& s);

// File-name helpers: "dir/base.ext" -> "dir/", "base", "ext".
std::string GetPath(const std::string& name);
std::string GetFilename(const std::string& name);
std::string GetExtension(const std::string& name);
// dir + base + suffix + "." + ext; a name without an extension gets the suffix at its end.
std::string AppendToFilename(const std::string& name, const std::string& suffix);

// Reads the next logical line: skips blank lines, leading blanks and leading backslashes;
// a line ends at LF or CR; a backslash inside a line joins it with the next one.
// Leaves an empty line at the end of the stream. Returns false when nothing was read.
bool GetLine(std::istream& in, std::string& line);
// Next token of line starting at pos (separators: space, tab, CR, LF, '|'); pos is moved
// past the token. Returns the empty string when the line has no more tokens.
std::string GetToken(const std::string& line, size_t& pos);
