// One state of the listing under correction, read and inspected.
#pragma once

#include <array>
#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

#include "fix/label_index.h"
#include "fix/line_facts.h"
#include "fix/listing.h"
#include "fix/problems.h"

namespace romlift::fix {

// What the checks find in a listing, counted: romlift's syntax errors that start a chain of
// them, the breaks of gaps and the errors of xref and verify (read without the page grammar,
// so that a syntax error hides no line), then the problems of each kind of this folder's own
// inspection.
struct Tally {
  static constexpr size_t kRunChecks = 4;
  static constexpr size_t kChecks = kRunChecks + kProblemKinds;
  std::array<long, kChecks> counts{};
  // The lines gaps and verify report, as input line counters of the text checked, then (in a
  // snapshot) as the input lines they stand for; sorted.
  std::vector<size_t> gapLines, verifyLines;
  int64_t written = 0;  // the bytes romlift writes from the text

  long total() const;
  // What romlift and romlift-report's checks report, the first kRunChecks counts.
  long runProblems() const;
  // True when every count is no higher than in `before` and one is lower, and neither gaps nor
  // verify reports a line it did not report before: one edit's new report must not hide behind
  // another's mend.
  bool betterThan(const Tally& before) const;
  // True when nothing is left that the listing is judged by.
  bool clean() const;
};

// The checks that romlift and romlift-report run, on text.
void runChecks(const std::string& text, Tally& tally);

class Snapshot {
 public:
  explicit Snapshot(Listing listing);
  // With the checks already run on the listing's text.
  Snapshot(Listing listing, Tally tally);
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  const Listing& listing() const { return listing_; }
  const std::vector<LineRef>& lines() const { return lines_; }
  const Facts& facts() const { return facts_; }
  const LabelIndex& index() const { return index_; }
  const std::vector<Problem>& problems() const { return problems_; }
  // The ranges whose code is another processor's (sorted).
  const std::vector<std::string>& foreign() const { return foreign_; }
  // The checks on the whole text; run on the first call.
  const Tally& tally() const;

  // The first line of the section that line i stands in (its header, or 0).
  size_t sectionStart(size_t i) const;
  // The line after the section that line i stands in (the next header, or the end).
  size_t sectionEnd(size_t i) const;

 private:
  Listing listing_;
  std::vector<LineRef> lines_;
  Facts facts_;
  LabelIndex index_;
  std::vector<Problem> problems_;
  std::vector<std::string> foreign_;
  std::vector<size_t> headers_;  // the lines of kind Header
  mutable Tally tally_;
  mutable bool tallied_ = false;
  bool ran_ = false;  // tally_ holds the checks' run on the text, given at construction
};

}  // namespace romlift::fix
