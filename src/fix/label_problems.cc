// The label check of xref, line by line: each code-line, EQU and DS label against the symbol
// tables of its range, and each symbol-table entry against them.
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "fix/problems.h"

namespace romlift::fix {
namespace {

using Pair = std::pair<uint64_t, uint64_t>;  // address and label words

uint64_t keyOf(const Located& l) { return l.label.word() ^ (l.adr.word() * 0x9E3779B97F4A7C15ULL); }

class RangeCheck {
 public:
  RangeCheck(const SegmentLabels& s, size_t lines, std::vector<Problem>& out) : s_(s), lines_(lines), out_(out) {
    for (const Located& t : s.table) {
      pairs_.insert({t.adr.word(), t.label.word()});
      tableLabels_.insert(t.label.word());
    }
    for (const Located& c : s.code) {
      size_t& newest = newest_[c.adr.word()];
      newest = std::max(newest, c.owner + 1);  // 0: none
      taken_.insert({c.owner, c.label.word()});
    }
    for (const Located& d : s.directives) lastDirective_[d.label.word()] = &d;
  }

  void run() {
    for (const Located& c : s_.code)
      if (!pairs_.count({c.adr.word(), c.label.word()})) report(c);
    for (const Located& d : s_.directives)
      if (!tableLabels_.count(d.label.word())) report(d);
    std::set<Pair> seen;
    for (const Located& t : s_.table) {
      if (!seen.insert({t.adr.word(), t.label.word()}).second || accounted(t)) continue;
      report(t);
    }
  }

 private:
  // A symbol-table entry that the newest labelled code line at its address, or the EQU or DS
  // line of its label, accounts for.
  bool accounted(const Located& t) const {
    auto newest = newest_.find(t.adr.word());
    if (newest != newest_.end() && taken_.count({newest->second - 1, t.label.word()})) return true;
    auto d = lastDirective_.find(t.label.word());
    return d != lastDirective_.end() && d->second->adr == t.adr;
  }

  void report(const Located& l) {
    if (l.line >= lines_) return;  // a line of another section with the same range
    Problem p{ProblemKind::Label, l.line, l.line, keyOf(l)};
    p.label = l.label;
    out_.push_back(p);
  }

  const SegmentLabels& s_;
  size_t lines_;
  std::vector<Problem>& out_;
  std::set<Pair> pairs_;
  std::unordered_set<uint64_t> tableLabels_;
  std::unordered_map<uint64_t, size_t> newest_;  // address word: the newest owner line + 1
  std::set<std::pair<size_t, uint64_t>> taken_;   // owner line and label word
  std::unordered_map<uint64_t, const Located*> lastDirective_;
};

}  // namespace

void labelProblems(const Inspected& in, std::vector<Problem>& out) {
  for (const auto& [seg, labels] : in.labels)
    if (labels.tabled()) RangeCheck(labels, in.facts.lines.size(), out).run();
}

}  // namespace romlift::fix
