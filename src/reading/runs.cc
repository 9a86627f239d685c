#include "reading/runs.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "reading/glyphs.h"

namespace romlift::reading {
namespace {

constexpr Cost kCap = 8;     // a field read as nothing like the value costs this, whatever the value
constexpr Cost kBreak = 12;  // the run breaks: a line lost, a hole left, a length misjudged
constexpr size_t kReadingsPerField = 2;
constexpr size_t kRestartWitnesses = 2;  // fields after the first lines of an ORG's run that fit

// The value's digits, as many as the field has, in `text`: this runs for every base and line
// of a run, so it makes no string.
std::string_view format(unsigned value, const RunShape& shape, std::array<char, 8>& text) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  unsigned radix = shape.hex ? 16 : 10;
  size_t width = std::min(shape.width, text.size());
  for (size_t i = width; i-- > 0; value /= radix) text[i] = kDigits[value % radix];
  return std::string_view(text.data(), width);
}

// The cheapest readings of a field as a value.
std::vector<unsigned> readings(std::string_view read, const RunShape& shape) {
  std::string packed;
  for (char c : read)
    if (c != ' ' && !isSpeck(c)) packed += c;
  if (packed.size() != shape.width) return {};
  std::vector<std::pair<unsigned, Cost>> beam{{0, 0}};
  Alphabet a = shape.hex ? Alphabet::Hex : Alphabet::Digit;
  for (char c : packed) {
    std::vector<std::pair<unsigned, Cost>> next;
    for (const Glyph& g : readingsOf(c, a)) {
      unsigned digit = g.c <= '9' ? static_cast<unsigned>(g.c - '0') : static_cast<unsigned>(g.c - 'A' + 10);
      for (auto [v, cost] : beam) next.push_back({v * (shape.hex ? 16 : 10) + digit, cost + g.cost});
    }
    std::stable_sort(next.begin(), next.end(), [](const auto& x, const auto& y) { return x.second < y.second; });
    if (next.size() > 4 * kReadingsPerField) next.resize(4 * kReadingsPerField);
    beam = std::move(next);
  }
  std::vector<unsigned> out;
  for (size_t i = 0; i < beam.size() && i < kReadingsPerField; ++i) out.push_back(beam[i].first % shape.modulus);
  return out;
}

// A field read as digits of its kind, as many as it has: a value of its own.
bool clear(std::string_view read, const RunShape& shape) {
  std::string packed;
  for (char c : read)
    if (c != ' ' && !isSpeck(c)) packed += c;
  Alphabet a = shape.hex ? Alphabet::Hex : Alphabet::Digit;
  return packed.size() == shape.width && std::all_of(packed.begin(), packed.end(), [a](char c) { return holds(a, c); });
}

}  // namespace

std::vector<std::optional<unsigned>> readRun(const std::vector<RunField>& fields, const RunShape& shape,
                                             std::optional<unsigned> firstValue) {
  size_t n = fields.size();
  std::vector<std::optional<unsigned>> out(n);
  if (n == 0) return out;
  // Where each line stands in its stretch of known steps, and where each stretch starts.
  std::vector<unsigned> pos(n);
  std::vector<size_t> stretch(n);
  for (size_t j = 0; j < n; ++j) {
    bool starts = j == 0 || fields[j].restart || fields[j - 1].step < 0;
    stretch[j] = starts ? j : stretch[j - 1];
    pos[j] = starts ? 0 : (pos[j - 1] + static_cast<unsigned>(fields[j - 1].step)) % shape.modulus;
  }
  // A field read clearly as nothing like the value says a line was lost before it as much as a
  // break does: it costs as much, so that the run breaks there rather than carry the lines
  // after it onto values they were not printed with. Not an ORG's own field: nothing is lost
  // before it.
  std::vector<bool> clearField(n);
  for (size_t j = 0; j < n; ++j)
    clearField[j] = !fields[j].runOn && !fields[j].restart && !fields[j].damaged && clear(fields[j].read, shape);
  auto cost = [&](unsigned value, size_t j) {
    std::array<char, 8> digits;
    std::string_view printed = format(value, shape, digits);
    Cost c = fields[j].runOn ? prefixCost(printed, fields[j].read, kCap) : fieldCost(printed, fields[j].read, kCap);
    return c >= kCap && clearField[j] ? kBreak : std::min(c, kCap);
  };
  constexpr Cost kInf = std::numeric_limits<Cost>::max() / 4;
  std::vector<Cost> best(n, kInf);
  std::vector<unsigned> bestBase(n);
  std::vector<size_t> bestStart(n);
  for (size_t s = 0; s < n;) {
    size_t e = s + 1;
    while (e < n && stretch[e] == s) ++e;
    std::vector<unsigned> bases;
    if (s == 0 && firstValue) bases.push_back(*firstValue);
    for (size_t j = s; j < e; ++j) {
      if (fields[j].runOn) continue;
      // A field read clearly proposes its own value alone: were it misread, the fields around
      // it that were not propose the run's value.
      std::vector<unsigned> values = readings(fields[j].read, shape);
      if (clear(fields[j].read, shape) && values.size() > 1) values.resize(1);
      for (unsigned r : values) bases.push_back((r + shape.modulus - pos[j]) % shape.modulus);
    }
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    if (bases.empty()) bases.push_back(0);
    // Line by line, each base's cheapest stretch ending here, started fresh or carried on.
    std::vector<Cost> run(bases.size(), kInf);
    std::vector<size_t> start(bases.size(), s);
    for (size_t j = s; j < e; ++j) {
      Cost fresh = (j == 0 ? 0 : best[j - 1]) + (j == s ? 0 : kBreak);
      for (size_t k = 0; k < bases.size(); ++k) {
        if (fresh <= run[k]) {
          run[k] = fresh;
          start[k] = j;
        }
        run[k] += cost((bases[k] + pos[j]) % shape.modulus, j);
        if (run[k] < best[j]) {
          best[j] = run[k];
          bestBase[j] = bases[k];
          bestStart[j] = start[k];
        }
      }
    }
    s = e;
  }
  // Back from the end, one stretch of values that follow on at a time.
  for (size_t j = n; j-- > 0;) {
    unsigned b = bestBase[j];
    size_t s = bestStart[j];
    bool seen = false;
    std::vector<bool> before(j - s + 1);
    std::vector<Cost> costs(j - s + 1);
    size_t fitting = 0;
    for (size_t k = s; k <= j; ++k) {
      costs[k - s] = cost((b + pos[k]) % shape.modulus, k);
      before[k - s] = seen;
      seen = seen || costs[k - s] < kCap;
      fitting += costs[k - s] < kCap ? 1 : 0;
    }
    size_t after = 0;
    for (size_t k = j + 1; k-- > s;) {
      unsigned v = (b + pos[k]) % shape.modulus;
      Cost c = costs[k - s];
      bool fits = c < kCap;
      // A field read as nothing like its value takes it only between two that fit it, and not
      // when it reads clearly as another value (a line lost before it, not a misreading); a
      // field alone in its stretch only when it reads as its value nearly as printed. Where the
      // run starts again (an ORG), nothing is lost before the first lines: two that fit after
      // them are enough.
      bool held = before[k - s] ? after > 0 : fields[s].restart && after >= kRestartWitnesses;
      if ((fits && (fitting > 1 || c <= kFrequent)) ||
          (held && (fields[k].runOn || fields[k].damaged || !clear(fields[k].read, shape))))
        out[k] = v;
      after += fits ? 1 : 0;
    }
    j = s;
    if (j == 0) break;
  }
  return out;
}

}  // namespace romlift::reading
