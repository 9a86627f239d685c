#include "fix_scoring.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <set>

namespace romlift::bench::ocr {
namespace {

constexpr size_t kFieldsEnd = 44;        // the fields are columns 0 to 43, the comment follows
constexpr size_t kAnchor = 3;            // lines that must agree for the pairing to go on
constexpr size_t kReach = 64;            // how many lines either side may have put in or left out
constexpr size_t kMaxPairing = 1 << 16;  // line pairs compared inside one hunk at the most

// The fields without the blanks after them: a line restored without its comment has them right.
std::string_view fields(std::string_view line) {
  std::string_view f = line.substr(0, std::min(line.size(), kFieldsEnd));
  return f.substr(0, f.find_last_not_of(' ') + 1);
}

// A code line's number, address and object code.
std::string_view codePrefix(std::string_view line) {
  std::string_view head = line.substr(0, std::min<size_t>(line.size(), 15));
  return head.substr(0, head.find_last_not_of(' ') + 1);
}

// Lines a[x..] and b[y..] agree for kAnchor lines, or up to the ends of both.
bool agree(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b, size_t x, size_t y) {
  if (x > a.size() || y > b.size()) return false;
  for (size_t k = 0; k < kAnchor; ++k) {
    if (x + k == a.size() || y + k == b.size()) return x + k == a.size() && y + k == b.size();
    if (a[x + k] != b[y + k]) return false;
  }
  return true;
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::string_view tail;
  std::vector<std::string_view> lines = splitLines(text, tail);
  if (!tail.empty()) lines.push_back(tail);
  return lines;
}

// A run of lines that the pairing leaves without partner: a[a0, a1) became b[b0, b1).
struct Hunk {
  size_t a0, a1, b0, b1;
  bool onRecord = false;  // some damaged place lies in it
};

std::vector<Hunk> hunksOf(const std::vector<size_t>& match, size_t bSize) {
  std::vector<Hunk> hunks;
  size_t pi = 0, pj = 0;  // the first lines of a and b after the last pair
  for (size_t i = 0; i <= match.size(); ++i) {
    if (i < match.size() && match[i] == kUnmatched) continue;
    size_t j = i == match.size() ? bSize : match[i];
    if (i > pi || j > pj) hunks.push_back({pi, i, pj, j});
    pi = i + 1;
    pj = j + 1;
  }
  return hunks;
}

// Where a damaged place lies in the damaged text: lines [f, f + count). Lines lost at one
// place can be put back anywhere among the lines around it that equal one of them, with the
// same text as a result: their place reaches from line f to line to of those.
struct Place {
  size_t f, count, to;
};

Place placeOf(const std::vector<Record>& truth, size_t k, const std::vector<std::string_view>& d) {
  const Record& r = truth[k];
  Place p{r.first - 1, r.count, r.first - 1};
  if (r.count != 0) return p;
  auto lostHere = [&](std::string_view line) {
    for (size_t j = k; j-- > 0 && truth[j].count == 0 && truth[j].first == r.first;)
      if (truth[j].originals[0] == line) return true;
    for (size_t j = k; j < truth.size() && truth[j].count == 0 && truth[j].first == r.first; ++j)
      if (truth[j].originals[0] == line) return true;
    return false;
  };
  while (p.f > 0 && lostHere(d[p.f - 1])) --p.f;
  while (p.to < d.size() && lostHere(d[p.to])) ++p.to;
  return p;
}

// Pairs the equal lines inside a hunk, as many as can be in order: a few lines that agree
// between damaged places are too few to pick the pairing up again.
void pairWithin(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b, const Hunk& h,
                std::vector<size_t>& match) {
  size_t n = h.a1 - h.a0, m = h.b1 - h.b0;
  if (n == 0 || m == 0 || n * m > kMaxPairing) return;
  // common[x][y]: the most pairs in a[a0 + x, a1) and b[b0 + y, b1).
  std::vector<uint32_t> common((n + 1) * (m + 1), 0);
  auto at = [m](size_t x, size_t y) { return x * (m + 1) + y; };
  for (size_t x = n; x-- > 0;) {
    for (size_t y = m; y-- > 0;) {
      common[at(x, y)] = a[h.a0 + x] == b[h.b0 + y] ? common[at(x + 1, y + 1)] + 1
                                                    : std::max(common[at(x + 1, y)], common[at(x, y + 1)]);
    }
  }
  for (size_t x = 0, y = 0; x < n && y < m;) {
    if (a[h.a0 + x] == b[h.b0 + y]) {
      match[h.a0 + x++] = h.b0 + y++;
    } else if (common[at(x + 1, y + 1)] == common[at(x, y)]) {  // a line changed in place
      ++x;
      ++y;
    } else if (common[at(x + 1, y)] >= common[at(x, y + 1)]) {
      ++x;
    } else {
      ++y;
    }
  }
}

}  // namespace

std::vector<size_t> matchLines(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  std::vector<size_t> match(a.size(), kUnmatched);
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i] == b[j]) {
      match[i++] = j++;
      continue;
    }
    bool found = false;
    for (size_t s = 1; s <= 2 * kReach && !found; ++s) {  // the nearest place first
      for (size_t di = s > kReach ? s - kReach : 0; di <= std::min(s, kReach) && !found; ++di) {
        if (agree(a, b, i + di, j + s - di)) {
          i += di;
          j += s - di;
          found = true;
        }
      }
    }
    if (!found) {  // nothing agrees nearby: take the two lines for a changed line
      ++i;
      ++j;
    }
  }
  for (const Hunk& h : hunksOf(match, b.size())) pairWithin(a, b, h, match);
  return match;
}

bool isCodeLine(std::string_view s) {
  auto all = [s](size_t from, size_t n, std::string_view set) {
    return s.size() >= from + n && s.substr(from, n).find_first_not_of(set) == std::string_view::npos;
  };
  constexpr std::string_view kHex = "0123456789ABCDEF";
  return all(0, 3, "0123456789") && all(4, 4, kHex) && all(9, 2, kHex) && s[3] == ' ' && s[8] == ' ';
}

namespace {

// The outcome of every damaged place, from the pairing of the damaged and patched lines (what
// the correction touched) and of the original and patched fields (what it got right).
class Scorer {
 public:
  Scorer(const std::vector<Record>& truth, std::string_view original, std::string_view damaged,
         std::string_view patched)
      : truth_(truth), o_(linesOf(original)), d_(linesOf(damaged)), p_(linesOf(patched)) {
    hunks_ = hunksOf(matchLines(d_, p_), p_.size());
    std::vector<std::string_view> oFields(o_.size()), pFields(p_.size());
    std::transform(o_.begin(), o_.end(), oFields.begin(), fields);
    std::transform(p_.begin(), p_.end(), pFields.begin(), fields);
    restored_ = matchLines(oFields, pFields);
    damagedLine_.resize(d_.size());
    for (std::string_view line : p_)
      if (isCodeLine(line)) codePrefixes_.insert(codePrefix(line));
    for (const Record& r : truth_) {
      auto first = damagedLine_.begin() + static_cast<std::ptrdiff_t>(r.first - 1);
      std::fill(first, first + static_cast<std::ptrdiff_t>(r.count), true);
    }
  }

  Score run() {
    size_t oFirst = 0;  // the record's first line in the original
    size_t dNext = 0;   // the first damaged line after the last record
    for (size_t n = 0; n < truth_.size(); ++n) {
      const Record& r = truth_[n];
      oFirst += r.first - 1 - dNext;
      dNext = r.first - 1 + r.count;
      bool touched = markHunks(placeOf(truth_, n, d_));
      for (size_t k = 0; k < r.originals.size(); ++k) {
        if (isCodeLine(r.originals[k])) count(r, touched, oFirst + k);
      }
      oFirst += r.originals.size();
    }
    for (const Hunk& h : hunks_) {
      if (!h.onRecord) {
        score_.wrongEdits += std::max(h.a1 - h.a0, h.b1 - h.b0);
      } else {
        for (size_t i = h.a0; i < h.a1; ++i) score_.wrongEdits += damagedLine_[i] ? 0 : 1;
      }
    }
    return score_;
  }

 private:
  // The original code line o under the damage r.
  void count(const Record& r, bool touched, size_t o) {
    KindScore& ks = score_.kinds[static_cast<size_t>(r.kind)];
    ++ks.damaged;
    if (touched) {
      ++(restored_[o] != kUnmatched ? ks.restored : ks.wrong);
      if (r.kind == Kind::Cut && restored_[o] == kUnmatched && codePrefixes_.count(codePrefix(o_[o])) != 0) ++ks.completed;
      return;
    }
    bool sameFields = r.count == 1 && r.originals.size() == 1 && fields(d_[r.first - 1]) == fields(o_[o]);
    ++(sameFields ? ks.outside : ks.left);
  }

  // A lost line is put back only by a hunk that adds lines there; a hunk that changes lines
  // around it, damaged or not, leaves it alone.
  bool touches(const Hunk& h, const Place& p) const {
    if (p.count == 0) return h.a0 <= p.to && p.f <= h.a1 && h.b1 - h.b0 > h.a1 - h.a0;
    if (h.a0 == h.a1) return p.f < h.a0 && h.a0 < p.f + p.count;  // lines put in between its lines
    return h.a0 < p.f + p.count && p.f < h.a1;
  }

  // Marks the hunks the place lies in; true when there is one.
  bool markHunks(const Place& p) {
    auto it = std::partition_point(hunks_.begin(), hunks_.end(), [&p](const Hunk& h) { return h.a1 < p.f; });
    bool touched = false;
    for (; it != hunks_.end() && it->a0 <= std::max(p.f + p.count, p.to); ++it) {
      if (touches(*it, p)) touched = it->onRecord = true;
    }
    return touched;
  }

  const std::vector<Record>& truth_;
  std::vector<std::string_view> o_, d_, p_;
  std::vector<Hunk> hunks_;
  std::vector<size_t> restored_;   // for each original line, its fields' line in the patched text
  std::vector<bool> damagedLine_;  // lines of the damaged text that a record stands for
  std::set<std::string_view> codePrefixes_;  // number, address and object code of the patched code lines
  Score score_;
};

}  // namespace

Score score(const std::vector<Record>& truth, std::string_view original, std::string_view damaged,
            std::string_view patched) {
  return Scorer(truth, original, damaged, patched).run();
}

std::string formatScore(const Score& score) {
  std::string out = "kind       damaged restored     left    wrong  outside completed\n";
  std::string machine = "fix_score";
  KindScore all;
  char row[160];
  auto addRow = [&](const char* name, const KindScore& k) {
    std::snprintf(row, sizeof row, "%-10s %7" PRIu64 " %8" PRIu64 " %8" PRIu64 " %8" PRIu64 " %8" PRIu64 " %9" PRIu64 "\n",
                  name, k.damaged, k.restored, k.left, k.wrong, k.outside, k.completed);
    out += row;
    std::snprintf(row, sizeof row, " %s=%" PRIu64 "/%" PRIu64 "/%" PRIu64 "/%" PRIu64 "/%" PRIu64 "/%" PRIu64, name,
                  k.damaged, k.restored, k.left, k.wrong, k.outside, k.completed);
    machine += row;
  };
  for (size_t k = 0; k < kKinds; ++k) {
    const KindScore& ks = score.kinds[k];
    addRow(kindName(static_cast<Kind>(k)), ks);
    all.damaged += ks.damaged;
    all.restored += ks.restored;
    all.left += ks.left;
    all.wrong += ks.wrong;
    all.outside += ks.outside;
    all.completed += ks.completed;
  }
  addRow("all", all);
  std::snprintf(row, sizeof row, "wrong edits on lines not damaged: %" PRIu64 "\n", score.wrongEdits);
  out += row;
  std::snprintf(row, sizeof row, " wrong_edits=%" PRIu64 "\n", score.wrongEdits);
  return out + machine + row;
}

}  // namespace romlift::bench::ocr
