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
  struct Range {
    size_t from, to;  // lines of the snapshot
    bool labels;      // the label checks, and label values from these lines, are looked at
  };
  struct Inspection {
    std::vector<Problem> problems;  // lines counted as in the snapshot
    std::map<std::string, SegmentLabels> labels;
  };

  // A quick look at the new lines alone: false when one of them is certainly wrong.
  bool plausible(const Edit& edit) const;
  Range rangeFor(const Edit& edit) const;
  Inspection inspectRange(const Range& range, const Edit* edit) const;
  void mergeOutside(const Range& range, std::map<std::string, SegmentLabels>& labels) const;
  void remoteProblems(const Range& range, const Inspection& before, const Inspection& after,
                      std::vector<Problem>& was, std::vector<Problem>& is) const;

  const Snapshot& base_;
  std::map<std::pair<size_t, size_t>, Inspection> before_;  // by range, without the edit
};

// The line of the snapshot that line k of a range from `from` with edit stands for.
size_t snapshotLine(size_t k, size_t from, const Edit* edit);

}  // namespace romlift::fix
