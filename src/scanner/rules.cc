#include "scanner/rules.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "scanner/line_view.h"
#include "scanner/token.h"

namespace romlift {
namespace {

constexpr uint64_t kBlanks = 0x2020202020202020ULL;
constexpr uint64_t kLows = 0x0101010101010101ULL;
constexpr uint64_t kHighs = 0x8080808080808080ULL;

uint64_t load8(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Index of the first byte that is set in mask (bytes of 0x80 or 0); little-endian order.
size_t firstByte(uint64_t mask) {
  return static_cast<size_t>(std::endian::native == std::endian::little ? std::countr_zero(mask)
                                                                        : std::countl_zero(mask)) / 8;
}

// Length of the run of blanks at s[i..n). Blank runs are the longest fields of a line, so
// they are skipped eight bytes at a time.
size_t blanksAt(const char* s, size_t i, size_t n) {
  size_t j = i;
  for (; j + 8 <= n; j += 8) {
    uint64_t other = load8(s + j) ^ kBlanks;  // zero bytes where there is a blank
    if (other != 0) {
      uint64_t nonBlank = (((other & ~kHighs) + ~kHighs) | other) & kHighs;
      return j - i + firstByte(nonBlank);
    }
  }
  while (j < n && s[j] == ' ') ++j;
  return j - i;
}

// Length of the run of non-blank characters at s[i..n); the line holds no newline.
size_t wordAt(const char* s, size_t i, size_t n) {
  size_t j = i;
  for (; j + 8 <= n; j += 8) {
    uint64_t x = load8(s + j) ^ kBlanks;
    uint64_t blank = (x - kLows) & ~x & kHighs;  // exact for the first blank
    if (blank != 0) return j - i + firstByte(blank);
  }
  while (j < n && s[j] != ' ') ++j;
  return j - i;
}

bool allBlank(const char* s, size_t from, size_t to) { return blanksAt(s, from, to) == to - from; }

// True when every one of the len bytes at s has the character class cls.
bool allOf(const char* s, size_t len, uint8_t cls) {
  for (size_t i = 0; i < len; ++i)
    if (!hasClass(s[i], cls)) return false;
  return true;
}

// A run of blanks that one or more runs of 13 to 17 blanks add up to.
bool isUnlabelledGap(size_t b) { return (b >= 13 && b <= 17) || (b >= 26 && b <= 34) || b >= 39; }

// The fields from the mnemonic on: `MNEMO ␣*`, `MNEMO ␣{2,4} OPERANDE ␣*`,
// `MNEMO ␣{2,4} OPERANDE ␣{2,9} REMARQUE` or `MNEMO ␣{12,14} REMARQUE`. Every field but the
// comment is followed by a blank in its pattern, so each one is a whole non-blank run.
template <typename Line>
int codeLineFromMnemonic(const Line& line, size_t i, bool labelled) {
  size_t n = line.size();
  size_t w = line.word(i);
  if (w < 2 || w > 4 || !line.all(i, w, kUpper)) return 0;
  i += w;
  size_t b = line.blanks(i);
  i += b;
  if (i == n) return labelled ? CODEL : CODE;
  if (b >= 12 && b <= 14) return labelled ? CODELC : CODEC;
  if (b < 2 || b > 4) return 0;
  w = line.word(i);
  if (w > kMaxOperand) return 0;
  i += w;
  b = line.blanks(i);
  i += b;
  if (i == n) return labelled ? CODELO : CODEO;
  if (b >= 2 && b <= 9) return labelled ? CODELOC : CODEOC;
  return 0;
}

// Number, address and object code at their columns, then either a label within nine blanks
// or one or more runs of 13 to 17 blanks before the mnemonic.
template <typename Line>
int codeLine(const Line& line) {
  size_t n = line.size();
  if (n <= col::kObject || !line.all(0, kNumberWidth, kDigit) || line.at(kNumberWidth) != ' ' ||
      !line.all(col::kAddress, kAddressWidth, kHex) || line.at(col::kObject - 1) != ' ')
    return 0;
  size_t i = col::kObject;
  size_t w = line.word(i);
  if ((w != 2 && w != 4 && w != 6) || !line.all(i, w, kHex)) return 0;
  i += w;
  size_t b = line.blanks(i);
  i += b;
  if (i == n) return 0;
  if (b >= 1 && b <= 9) {
    w = line.word(i);
    if (w > kMaxLabel || !isLetter(line.at(i))) return 0;
    i += w;
    b = line.blanks(i);
    if (b == 0 || i + b == n) return 0;
    return codeLineFromMnemonic(line, i + b, true);
  }
  if (isUnlabelledGap(b)) return codeLineFromMnemonic(line, i, false);
  return 0;
}

bool isNumber(const char* s, size_t n) { return n >= kNumberWidth && allOf(s, kNumberWidth, kDigit); }

// Line classes of numbered lines that need the newline after them; 0 when none fits.
int matchNumberedWhole(const char* s, size_t n) {
  if (n > col::kAddress && s[col::kAddress] != ' ') {
    // An address: a code line or an END line.
    if (int t = matchCodeLine({s, n})) return t;
    if (n == col::kMnemonic + 3 && s[kNumberWidth] == ' ' && allOf(s + col::kAddress, kAddressWidth, kHex) &&
        allBlank(s, col::kAddress + kAddressWidth, col::kMnemonic) && std::memcmp(s + col::kMnemonic, "END", 3) == 0)
      return END;
    return 0;
  }
  if (n > col::kComment && allBlank(s, kNumberWidth, col::kComment)) {
    for (size_t i = col::kComment; i < n; ++i)
      if (s[i] != ' ' && s[i] != '\t') return COM2;
  }
  if (n >= col::kLabel + 2 && n <= col::kLabel + kMaxLabel && allBlank(s, kNumberWidth, col::kLabel) &&
      s[col::kLabel] != '*' && s[col::kLabel] != ' ')
    return LABELSUP;
  if (allBlank(s, kNumberWidth, n)) return NUMLINEVIDE;
  return 0;
}

// Numbered line classes that take the rest of the line and need no newline after it.
int matchNumberedOpen(const char* s, size_t n) {
  if (n > col::kLabel && allBlank(s, kNumberWidth, col::kLabel) && s[col::kLabel] == '*') return COM1;
  if (n > col::kOperand && allBlank(s, kNumberWidth, col::kMnemonic) &&
      std::memcmp(s + col::kMnemonic, "ORG   :", 7) == 0)
    return ORG;
  return 0;
}

// A header of pages 02 to 99: "PAGE " and the page number, then anything.
bool isLaterPageHeader(const char* s, size_t n) {
  if (n < 7 || std::memcmp(s, "PAGE ", 5) != 0) return false;
  char tens = s[5], units = s[6];
  if (tens == '0') return units >= '2' && units <= '9';
  return tens >= '1' && tens <= '9' && isDigit(units);
}

}  // namespace

size_t ByteLine::blanks(size_t i) const { return blanksAt(s_, i, n_); }
size_t ByteLine::word(size_t i) const { return wordAt(s_, i, n_); }

namespace {

// Most numbered lines that are not code lines fail this, before any mask is built.
bool mayBeCodeLine(const char* s, size_t n) {
  return n > col::kObject && s[kNumberWidth] == ' ' && s[col::kAddress] != ' ' && s[col::kObject - 1] == ' ';
}

}  // namespace

int matchCodeLine(PaddedText line) {
  if (!mayBeCodeLine(line.text, line.len)) return 0;
  if (line.len <= MaskedLine::kMaxSize) return codeLine(MaskedLine(line));
  return codeLine(ByteLine(line.text, line.len));
}

int matchCodeLineByBytes(const char* s, size_t n) { return codeLine(ByteLine(s, n)); }

LineMatch matchLineStart(PaddedText line, bool nl, Mode mode) {
  const char* s = line.text;
  size_t n = line.len;
  if (n == 0) return {};
  bool symbols = mode == Mode::TABLESYMB;
  if (isNumber(s, n)) {
    // A row that needs the newline counts it, so it outruns any row that takes the line alone.
    if (nl) {
      if (int t = matchNumberedWhole(s, n)) return {t, n};
    }
    if (int t = matchNumberedOpen(s, n)) return {t, n};
    return {};
  }
  if (n >= kFirstPageHeaderLen && std::memcmp(s, kFirstPageHeader, kFirstPageHeaderLen) == 0)
    return {ENTETE1, kFirstPageHeaderLen};
  if (symbols) {
    // A later-page header takes the whole line; it wins a tie with an 11-character entry.
    if (isLaterPageHeader(s, n)) return {0, n};
    if (isLetter(s[0]) && n >= kSymbolEntryWidth) return {SYMBOLTABLE, kSymbolEntryWidth};
  }
  return {};
}

namespace {

template <typename Line>
CodeFields fieldsOf(const Line& line, const char* s, size_t n, int token) {
  CodeFields f;
  auto take = [&](size_t& i) {
    i += line.blanks(i);
    size_t w = line.word(i);
    std::string_view word(s + i, w);
    i += w;
    return word;
  };
  size_t i = col::kObject + line.word(col::kObject);
  bool labelled = token == CODEL || token == CODELO || token == CODELC || token == CODELOC;
  bool operand = token == CODEO || token == CODEOC || token == CODELO || token == CODELOC;
  bool comment = token == CODEC || token == CODEOC || token == CODELC || token == CODELOC;
  if (labelled) f.label = take(i);
  f.mnemonic = take(i);
  if (operand) f.operand = take(i);
  if (comment) {
    i += line.blanks(i);
    f.comment = std::string_view(s + i, n - i);
  }
  return f;
}

}  // namespace

CodeFields codeFields(const char* s, size_t n, int token) { return fieldsOf(ByteLine(s, n), s, n, token); }

CodeFields codeFields(PaddedText line, int token) {
  if (line.len <= MaskedLine::kMaxSize) return fieldsOf(MaskedLine(line), line.text, line.len, token);
  return codeFields(line.text, line.len, token);
}

size_t matchSegmentRange(const char* s, size_t n) {
  // One bound: an optional 0-3 lead digit and four hex digits; the longest that fits.
  auto bound = [](const char* p, size_t avail, bool dashAfter) -> size_t {
    for (size_t len : {size_t{5}, size_t{4}}) {
      if (avail < len + (dashAfter ? 1 : 0)) continue;
      if (len == 5 && !isZeroToThree(p[0])) continue;
      if (!allOf(p + len - 4, 4, kHex)) continue;
      if (dashAfter && p[len] != '-') continue;
      return len;
    }
    return 0;
  };
  size_t first = bound(s, n, true);
  if (first == 0) return 0;
  size_t second = bound(s + first + 1, n - first - 1, false);
  return second == 0 ? 0 : first + 1 + second;
}

bool isBannerStars(const char* s, size_t n) {
  if (n != kBannerWidth) return false;
  for (size_t i = 0; i < n; ++i)
    if (s[i] != '*') return false;
  return true;
}

}  // namespace romlift
