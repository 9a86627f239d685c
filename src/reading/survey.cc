#include "reading/survey.h"

#include <algorithm>

#include "reading/glyphs.h"
#include "reading/words.h"

namespace romlift::reading {
namespace {

constexpr int kHeaderWordsLimit = 12;  // PAGE and KEZ FIRMWARE read with this much damage at most
constexpr int kTitleLimit = 14;        // the banner's title, the same
constexpr size_t kPageNumberFrom = 4, kPageNumberTo = 10;
constexpr size_t kRangeFrom = 21, kRangeTo = 37;
constexpr size_t kMaxNumberColumn = 3;  // a line number read a column or two to the right

// The characters of line from column `from` to `to`, blanks and marks out.
std::string packed(const std::vector<Word>& words, size_t from, size_t to) {
  std::string out;
  for (const Word& w : words) {
    if (w.column < from || w.column >= to || isSpeckWord(w.text)) continue;
    for (char c : w.text)
      if (!isSpeck(c) || c == '-') out += c;
  }
  return out;
}

bool digitLike(char c) { return !readingsOf(c, Alphabet::Digit).empty() && readingsOf(c, Alphabet::Digit)[0].cost <= kUsual; }

bool looksNumbered(const std::vector<Word>& words) {
  for (size_t k = 0; k < words.size(); ++k) {
    const Word& w = words[k];
    if (isSpeckWord(w.text)) continue;
    if (w.column > kMaxNumberColumn) return false;
    size_t n = std::min<size_t>(w.text.size(), 3);
    size_t digits = static_cast<size_t>(std::count_if(w.text.begin(), w.text.begin() + static_cast<std::ptrdiff_t>(n), digitLike));
    // A number read with no digit in it, or one that lost a digit or two, only with an address
    // after it, where addresses stand.
    bool address = k + 1 < words.size() && words[k + 1].column >= 3 && words[k + 1].column <= 6 &&
                   words[k + 1].text.size() >= 4;
    bool someDigit = std::any_of(w.text.begin(), w.text.begin() + static_cast<std::ptrdiff_t>(n), [](char c) {
      return c >= '0' && c <= '9';
    });
    if (n == 3 || w.text.size() > 3) return digits >= 2 && (someDigit || address);
    return digits == n && n > 0 && address;
  }
  return false;
}

}  // namespace

int numberCost(int value, size_t width, std::string_view read) {
  char printed[4] = {};
  for (size_t i = width; i-- > 0; value /= 10) printed[i] = static_cast<char>('0' + value % 10);
  return fieldCost(std::string_view(printed, width), read, kNever - 1);
}

int readNumber(std::string_view read) {
  int value = 0;
  if (read.empty()) return -1;
  for (char c : read) {
    std::span<const Glyph> r = readingsOf(c, Alphabet::Digit);
    if (r.empty()) return -1;
    value = value * 10 + (r[0].c - '0');
  }
  return value;
}

std::vector<RangeReading> rangeReadings(std::string_view read, size_t max) {
  // Each bound: an optional digit 0-3, then four hex digits; the two joined by a dash.
  size_t dash = read.find('-');
  if (dash == std::string_view::npos) return {};
  std::vector<RangeReading> out{{"", 0}};
  auto extend = [&](std::string_view bound) {
    if (bound.size() < 4 || bound.size() > 5) {
      out.clear();
      return;
    }
    for (size_t i = 0; i < bound.size(); ++i) {
      std::vector<RangeReading> next;
      for (const RangeReading& r : out) {
        for (const Glyph& c : readingsOf(bound[i], Alphabet::Hex)) {
          if (bound.size() == 5 && i == 0 && (c.c < '0' || c.c > '3')) continue;
          next.push_back({r.range + c.c, r.cost + c.cost});
        }
      }
      std::stable_sort(next.begin(), next.end(), [](const auto& a, const auto& b) { return a.cost < b.cost; });
      if (next.size() > max) next.resize(max);
      out = std::move(next);
    }
  };
  extend(read.substr(0, dash));
  for (RangeReading& r : out) r.range += '-';
  extend(read.substr(dash + 1));
  return out;
}

Surveyed survey(std::string_view line) {
  Surveyed s;
  // A tab stands for blanks up to a column nobody can tell: such a line is left to the
  // corrections that try each, but for a header whose range stands whole before its tab.
  if (size_t tab = line.find('\t'); tab != std::string_view::npos) {
    Surveyed before = survey(line.substr(0, tab));
    bool whole = before.shape == Shape::Header && before.range.size() == 11 && before.range[5] == '-';
    return whole ? before : s;
  }
  // Most lines start with their number as printed: nothing else to look at.
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (line.size() >= 3 && digit(line[0]) && digit(line[1]) && digit(line[2]) && (line.size() == 3 || line[3] == ' ')) {
    s.shape = Shape::Numbered;
    return s;
  }
  std::vector<Word> words = wordsOf(line);
  if (words.empty()) {
    s.shape = Shape::Empty;
    return s;
  }
  std::string head = packed(words, 0, 8), name = packed(words, 8, 24);
  int pageCost = channelCostWithin("PAGE", head, kHeaderWordsLimit);
  int nameCost = channelCostWithin("KEZFIRMWARE", name, kHeaderWordsLimit);
  if (pageCost + nameCost <= kHeaderWordsLimit) {
    s.shape = Shape::Header;
    s.pageText = packed(words, kPageNumberFrom, kPageNumberTo);
    if (s.pageText.size() == 2) s.page = readNumber(s.pageText);
    // The range: the word with the dash between its bounds, or else the longest.
    for (const Word& w : words)
      if (w.column >= kRangeFrom - 1 && w.column < kRangeTo && (w.text.find('-') != std::string::npos || w.text.size() > s.range.size()))
        if (s.range.find('-') == std::string::npos) s.range = packed({w}, 0, kRangeTo);
    return s;
  }
  std::string all = packed(words, 0, line.size() + 1);
  if (channelCostWithin("SYMBOLTABLE", all, kTitleLimit) <= kTitleLimit && all.size() < 24) {
    s.shape = Shape::Title;
    return s;
  }
  if (looksNumbered(words)) s.shape = Shape::Numbered;
  return s;
}

}  // namespace romlift::reading
