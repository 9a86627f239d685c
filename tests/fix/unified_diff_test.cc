// The patch that fix prints: exact text where it is worked out by hand, and what GNU patch, git
// apply and the fuzz checker's own reading make of it on the very bytes it was made from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fix/listing.h"
#include "fix/unified_diff.h"
#include "fuzz/fix_check.h"
#include "support/independent_tools.h"
#include "support/prerequisites.h"

namespace romlift::fix {
namespace {

std::string numbered(int from, int to, const char* end = "\n") {
  std::string text;
  for (int i = from; i <= to; ++i) text += "L" + std::to_string(i) + end;
  return text;
}

struct Case {
  const char* name;
  std::string before;
  std::vector<Edit> edits;  // line numbers from 0
  std::string after;        // worked out by hand
};

const std::vector<Case>& cases() {
  static const std::vector<Case> kCases = {
      {"middle", numbered(1, 10), {{4, 1, {"X5"}}}, numbered(1, 4) + "X5\n" + numbered(6, 10)},
      {"first line", numbered(1, 6), {{0, 1, {"X1"}}}, "X1\n" + numbered(2, 6)},
      {"close edits share a hunk", numbered(1, 12), {{1, 1, {"X2"}}, {7, 1, {"X8"}}},
       "L1\nX2\n" + numbered(3, 7) + "X8\n" + numbered(9, 12)},
      {"far edits", numbered(1, 15), {{1, 1, {"X2"}}, {12, 1, {"X13"}}},
       "L1\nX2\n" + numbered(3, 12) + "X13\n" + numbered(14, 15)},
      {"no newline at the end", numbered(1, 4) + "L5", {{4, 1, {"X5"}}}, numbered(1, 4) + "X5"},
      {"split and join", numbered(1, 12), {{2, 1, {"A3", "B3"}}, {9, 2, {"X10"}}},
       "L1\nL2\nA3\nB3\n" + numbered(4, 9) + "X10\nL12\n"},
      {"carriage returns", numbered(1, 8, "\r\n"), {{3, 1, {"X4"}}}, numbered(1, 3, "\r\n") + "X4\r\n" + numbered(5, 8, "\r\n")},
  };
  return kCases;
}

TEST(UnifiedDiff, PatchAndGitApplyMakeTheCorrectedListing) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  ROMLIFT_SKIP_WITHOUT(kGit);
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    Listing before(c.before);
    std::string diff = unifiedDiff(before, c.edits, "firmware.lst");
    EXPECT_EQ(test::gnuPatched(c.before, diff), c.after) << diff;
    EXPECT_EQ(test::gitApplied(c.before, "firmware.lst", diff), c.after) << diff;
    EXPECT_EQ(applyUnifiedDiff(c.before, diff), c.after) << "the fuzz checker's own reading";
  }
}

TEST(UnifiedDiff, HunksHaveThreeLinesOfContextAndTheNoNewlineMark) {
  EXPECT_EQ(unifiedDiff(Listing(cases()[0].before), cases()[0].edits, "listing"),
            "--- a/listing\n+++ b/listing\n"
            "@@ -2,7 +2,7 @@\n L2\n L3\n L4\n-L5\n+X5\n L6\n L7\n L8\n");
  EXPECT_EQ(unifiedDiff(Listing(cases()[4].before), cases()[4].edits, "listing"),
            "--- a/listing\n+++ b/listing\n"
            "@@ -2,4 +2,4 @@\n L2\n L3\n L4\n-L5\n\\ No newline at end of file\n+X5\n\\ No newline at end of file\n");
  EXPECT_EQ(unifiedDiff(Listing(cases()[5].before), cases()[5].edits, "listing"),
            "--- a/listing\n+++ b/listing\n"
            "@@ -1,12 +1,12 @@\n L1\n L2\n-L3\n+A3\n+B3\n L4\n L5\n L6\n L7\n L8\n L9\n-L10\n-L11\n+X10\n L12\n");
  EXPECT_EQ(unifiedDiff(Listing(numbered(1, 3)), {}, "listing"), "");
}

}  // namespace
}  // namespace romlift::fix
