// Differential check of the listing scanner against a slow, literal reference: every line
// rule as a POSIX extended regular expression, tried where it is active, longest match
// winning and the lowest row breaking ties, run over the sample listing and over many
// generated listings laid out near the column map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "scanner/scanner.h"
#include "scanner/token.h"
#include "support/scan.h"

namespace romlift {
namespace {

using test::blanks;

// Character sets as bracket expressions holding the real tab and newline bytes (a backslash
// is literal inside a POSIX bracket). The regex '.' is never used: libstdc++'s POSIX
// grammars refuse the zero byte there, while "[^\n]" takes it like any other byte, 0x80-0xFF
// included, so zero bytes go through the reference unchanged.
const std::string kAny = "[^\n]";
const std::string kNotBlank = "[^ \n]";
const std::string kNumero = "[0-9]{3}";
const std::string kCodeHead = kNumero + " [0-9A-F]{4} ([0-9A-F]{2}|[0-9A-F]{4}|[0-9A-F]{6})";
const std::string kLabel = "[A-Za-z]" + kNotBlank + "{0,5}";
const std::string kMnemo = "[A-Z]{2,4}";
const std::string kOperande = kNotBlank + "{1,8}";
const std::string kRemarque = kNotBlank + kAny + "*";
const std::string kStars = "\\*{27}";
// The code-line heads up to the mnemonic: with a label, and without one.
const std::string kLabelled = kCodeHead + " {1,9}" + kLabel + " +" + kMnemo;
const std::string kUnlabelled = kCodeHead + "( {13,17})+" + kMnemo;

constexpr int kN = 1 << int(Mode::NORMAL), kE = 1 << int(Mode::ENTETE),
              kT = 1 << int(Mode::TABLESYMB), kAll = kN | kE | kT;

struct Row {
  int modes;
  bool lineStart;
  bool newlineAfter;
  std::string pattern;
  int token;      // 0: none
  int lines;      // added to yylineno
  int toMode;     // -1: unchanged
  bool capture;   // copyobj from column 9
  size_t maxLen;  // only to save time: the most the pattern can take, 0 = up to the line end
};

// A row of every mode, tied to the line start, that only returns its token.
Row lineRow(bool newlineAfter, std::string pattern, int token, bool capture = false) {
  return {kAll, true, newlineAfter, std::move(pattern), token, 0, -1, capture, 0};
}

const std::vector<Row>& rows() {
  static const std::vector<Row> table = {
      /* 1*/ {kAll, true, true, kStars + "\n\\* S Y M B O L   T A B L E \\*\n" + kStars, 0, 2,
              int(Mode::TABLESYMB), false, 0},
      /* 2*/ {kT, true, false, "PAGE (0[2-9]|[1-9][0-9])" + kAny + "*", 0, 0, -1, false, 0},
      /* 3*/ {kT, false, false, "[A-Za-z]" + kAny + "{10}", SYMBOLTABLE, 0, -1, false, 11},
      /* 4*/ {kT, true, false, "\n", LIGNEVIDE, 1, -1, false, 1},
      /* 5*/ {kT, false, false, "\n", 0, 1, -1, false, 1},
      /* 6*/ {kAll, true, false, "PAGE 01    KEZ FIRMWARE ", ENTETE1, 0, int(Mode::ENTETE), false,
              24},
      /* 7*/ {kE, false, false, "[0-3]?[0-9A-F]{4}-[0-3]?[0-9A-F]{4}", SEGMENT, 0, -1, false, 11},
      /* 8*/ {kE, false, false, "  V1\\.1", ENTETE2, 0, -1, false, 6},
      /* 9*/ lineRow(true, kNumero + " {41}[ \t]*[^ \t\n]" + kAny + "*", COM2),
      /*10*/ lineRow(false, kNumero + " {17}\\*" + kAny + "*", COM1),
      /*11*/ lineRow(true, kLabelled + " {2,4}" + kOperande + " {2,9}" + kRemarque, CODELOC, true),
      /*12*/ lineRow(true, kLabelled + " {12,14}" + kRemarque, CODELC, true),
      /*13*/ lineRow(true, kUnlabelled + " {2,4}" + kOperande + " {2,9}" + kRemarque, CODEOC, true),
      /*14*/ lineRow(true, kUnlabelled + " {12,14}" + kRemarque, CODEC, true),
      /*15*/ lineRow(true, kNumero + " {17}[^ *\n]" + kAny + "{1,5}", LABELSUP),
      /*16*/ lineRow(false, kNumero + " {25}ORG   :" + kAny + "*", ORG),
      /*17*/ lineRow(true, kNumero + " [0-9A-F]{4} {20}END", END),
      /*18*/ lineRow(true, kNumero + " *", NUMLINEVIDE),
      /*19*/ lineRow(true, kLabelled + " *", CODEL, true),
      /*20*/ lineRow(true, kLabelled + " {2,4}" + kOperande + " *", CODELO, true),
      /*21*/ lineRow(true, kUnlabelled + " *", CODE, true),
      /*22*/ lineRow(true, kUnlabelled + " {2,4}" + kOperande + " *", CODEO, true),
      /*23*/ {kAll, true, false, "\n", LIGNEVIDE, 1, -1, false, 1},
      /*24*/ {kAll, false, false, kAny, 0, 0, -1, false, 1},
      /*25*/ {kAll, false, false, "\n", 0, 1, int(Mode::NORMAL), false, 1},
  };
  return table;
}

// Each row's pattern compiled, with the newline after it appended where the row needs one,
// and the number of newlines it takes: its literal ones (a bracket never takes a newline).
struct Compiled {
  std::regex re;
  int newlines = 0;
};

const std::vector<Compiled>& compiled() {
  static const std::vector<Compiled> all = [] {
    std::vector<Compiled> v;
    for (const Row& r : rows()) {
      const std::string p = r.pattern + (r.newlineAfter ? "\n" : "");
      Compiled c{std::regex(p, std::regex::extended)};
      bool inBracket = false;
      for (char ch : p) {
        if (ch == '[' || ch == ']') inBracket = ch == '[';
        c.newlines += ch == '\n' && !inBracket;
      }
      v.push_back(std::move(c));
    }
    return v;
  }();
  return all;
}

// Length of row i's longest match at pos (its newline after included), 0 when it has none.
// libstdc++ reliably says whether a match exists but, for patterns like "( {13,17})+", does
// not always report the longest one, so the length it finds is only a floor: longer ends are
// then tried one by one with regex_match. A match ends after the pattern's last newline and
// before the next one, and a row that needs the newline after ends right past that newline.
// (libstdc++ recurses once per byte matched: keep the lines to a few thousand bytes.)
size_t longest(size_t i, const std::string& t, size_t pos) {
  const Row& r = rows()[i];
  const Compiled& c = compiled()[i];
  size_t lo = pos;
  for (int k = 0; k < c.newlines; ++k) {
    lo = t.find('\n', lo);
    if (lo == std::string::npos) return 0;
    ++lo;
  }
  size_t hi = r.newlineAfter ? lo : std::min(t.find('\n', lo), t.size());
  if (r.maxLen != 0) hi = std::min(hi, pos + r.maxLen);
  std::smatch m;
  if (hi < lo || !std::regex_search(t.begin() + pos, t.begin() + hi, m, c.re,
                                    std::regex_constants::match_continuous))
    return 0;
  for (size_t e = hi; e > pos + size_t(m.length(0)); --e)
    if (std::regex_match(t.begin() + pos, t.begin() + e, c.re)) return e - pos;
  return m.length(0);
}

// The rule table run over the bytes the input layer delivers: the input ends at a Ctrl-Z and
// a carriage return right before a newline is dropped.
std::vector<std::string> reference(const std::string& raw) {
  std::string t;
  const std::string in = raw.substr(0, raw.find('\x1a'));
  for (size_t i = 0; i < in.size(); ++i)
    if (!(in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n')) t += in[i];
  std::vector<std::string> out;
  Mode mode = Mode::NORMAL;
  bool bol = true;
  int lineno = 1;
  std::string codeobj;
  for (size_t pos = 0; pos < t.size();) {
    size_t best = 0, bestLen = 0;
    for (size_t i = 0; i < rows().size(); ++i) {
      const Row& r = rows()[i];
      if (!(r.modes & (1 << int(mode))) || (r.lineStart && !bol)) continue;
      size_t n = longest(i, t, pos);
      if (n > bestLen) best = i, bestLen = n;  // strictly longer: the lower row keeps a tie
    }
    const Row& r = rows()[best];
    const std::string text = t.substr(pos, bestLen - (r.newlineAfter ? 1 : 0));
    pos += text.size();
    bol = text.back() == '\n';
    lineno += r.lines;
    if (r.toMode >= 0) mode = Mode(r.toMode);
    if (r.capture) codeobj = text.substr(9, text.find(' ', 9) - 9);
    if (r.token != 0) out.push_back(test::fmt(r.token, text, lineno, codeobj));
  }
  return out;
}

// The real scanner, fed `chunk` bytes per read, with a buffer of `bufferSize` bytes.
std::vector<std::string> real(const std::string& text, size_t chunk, size_t bufferSize) {
  if (bufferSize == Scanner::kBufferSize) return test::fmt(test::scan(text, chunk));
  Scanner s(Input(test::chunkReader(text, chunk)), [] { return 1; }, bufferSize);
  std::vector<std::string> out;
  while (int tok = s.yylex()) {
    out.push_back(test::fmt(tok, std::string(s.yytext, s.yyleng), s.yylineno,
                            std::string(s.codeobj, strnlen(s.codeobj, sizeof s.codeobj))));
    if (out.size() > text.size()) break;
  }
  return out;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += "    " + x + "\n";
  return s;
}

int mismatches = 0;

void compare(const std::string& input, const std::string& what, size_t chunk = 0,
             size_t bufferSize = Scanner::kBufferSize) {
  const auto want = reference(input), got = real(input, chunk, bufferSize);
  if (want == got || ++mismatches > 20) return;
  ADD_FAILURE() << what << " (chunk " << chunk << ", buffer " << bufferSize << ")\n  input: \""
                << test::escape(input) << "\"\n  reference:\n" << joined(want) << "  scanner:\n"
                << joined(got);
}

const std::string kHeader = "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n";
const std::string kBanner = std::string(27, '*') + "\n* S Y M B O L   T A B L E *\n" +
                            std::string(27, '*') + "\n";

// A few lines of known class, so that the reference cannot drift into agreeing with a
// scanner that finds nothing.
TEST(ReferenceScanner, ReferenceReadsKnownLines) {
  using test::fmt;
  const std::string loc = "001 C000 C3         START   JMP   INIT      COLD START";
  const std::string gap = "007 C00B 00" + blanks(39) + "NOP";
  const std::string label = "011" + blanks(17) + std::string(1, '\0') + "B";
  const std::string end = "014 C00F" + blanks(20) + "END";
  EXPECT_EQ(reference(loc + "\r\n" + gap + "\n" + label + "\n\n" + end),
            (std::vector<std::string>{fmt(CODELOC, loc, 1, "C3"), fmt(CODE, gap, 2, "00"),
                                      fmt(LABELSUP, label, 3, "00"),
                                      fmt(LIGNEVIDE, "\n", 5, "00")}));
  EXPECT_EQ(reference("007 C00B 00" + blanks(25) + "NOP\n"), std::vector<std::string>{});
  EXPECT_EQ(reference(kHeader + kBanner + "COLD   C000 LOOP   C003\n\nPAGE 02    \n"),
            (std::vector<std::string>{
                fmt(ENTETE1, "PAGE 01    KEZ FIRMWARE ", 1), fmt(SEGMENT, "0C000-0C7FF", 1),
                fmt(ENTETE2, "  V1.1", 1), fmt(SYMBOLTABLE, "COLD   C000", 5),
                fmt(SYMBOLTABLE, "LOOP   C003", 5), fmt(LIGNEVIDE, "\n", 7)}));
}

TEST(ReferenceScanner, SampleListingLineByLine) {
  std::ifstream f(std::string(ROMLIFT_EXAMPLES) + "/sample.lst", std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  const std::string sample = ss.str();
  ASSERT_FALSE(sample.empty());
  mismatches = 0;
  compare(sample, "whole sample");
  compare(sample, "whole sample, small reads and buffer", 7, 16);
  std::string crlf;
  for (char c : sample) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  compare(crlf, "whole sample, CR LF line ends", 3);
  std::istringstream lines(sample);
  for (std::string l; std::getline(lines, l);) {
    compare(kHeader + l + "\n", "sample line after a header");
    compare(kHeader + l, "sample line last, without newline");
    compare(kHeader + kBanner + l + "\n", "sample line inside a symbol table");
  }
  EXPECT_EQ(mismatches, 0);
}

// Fixed-seed generator, so a failing listing comes back on every run.
struct Gen {
  uint64_t s;
  size_t pick(size_t n) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return (s >> 33) % n;
  }
  bool chance(int pct) { return int(pick(100)) < pct; }
  std::string from(const std::string& set, size_t n) {
    std::string out;
    while (out.size() < n) out += set[pick(set.size())];
    return out;
  }
  // n blanks most of the time, else a few more or fewer.
  size_t near(long n) { return size_t(std::max(0L, chance(75) ? n : n + long(pick(7)) - 3)); }
};

const std::string kHex = "0123456789ABCDEF", kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kLower = "abcdefghijklmnopqrstuvwxyz", kDigits = "0123456789";

std::string number(Gen& g) { return g.from(kDigits, g.chance(95) ? 3 : 2 + 2 * g.pick(2)); }

// A code line with each field at or near its column, now and then a field of a wrong width.
std::string codeLine(Gen& g) {
  static const size_t oddObj[] = {1, 3, 5, 8};
  std::string s = number(g) + " " + g.from(kHex, 4) + " " +
                  g.from(kHex, g.chance(90) ? 2 + 2 * g.pick(3) : oddObj[g.pick(4)]);
  if (g.chance(50)) {
    s += blanks(g.chance(85) ? g.near(20 - long(s.size())) : 1 + g.pick(12));
    s += g.from(g.chance(95) ? kUpper + kLower : kDigits + "*", 1) +
         g.from(kUpper + kDigits + "_:", g.chance(90) ? g.pick(6) : 6 + g.pick(2));
    s += blanks(g.chance(90) ? std::max<size_t>(1, g.near(28 - long(s.size()))) : g.pick(2));
  } else {
    static const size_t gaps[][2] = {{12, 18}, {25, 27}, {34, 40}, {41, 48}};
    const auto& gap = gaps[g.pick(4)];
    s += blanks(g.chance(50) ? g.near(28 - long(s.size()))
                             : gap[0] + g.pick(gap[1] - gap[0] + 1));
  }
  s += g.from(g.chance(95) ? kUpper : kLower, g.chance(92) ? 2 + g.pick(3) : 1 + 4 * g.pick(2));
  const bool operand = g.chance(60);
  if (operand) {
    s += blanks(g.chance(85) ? g.near(34 - long(s.size())) : 1 + g.pick(6));
    s += g.from(kUpper + kDigits + ",'+H" + (g.chance(5) ? "\t" : ""),
                g.chance(90) ? 1 + g.pick(8) : 9 + g.pick(2));
  }
  if (g.chance(50)) {
    s += blanks(g.chance(80)  ? g.near(44 - long(s.size()))
                : operand     ? 1 + g.pick(10)
                              : 10 + g.pick(7));
    s += g.from(kUpper + " \t-*", 1 + g.pick(20));
  }
  if (g.chance(10)) s += blanks(g.pick(4));
  return s;
}

std::string range(Gen& g) {
  static const char* fixed[] = {"0C000-0C7FF", "C000-C7FF", "40000-4FFFF", "0C000-C7FF"};
  if (g.chance(70)) return fixed[g.pick(4)];
  auto bound = [&g] { return g.from("0123", g.pick(2)) + g.from(kHex, 3 + g.pick(3)); };
  return bound() + "-" + bound();
}

std::string header(Gen& g) {
  const std::string version = blanks(1 + g.pick(3)) + "V1.1";
  if (g.chance(25))
    return "PAGE " + std::string(1, "01"[g.pick(2)]) + g.from(kDigits, 1) +
           (g.chance(20) ? "    " : "    KEZ FIRMWARE " + range(g) + version);
  return "PAGE 01    KEZ FIRMWARE " +
         (g.chance(75) ? range(g) + version : version + blanks(g.pick(3)) + range(g)) +
         (g.chance(10) ? g.from(kUpper + " ", 4) : "");
}

std::string entries(Gen& g) {
  std::string s;
  for (size_t n = 1 + g.pick(4); n > 0; --n) {
    std::string label =
        g.from(g.chance(90) ? kUpper : kDigits + "*", 1) + g.from(kUpper, g.pick(6));
    size_t width = g.chance(85) ? 7 : 6 + 2 * g.pick(2);
    s += label + blanks(width > label.size() ? width - label.size() : 0) + g.from(kHex, 4);
    if (n > 1) s += blanks(g.chance(85) ? 1 : 2 * g.pick(2));
  }
  return s;
}

// Now and then one or two bytes put in, replaced or taken out.
std::string mutated(Gen& g, std::string s) {
  static const std::string kBytes = std::string("\t*-\r\x80 ") + '\0' + "aZ0\x1a";
  for (size_t n = g.chance(25) ? 1 + g.pick(2) : 0; n > 0; --n) {
    char c = kBytes[g.pick(kBytes.size() - (g.chance(90) ? 1 : 0))];
    size_t at = g.pick(s.size() + 1);
    switch (g.pick(3)) {
      case 0: s.insert(at, 1, c); break;
      case 1: if (at < s.size()) s[at] = c; break;
      default: if (at < s.size()) s.erase(at, 1);
    }
  }
  return s;
}

// One line of any kind (the banner: three); in a symbol table mostly entries.
std::string anyLine(Gen& g, bool table) {
  switch (g.pick(table ? 14 : 20)) {
    case 0: return "";
    case 1: return header(g);
    case 2: return number(g) + blanks(g.near(41)) + (g.chance(20) ? "\t" : "") +
                   g.from(g.chance(15) ? " \t" : kUpper + " \t*", 1 + g.pick(12));
    case 3: return number(g) + blanks(g.near(17)) + "* " + g.from(kUpper + " ", g.pick(12));
    case 4: return number(g) + blanks(g.near(17)) + g.from(kUpper + kDigits + " *", g.pick(8));
    case 5: return number(g) + blanks(g.near(25)) + "ORG" + blanks(g.near(3)) + ":C000";
    case 6:
      return number(g) + " " + g.from(kHex, 4) + blanks(g.near(20)) + "END" + blanks(g.pick(2));
    case 7: return number(g) + blanks(g.pick(5));
    case 8: return g.from(kUpper + kLower + " *\t", g.pick(30));
    case 9: return mutated(g, kBanner.substr(0, kBanner.size() - 1));
    default: return table && g.chance(80) ? entries(g) : codeLine(g);
  }
}

TEST(ReferenceScanner, GeneratedListings) {
  Gen g{20240611};
  mismatches = 0;
  size_t listings = 0, lines = 0;
  const size_t chunks[] = {0, 0, 0, 1, 2, 5, 13, 64};
  for (; listings < 4000; ++listings) {
    std::vector<std::string> ls;
    const size_t start = g.pick(4);
    if (start & 1)
      ls.push_back(mutated(g, g.chance(70) ? kHeader.substr(0, kHeader.size() - 1) : header(g)));
    if (start & 2) {
      std::istringstream b(kBanner);
      for (std::string l; std::getline(b, l);) ls.push_back(g.chance(90) ? l : mutated(g, l));
    }
    for (size_t n = 1 + g.pick(30); n > 0; --n) ls.push_back(mutated(g, anyLine(g, start & 2)));
    const std::string eol = g.chance(10) ? "\r\n" : "\n";
    std::string text;
    for (const auto& l : ls) text += l + eol;
    if (g.chance(20)) text.resize(text.size() - eol.size());
    if (g.chance(10)) text += std::string("\r\x1a\r\x1a" "A\n", 1 + g.pick(5));
    lines += ls.size();
    compare(text, "generated listing " + std::to_string(listings), chunks[g.pick(8)],
            g.chance(10) ? 16 + g.pick(48) : Scanner::kBufferSize);
  }
  EXPECT_EQ(mismatches, 0);
  std::cout << "compared " << listings << " listings, " << lines << " lines\n";
}

}  // namespace
}  // namespace romlift
