// Target functions given by a function number or a truth-table file: the PLA the engine
// works on, and the truth-table file.
//
// Function number f: bit i of f is the value of the function on minterm i, and minterm i
// is the assignment in which input j has the value of bit j of i. With polymorphic edges
// the function has one more input, the last one (index k); minterms 2^k and above are
// those in which it is 1.
//
// Truth-table file: the first blank-delimited word is the table, either 2^k characters
// '0'/'1' (the value on minterm 2^k - 1 first) or 2^k / 4 hexadecimal digits (the first
// digit holds minterms 2^k - 1 down to 2^k - 4). Anything after the word is ignored. The
// writer writes the binary form and a line end.
//
// A 32-bit function number holds minterms 0..31 only; functions of six or more inputs are
// carried as a TruthTable. How the run driver builds a target from a function number or a
// truth table:
//   table = TargetTable(settings);               // -f / -fh / default, needs k: call it
//                                                 // before anything is written
//   with -truth and a function given: Write_Truth(table, k, file)
//   with -truth and no function given: table = ReadTruthTable(k or nothing, file)
//   target = DeriveFnctPLA(table, k, polyedges)
#pragma once

#include "app/Settings.h"
#include "app/TruthTable.h"
#include "logic/PLA.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Number of minterms of a function of n inputs: 2^n, the shift count taken modulo 32 (so
// 32 inputs, k = 31 with polymorphic edges, give 1).
uint32_t MintermCount(uint32_t n);

// The truth table of the function given by -f or -fh (or the default function 1), with
// MintermCount(k + 1) minterms with polymorphic edges, else MintermCount(k). The number
// must fit the table by its value (leading zeros of a -fh number are fine):
// - a -f number, read as 32 bits, fills minterms 0..31; for a table of fewer than 32
//   minterms it must lie below 2^minterms, else RuntimeException "Option -f: the function
//   number <text> does not fit a truth table of <m> minterms (<k> inputs)";
// - a -fh number may have any number of digits; one with a one beyond the table raises
//   "Option -fh: the hexadecimal function number <text> does not fit a truth table of <m>
//   minterms (<k> inputs), which has <m/4> hexadecimal digits", and a character that is
//   no hexadecimal digit "not a hexadecimal number: <text>".
TruthTable TargetTable(const Settings& settings);

// The target PLA of function number f: k inputs (k + 1 with polyedges, the last one the
// control input), one output, type "fr", one full minterm term per minterm i in
// increasing order, input cube int2bin_rev(i, inputs), output 1 when bit i of f is 1
// (bits above 31 are 0), else 0. Owned by the caller.
std::unique_ptr<PLA> DeriveFnctPLA(uint32_t f, uint32_t k, bool polyedges);
// The same with the values taken from table (minterms beyond the table are 0).
std::unique_ptr<PLA> DeriveFnctPLA(const TruthTable& table, uint32_t k, bool polyedges);
// A target of one output per table, all of the same size: output o takes its values from
// tables[o].
std::unique_ptr<PLA> DeriveFnctPLA(const std::vector<TruthTable>& tables, uint32_t k,
                                   bool polyedges);

// Writes int2bin(f, 2^k) and a line end to file (truncating it). RuntimeException
// "<file>: cannot create the truth-table file" when it cannot be opened.
void Write_Truth(uint32_t f, uint32_t k, const std::string& file);
// Writes the values of table on minterms 2^k - 1 down to 0 (0 beyond the table) and a
// line end; with polymorphic edges the caller passes its k, so the file holds the half of
// the function with the control input 0.
void Write_Truth(const TruthTable& table, uint32_t k, const std::string& file);

// The largest number of inputs of a truth-table file.
constexpr uint32_t kMaxTableInputs = 31;

// Reads the truth-table file: one table of 2^k minterms per line that holds a word (the
// first blank-delimited word of the line; the rest of the line is ignored), one output
// per line, in order. Without k, k comes from the lengths of the words: 2^k binary digits
// or 2^k / 4 hexadecimal digits, the same k on every line; when the words could be read
// either way and every one of binary length holds only 0 and 1, they are binary.
// RuntimeException "<file>: cannot open the truth-table file" when the file cannot be
// opened, "<file>: does not look like a truth table: the file holds no table", and
// "<file>: line <l>: does not look like a truth table: <reason>" when a word's length fits
// no table of k inputs, or not the inputs of the lines before it (the reason says which
// lengths are expected), or a character is no digit of the form.
std::vector<TruthTable> ReadTruthTables(std::optional<uint32_t> k, const std::string& file);
// The same for a file of one table; a file of more lines is refused ("<file>: holds <n>
// tables ...").
TruthTable ReadTruthTable(std::optional<uint32_t> k, const std::string& file);
// The function number of the truth-table file: minterms 0..31 of ReadTruthTable(k, file),
// which is the whole table for k <= 5.
uint32_t Read_truth(uint32_t k, const std::string& file);
