// The label check of xref, line by line: each code-line, EQU and DS label against the symbol
// tables of its range, and each symbol-table entry against them.
#include <algorithm>
#include <utility>

#include "fix/problems.h"

namespace romlift::fix {
namespace {

using Pair = std::pair<uint64_t, uint64_t>;

uint64_t keyOf(const Located& l) { return l.label.word() ^ (l.adr.word() * 0x9E3779B97F4A7C15ULL); }

template <typename T>
bool holds(const std::vector<T>& sorted, const T& value) {
  return std::binary_search(sorted.begin(), sorted.end(), value);
}

class RangeCheck {
 public:
  RangeCheck(const SegmentLabels& s, std::vector<Problem>& out) : s_(s), out_(out) {
    for (const Located& t : s.table) {
      pairs_.push_back({t.adr.word(), t.label.word()});
      tableLabels_.push_back(t.label.word());
    }
    for (const Located& c : s.code) {
      newest_.push_back({c.adr.word(), c.owner});
      taken_.push_back({c.owner, c.label.word()});
    }
    for (size_t k = 0; k < s.directives.size(); ++k) lastDirective_.push_back({s.directives[k].label.word(), k});
    for (auto* v : {&pairs_, &newest_, &taken_, &lastDirective_}) std::sort(v->begin(), v->end());
    std::sort(tableLabels_.begin(), tableLabels_.end());
  }

  void run() {
    for (const Located& c : s_.code)
      if (!holds(pairs_, {c.adr.word(), c.label.word()})) report(c);
    for (const Located& d : s_.directives)
      if (!holds(tableLabels_, d.label.word())) report(d);
    std::vector<Pair> seen;
    for (const Located& t : s_.table) {
      Pair pair{t.adr.word(), t.label.word()};
      if (std::find(seen.begin(), seen.end(), pair) != seen.end()) continue;
      seen.push_back(pair);
      if (!accounted(t)) report(t);
    }
  }

 private:
  // A symbol-table entry that the newest labelled code line at its address, or the last EQU or
  // DS line of its label, accounts for.
  bool accounted(const Located& t) const {
    uint64_t adr = t.adr.word(), label = t.label.word();
    auto end = std::lower_bound(newest_.begin(), newest_.end(), Pair{adr + 1, 0});
    if (end != newest_.begin() && (end - 1)->first == adr && holds(taken_, {(end - 1)->second, label})) return true;
    auto d = std::lower_bound(lastDirective_.begin(), lastDirective_.end(), Pair{label + 1, 0});
    return d != lastDirective_.begin() && (d - 1)->first == label && s_.directives[(d - 1)->second].adr == t.adr;
  }

  void report(const Located& l) {
    if (l.line == kOutside) return;  // a line of another section with the same range
    Problem p{ProblemKind::Label, l.line, l.line, keyOf(l)};
    p.label = l.label;
    out_.push_back(p);
  }

  const SegmentLabels& s_;
  std::vector<Problem>& out_;
  std::vector<Pair> pairs_;            // address and label of each entry
  std::vector<uint64_t> tableLabels_;
  std::vector<Pair> newest_;           // address and owner line of each code label
  std::vector<Pair> taken_;            // owner line and label
  std::vector<Pair> lastDirective_;    // label and index of each EQU or DS label
};

}  // namespace

void labelProblems(const std::map<std::string, SegmentLabels>& labels, std::vector<Problem>& out) {
  for (const auto& [seg, range] : labels)
    if (range.tabled()) RangeCheck(range, out).run();
}

}  // namespace romlift::fix
