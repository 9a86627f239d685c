// Test helpers: run the listing scanner over a string and lay out listing lines by column.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "scanner/input.h"
#include "scanner/scanner.h"

namespace romlift::test {

// One token as the scanner left it right after yylex returned it.
struct Scanned {
  int token = 0;
  std::string text;     // yytext, yyleng bytes (zero bytes kept)
  int lineno = 0;       // yylineno after the token
  std::string codeobj;  // codeobj up to its terminator
  Mode mode = Mode::NORMAL;
};

// A read(2)-like source over text that hands out at most `chunk` bytes per call
// (0: as much as the caller asks for).
Input::ReadFn chunkReader(std::string text, size_t chunk = 0);

// Runs a scanner over the input until it returns 0 and checks that the end-of-input hook
// ran exactly once. Stops with a test failure after maxTokens tokens.
std::vector<Scanned> scanInput(Input input, size_t maxTokens);
std::vector<Scanned> scan(const std::string& text, size_t chunk = 0);

// "NAME|text|lineno|codeobj", with control bytes of the text escaped (\n, \r, \t, \0, \xNN).
std::string fmt(int token, const std::string& text, int lineno, const std::string& codeobj = "");
std::string fmt(const Scanned& s);
std::vector<std::string> fmt(const std::vector<Scanned>& all);
std::string escape(const std::string& s);

// A line with each field starting at its column (columns from 0, fields in increasing
// order), blanks in between. Throws std::logic_error when a field would overlap the last.
std::string at(std::initializer_list<std::pair<size_t, std::string>> fields);
inline std::string blanks(size_t n) { return std::string(n, ' '); }

// A listing and the tokens it must give, in the fmt() form.
using Want = std::vector<std::string>;
struct ScanCase {
  std::string name;
  std::string input;
  Want want;
};

// Scans each case with reads of each size (0: the whole text at once) and compares.
void expectScans(const std::vector<ScanCase>& cases, std::initializer_list<size_t> chunks = {0});

}  // namespace romlift::test
