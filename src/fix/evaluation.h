// Whether one correction makes its place consistent: the checks run again on the lines that it
// can change, before and after it.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fix/listing.h"
#include "fix/problems.h"
#include "fix/snapshot.h"

namespace romlift::fix {

class Evaluator {
 public:
  explicit Evaluator(const Snapshot& base) : base_(base) {}

  // The problems that the edit takes away, when it is good: it leaves no problem on the lines
  // it writes, brings no new one anywhere, and takes one away at least. Nothing otherwise.
  std::optional<std::vector<Problem>> judge(const Edit& edit);

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
    Labels labels;
  };

  Facts freshFacts(const Edit& edit) const;
  // A quick look at the new lines alone: false when one of them is certainly wrong.
  bool plausible(const Edit& edit, const Facts& fresh) const;
  bool mayMendLabels(const Edit& edit, const Facts& fresh) const;
  Scope scopeFor(const Edit& edit, const Facts& fresh) const;
  Facts scopeFacts(const Scope& scope, const Edit* edit, const Facts* fresh, std::vector<LineRef>& refs) const;
  Labels sectionLabels(const Scope& scope, const Edit* edit, const Facts* fresh) const;
  std::vector<Problem> scopeProblems(const Scope& scope, const Edit* edit, const Facts* fresh, Labels& labels) const;
  const Before& before(const Scope& scope);
  void remoteProblems(const Scope& scope, const Labels& was, const Labels& is, std::vector<Problem>& before,
                      std::vector<Problem>& after) const;

  const Snapshot& base_;
  std::map<std::tuple<size_t, size_t, size_t, size_t, bool>, Before> before_;
};

// The line of the snapshot that line k of a range from `from` with edit stands for.
size_t snapshotLine(size_t k, size_t from, const Edit* edit);

}  // namespace romlift::fix
