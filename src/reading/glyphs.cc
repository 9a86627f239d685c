#include "reading/glyphs.h"

#include <algorithm>
#include <array>
#include <vector>

namespace romlift::reading {
namespace {

// Characters OCR reads one for another: the printed one of each pair may be read as the
// other, either way round. Any other printable character read for a printed one costs kOther.
struct Confusion {
  std::string_view group;
  Cost cost;
};
constexpr Confusion kConfusions[] = {
    {"0O", kFrequent}, {"0Q", kUsual},    {"OQ", kUsual},    {"1I", kFrequent}, {"1l", kFrequent}, {"Il", kFrequent},
    {"1|", kFrequent}, {"I|", kFrequent}, {"l|", kFrequent}, {"1i", kFrequent}, {"0@", kUsual},    {"5S", kUsual},
    {"8B", kRare},     {"8S", kRare},     {"3S", kRare},     {"2Z", kUsual},    {"6G", kRare},     {"6b", kRare},
    {"EF", kRare},     {"BE", kRare},     {"IJ", kUsual},    {"1J", kRare},     {"7T", kRare},     {"1T", kRare},
    {"1t", kRare},     {"S$", kUsual},    {"5$", kRare},     {"8$", kRare},     {"0D", kRare},     {"OD", kRare},
    {"86", kRare},     {"CG", kRare},     {"C0", kRare},     {"14", kRare},     {"1A", kRare},     {"4A", kRare},
    {"1L", kRare},     {"IL", kRare},     {"17", kRare},     {"7I", kRare},     {"38", kRare},     {"35", kRare},
    {"3B", kRare},     {"9g", kRare},     {"9q", kRare},     {"9S", kRare},     {"9Y", kRare},     {"9o", kRare},
    {"UV", kRare},     {"MN", kRare},     {"HN", kRare},     {"56", kRare},     {"59", kRare},     {"DB", kRare},
    {"PF", kRare},     {"RB", kRare},     {"KX", kRare},     {",.", kUsual},    {":;", kUsual},    {":.", kRare},
    {"'`", kUsual},    {"',", kRare},     {"-_", kUsual},    {"-~", kRare},     {"'\"", kUsual},   {"'!", kUsual},
    {"DQ", kRare},
};

// The confusions OCR makes far more often one way than the other: the printed character,
// what it is read as, and the cost of that reading.
struct Directed {
  char printed;
  std::string_view read;
  Cost cost;
};
constexpr Directed kDirected[] = {
    {'0', "O", kFrequent}, {'1', "ilI", kFrequent}, {'5', "S", kUsual},    {'3', "S5", kUsual},  {'4', "A", kUsual},
    {'F', "ErP", kUsual},  {'E', "B", kUsual},      {'B', "8", kUsual},    {'8', "S6s", kUsual}, {'7', "/1T", kUsual},
    {'1', "tT", kUsual},   {'2', "Z", kUsual},      {'3', "8", kUsual},    {'C', "G", kUsual},   {'$', "S", kUsual},
    {'*', "KX", kUsual},   {'9', "SoOY", kRare},    {'5', "o9", kRare},    {'7', "i?]I", kRare}, {'C', "e0(", kRare},
    {'E', "RH8h", kRare},  {'D', "pb)", kRare},     {'8', "e", kRare},     {'L', "E", kRare},    {'F', "Bb6", kRare},
    {'6', "o", kRare},     {'1', "L4", kRare},      {'4', "a", kRare},     {'3', "2Bs", kRare},  {'H', "8", kRare},
    {'I', "Tr", kRare},    {'T', "Il", kRare},      {':', "7", kRare},     {'\'', "1", kRare},   {'J', "I", kUsual},
};

constexpr std::string_view kSpeckMarks = ".,'`:;-_~=^\"!|)(";

class Table {
 public:
  Table() {
    for (auto& row : cost_) row.fill(kNever);
    for (int printed = 0x21; printed < 0x7F; ++printed)
      for (int read = 0x21; read < 0x7F; ++read) cost_[printed][read] = kOther;
    for (int c = 0; c < 256; ++c) cost_[c][c] = 0;
    for (const Confusion& k : kConfusions) {
      auto a = static_cast<unsigned char>(k.group[0]), b = static_cast<unsigned char>(k.group[1]);
      cost_[a][b] = std::min(cost_[a][b], k.cost);
      cost_[b][a] = std::min(cost_[b][a], k.cost);
    }
    for (const Directed& d : kDirected)
      for (char r : d.read) {
        Cost& c = cost_[static_cast<unsigned char>(d.printed)][static_cast<unsigned char>(r)];
        c = std::min(c, d.cost);
      }
    // A letter read in lower case, or a look-alike of it read in lower case.
    for (int printed = 0; printed < 256; ++printed) {
      for (int read = 'a'; read <= 'z'; ++read) {
        Cost viaUpper = cost_[printed][read - 'a' + 'A'];
        if (viaUpper < kNever) cost_[printed][read] = std::min(cost_[printed][read], viaUpper + kLowerCase);
      }
    }
    // A printed character too faint to read leaves a blank; a speck on a blank leaves a mark,
    // and anything else read there was never printed.
    for (int c = 0x21; c < 0x7F; ++c) {
      cost_[c][' '] = kSpeckMarks.find(static_cast<char>(c)) == std::string_view::npos ? kLost : kSpeck;
      cost_[' '][c] = kExtra;
    }
    for (char m : kSpeckMarks) cost_[' '][static_cast<unsigned char>(m)] = kSpeck;
    for (int a = 0; a < kAlphabets; ++a) {
      for (int read = 0; read < 256; ++read) {
        std::vector<Glyph>& out = readings_[a][read];
        for (int printed = 0; printed < 256; ++printed) {
          Cost c = cost_[printed][read];
          if (c < kOther && printed != ' ' && holds(static_cast<Alphabet>(a), static_cast<char>(printed)))
            out.push_back({static_cast<char>(printed), static_cast<uint8_t>(c)});
        }
        std::stable_sort(out.begin(), out.end(), [](const Glyph& x, const Glyph& y) { return x.cost < y.cost; });
      }
    }
  }

  Cost cost(char printed, char read) const {
    return cost_[static_cast<unsigned char>(printed)][static_cast<unsigned char>(read)];
  }
  std::span<const Glyph> readings(char read, Alphabet a) const {
    return readings_[static_cast<size_t>(a)][static_cast<unsigned char>(read)];
  }

 private:
  static constexpr int kAlphabets = 5;
  std::array<std::array<Cost, 256>, 256> cost_;
  std::array<std::array<std::vector<Glyph>, 256>, kAlphabets> readings_;
};

const Table& table() {
  static const Table t;
  return t;
}

}  // namespace

bool holds(Alphabet a, char c) {
  auto u = static_cast<unsigned char>(c);
  bool digit = c >= '0' && c <= '9';
  bool upper = c >= 'A' && c <= 'Z';
  switch (a) {
    case Alphabet::Digit: return digit;
    case Alphabet::Hex: return digit || (c >= 'A' && c <= 'F');
    case Alphabet::Upper: return upper;
    case Alphabet::Name: return digit || upper || c == '?' || c == '@' || c == '_' || c == '$';
    case Alphabet::Text: return u >= 0x20 && u < 0x7F;
  }
  return false;
}

Cost misreadCost(char printed, char read) { return table().cost(printed, read); }

std::span<const Glyph> readingsOf(char read, Alphabet a) { return table().readings(read, a); }

bool isSpeck(char c) {
  static const std::array<bool, 256> kTable = [] {
    std::array<bool, 256> t{};
    for (int u = 0; u < 256; ++u) t[u] = u < 0x20 || u >= 0x7F;
    for (char m : kSpeckMarks) t[static_cast<unsigned char>(m)] = true;
    return t;
  }();
  return kTable[static_cast<unsigned char>(c)];
}

namespace {

Cost added(char c) { return c == ' ' ? kShift : isSpeck(c) ? kSpeck : kExtra; }
Cost lost(char c) { return c == ' ' ? kShift : isSpeck(c) ? kSpeck : kLost; }

// The weighted edit distance of printed and read; with `within`, read's characters before and
// after the match cost nothing.
// within: what stands before and after the match costs nothing; prefix: what stands after it.
Cost align(std::string_view printed, std::string_view read, Cost limit, bool within, bool strict, bool prefix = false) {
  constexpr size_t kMax = 160;
  if (printed.size() > kMax || read.size() > kMax) return kNever;
  // row[j]: the cost of printed[0, i) read as read[0, j). Only the first read.size() + 1 cells
  // are used: the arrays are left uninitialised beyond them, and swapped rather than copied.
  std::array<Cost, kMax + 1> a, b;
  Cost* row = a.data();
  Cost* next = b.data();
  row[0] = 0;
  for (size_t j = 1; j <= read.size(); ++j) row[j] = within ? 0 : std::min(kNever, row[j - 1] + added(read[j - 1]));
  for (size_t i = 1; i <= printed.size(); ++i) {
    Cost gone = lost(printed[i - 1]);
    next[0] = std::min(kNever, row[0] + gone);
    Cost best = next[0];
    for (size_t j = 1; j <= read.size(); ++j) {
      Cost m = misreadCost(printed[i - 1], read[j - 1]);
      if (strict && m >= kOther) m = kNever;
      Cost c = std::min({row[j - 1] + m, row[j] + gone, next[j - 1] + added(read[j - 1])});
      next[j] = std::min(c, kNever);
      best = std::min(best, next[j]);
    }
    if (best > limit) return kNever;
    std::swap(row, next);
  }
  Cost result = row[read.size()];
  if (within || prefix) result = *std::min_element(row, row + read.size() + 1);
  return result > limit ? kNever : result;
}

}  // namespace

Cost channelCost(std::string_view printed, std::string_view read, Cost limit) {
  return align(printed, read, limit, false, false);
}

Cost prefixCost(std::string_view printed, std::string_view read, Cost limit) {
  return align(printed, read, limit, false, true, true);
}

Cost lookAlikeCost(std::string_view printed, std::string_view read, Cost limit) {
  return align(printed, read, limit, false, true);
}

Cost fieldCost(std::string_view printed, std::string_view read, Cost limit) {
  if (printed.size() != read.size()) return lookAlikeCost(printed, read, limit);
  Cost total = 0;
  for (size_t i = 0; i < printed.size() && total <= limit; ++i) {
    Cost c = misreadCost(printed[i], read[i]);
    total += c >= kOther ? kNever : c;
  }
  return total > limit ? kNever : total;
}

Cost channelCostWithin(std::string_view printed, std::string_view read, Cost limit) {
  return align(printed, read, limit, true, false);
}

}  // namespace romlift::reading
