// Whether one correction makes its place consistent: the checks run again on the lines that it
// can change, before and after it.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fix/listing.h"
#include "fix/problems.h"
#include "fix/snapshot.h"

namespace romlift::fix {

// What a good edit does: the problems it takes away, and whether it is in doubt. An edit in
// doubt is one good edit among others all the same, so that it keeps them from standing
// alone; but it is never made.
struct Verdict {
  std::vector<Problem> resolved;
  bool doubtful = false;
};

class Evaluator {
 public:
  explicit Evaluator(const Snapshot& base);

  // Nothing unless the edit is good: it leaves no problem on the lines it writes, brings no new
  // one anywhere, and takes one away at least. It is in doubt when it writes an address that
  // only the line after it confirms, mends one use of a label where other uses disagree with
  // the label the same way, rewrites a use after a label that no symbol table confirms, moves
  // a symbol-table entry to a code line whose own address breaks the run, respells a label
  // with nothing in the listing to say which spelling is right, rewrites an instruction that
  // the instruction table cannot judge, fits an operand to object code that may be misread, or
  // takes a line that starts with a number and an address for the end of the line before it.
  std::optional<Verdict> judge(const Edit& edit);

 private:
  // What an edit reaches: lines [from, to), whose layout, addresses, numbers and structure it
  // may change; with `labels`, the labels of its section [sectionFrom, sectionTo) too. An edit
  // that changes how the lines after it are read (a header, a banner, an EQU) has its whole
  // section read again.
  struct Scope {
    size_t from = 0, to = 0;
    bool labels = false;
    size_t sectionFrom = 0, sectionTo = 0;
    bool reread = false;
  };
  using Labels = std::map<std::string, SegmentLabels>;
  struct Before {
    std::vector<Problem> problems;
    std::shared_ptr<const Labels> labels;
  };
  // The problems of an edit's scope before and after it, sorted by identity, those it takes
  // away, and the lines that fit no layout or no structure before it.
  struct Comparison {
    std::vector<Problem> was, is, resolved;
    std::set<size_t> broken;
  };

  Facts freshFacts(const Edit& edit) const;
  // A quick look at the new lines alone: false when one of them is certainly wrong.
  bool plausible(const Edit& edit, const Facts& fresh) const;
  bool mayMendLabels(const Edit& edit, const Facts& fresh) const;
  bool keepsUnknownNames(const Edit& edit, const Facts& fresh) const;
  std::set<uint64_t> changedEntries(const Edit& edit, const Facts& fresh) const;
  bool disputesName(const Edit& edit, const std::vector<Problem>& resolved) const;
  bool leansOnUnconfirmed(const Edit& edit, const Facts& fresh) const;
  bool followsBrokenAddress(const Edit& edit, const Facts& fresh) const;
  bool respellsWithoutWitness(const Edit& edit, const Facts& fresh) const;
  bool mayBeCutShort(const Edit& edit, const Facts& fresh) const;
  bool rewritesUnjudged(const Edit& edit, const Facts& fresh) const;
  bool bendsOperandToCode(const Edit& edit, const Facts& fresh) const;
  bool joinsANumberedLine(const Edit& edit) const;
  bool reshapes(const Edit& edit, const Facts& fresh) const;
  bool sizedByName(size_t from, size_t to) const;
  Scope scopeFor(const Edit& edit, const Facts& fresh) const;
  Facts scopeFacts(const Scope& scope, const Edit* edit, const Facts* fresh, std::vector<LineRef>& refs) const;
  Labels sectionLabels(const Scope& scope, const Edit* edit, const Facts* fresh) const;
  // The labels are given, or, for a scope read again, read into `read`.
  std::vector<Problem> scopeProblems(const Scope& scope, const Edit* edit, const Facts* fresh, const Labels& given,
                                     Labels* read) const;
  const Before& before(const Scope& scope);
  Comparison compare(const Edit& edit, const Facts& fresh);
  // True when the edited lines come out with nothing blamed on them, and the edit brings no new
  // problem but breaks it only shows.
  bool consistent(const Edit& edit, const Facts& fresh, const Comparison& c) const;
  // True when the edit closes a break in the addresses that a lost line may account for.
  bool closesBreakInDoubt(const Edit& edit, const Comparison& c) const;
  // True when the edit makes the line before the END line stop following on to its address.
  bool leavesEnd(const Edit& edit, const Facts& fresh) const;
  void remoteProblems(const Scope& scope, const Labels& was, const Labels& is, std::vector<Problem>& before,
                      std::vector<Problem>& after) const;

  const Snapshot& base_;
  std::vector<size_t> breaks_;    // the lines on either side of a break in the addresses
  std::vector<size_t> disputed_;  // the code lines whose bytes their operand does not give
  std::map<std::tuple<size_t, size_t, size_t, size_t, bool>, Before> before_;
  std::map<std::pair<size_t, size_t>, std::shared_ptr<const Labels>> labelsBefore_;  // by section
};

// The line of the snapshot that line k of a range from `from` with edit stands for.
size_t snapshotLine(size_t k, size_t from, const Edit* edit);

}  // namespace romlift::fix
