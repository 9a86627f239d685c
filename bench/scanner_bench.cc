// The scanner on one line class at a time: a buffer of the same line repeated, scanned to the
// end of input. Items are lines; the tokens counter is tokens per second.
#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "scanner/scanner.h"

namespace romlift::bench {
namespace {

// A line with each field starting at its column (counted from 0), blanks in between.
std::string at(std::initializer_list<std::pair<size_t, const char*>> fields) {
  std::string s;
  for (const auto& [col, text] : fields) {
    if (s.size() < col) s.append(col - s.size(), ' ');
    s += text;
  }
  return s;
}

struct LineClass {
  std::string name;
  std::string line;       // repeated, each with its newline
  int token;              // what every token must be; 0: not checked (or no token at all)
  int tokensPerLine;
  std::string prefix{};   // text before the repeated lines, such as a symbol-table banner
};

// The banner's own newline ends its last line; an empty line after it would be a token.
const std::string kBanner = "***************************\n* S Y M B O L   T A B L E *\n***************************\n";

const std::vector<LineClass>& lineClasses() {
  static const std::vector<LineClass> classes = {
      {"CODELOC", at({{0, "005"}, {4, "C000"}, {9, "C30CC0"}, {20, "START"}, {28, "JMP"}, {34, "INIT"}, {44, "COLD START"}}), CODELOC, 1},
      {"CODELO", at({{0, "006"}, {4, "C003"}, {9, "C30CC0"}, {20, "LOOP"}, {28, "JMP"}, {34, "INIT"}}), CODELO, 1},
      {"CODELC", at({{0, "007"}, {4, "C006"}, {9, "00"}, {20, "WAIT"}, {28, "NOP"}, {44, "IDLE"}}), CODELC, 1},
      {"CODEL", at({{0, "008"}, {4, "C007"}, {9, "76"}, {20, "HANG"}, {28, "HLT"}}), CODEL, 1},
      {"CODEOC", at({{0, "009"}, {4, "C008"}, {9, "3E01"}, {28, "MVI"}, {34, "A,1"}, {44, "SET"}}), CODEOC, 1},
      {"CODEO", at({{0, "010"}, {4, "C00A"}, {9, "CD03D0"}, {28, "CALL"}, {34, "0D003H"}}), CODEO, 1},
      {"CODEC", at({{0, "011"}, {4, "C00D"}, {9, "C9"}, {28, "RET"}, {44, "USART READY"}}), CODEC, 1},
      {"CODE", at({{0, "012"}, {4, "C00E"}, {9, "C9"}, {28, "RET"}}), CODE, 1},
      {"COM1", at({{0, "013"}, {20, "* GETC - WAIT FOR A KEY, RETURN IT IN A"}}), COM1, 1},
      {"COM2", at({{0, "014"}, {44, "MAIN COMMAND LOOP: R RESTARTS, T TESTS"}}), COM2, 1},
      {"LABELSUP", at({{0, "015"}, {20, "CLRRAM"}}), LABELSUP, 1},
      {"ORG", at({{0, "016"}, {28, "ORG   :C000"}}), ORG, 1},
      {"END", at({{0, "017"}, {4, "C053"}, {28, "END"}}), END, 1},
      {"NUMLINEVIDE", "018", NUMLINEVIDE, 1},
      {"LIGNEVIDE", "", LIGNEVIDE, 1},
      {"SYMBOLTABLE", "BANNER C04D CLR1   C00D CLRRAM C00D CMD    C027", SYMBOLTABLE, 4, kBanner},
      {"first_page_header", "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1", 0, 3},
      {"later_page_header", "PAGE 02    KEZ FIRMWARE 0C000-0C7FF  V1.1", 0, 0},
      {"junk_lowercase_mnemonic", at({{0, "019"}, {4, "C00F"}, {9, "3E01"}, {28, "mvi"}, {34, "A,1"}, {44, "SET"}}), 0, 0},
      {"junk_debris", ".,  ` ' ~  ..  ;:  -", 0, 0},
  };
  return classes;
}

constexpr size_t kBufferBytes = 256 * 1024;

void scanLineClass(benchmark::State& state, const LineClass& c) {
  size_t lines = std::max<size_t>(1, kBufferBytes / (c.line.size() + 1));
  std::string text = c.prefix;
  text.reserve(c.prefix.size() + lines * (c.line.size() + 1));
  for (size_t i = 0; i < lines; ++i) {
    text += c.line;
    text += '\n';
  }
  size_t expected = lines * static_cast<size_t>(c.tokensPerLine);
  size_t tokens = 0;
  for (auto _ : state) {
    Scanner scanner(Input(memoryReader(text)), [] { return 1; });
    size_t n = 0;
    bool wrong = false;
    while (int t = scanner.yylex()) {
      ++n;
      wrong |= c.token != 0 && t != c.token;
    }
    if (wrong || n != expected) {
      state.SkipWithError(("the scanner did not see every line as " + c.name).c_str());
      break;
    }
    tokens += n;
    benchmark::DoNotOptimize(scanner.codeobj);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * lines));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
  state.counters["ns_per_line"] = benchmark::Counter(static_cast<double>(state.iterations() * lines),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

const bool registered = [] {
  for (const LineClass& c : lineClasses())
    benchmark::RegisterBenchmark(("scan_line/" + c.name).c_str(), [&c](benchmark::State& s) { scanLineClass(s, c); });
  return true;
}();

}  // namespace
}  // namespace romlift::bench
