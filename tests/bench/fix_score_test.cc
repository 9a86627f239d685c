// The score of a correction, on a listing damaged by hand in every way OCR has and mended
// in three ways: partly right, perfectly, and not at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fix_scoring.h"
#include "ocr_damage.h"

namespace romlift::bench::ocr {
namespace {

const std::string kOriginal =
    "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n"
    "\n"
    "001                         ORG   :C000\n"
    "002 C000 F3         START   DI              COLD START\n"
    "003 C001 310084             LXI   SP,8400H  STACK AT TOP OF RAM\n"
    "004 C004 AF                 XRA   A\n"
    "005 C005 D320               OUT   20H       ALL LEDS OFF\n"
    "006 C007 210080             LXI   H,8000H\n"
    "007 C00A 010004             LXI   B,0400H\n"
    "008 C00D 3600       CLR1    MVI   M,0\n"
    "009 C00F 23                 INX   H\n"
    "010 C010 0B                 DCX   B\n"
    "011 C011 78                 MOV   A,B\n"
    "012 C012 C9                 RET\n";

const std::string kDamaged =
    "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n"
    "\n"
    "001                         ORG   :C000\n"
    "002 C000 F3         5TART   DI              COLD START\n"
    "003 C001 310084             LXI   SP,8400H  STACK AT TOP, OF RAM\n"
    "004 C004 AF                 XRA   A 005 C005 D320               OUT   20H       ALL LEDS OFF\n"
    "006 C007 210080             LXI   H,8000H\n"
    "008 C00D 3600       CLR1    MVI   M,0\n"
    "009 C00F 23\n"
    "INX   H\n"
    "010 C010 0B                  DCX   B\n"
    "011 C011 78                 MO\n"
    "012 C012 C9\tRET\n";

const std::string kTruth =
    "# written by hand\n"
    "lookalike 4 1\n|002 C000 F3         START   DI              COLD START\n"
    "stray 5 1\n|003 C001 310084             LXI   SP,8400H  STACK AT TOP OF RAM\n"
    "join 6 1\n|004 C004 AF                 XRA   A\n|005 C005 D320               OUT   20H       ALL LEDS OFF\n"
    "lost 8 0\n|007 C00A 010004             LXI   B,0400H\n"
    "split 9 2\n|009 C00F 23                 INX   H\n"
    "blank 11 1\n|010 C010 0B                 DCX   B\n"
    "cut 12 1\n|011 C011 78                 MOV   A,B\n"
    "tab 13 1\n|012 C012 C9                 RET\n";

// START back, the comment's mark left, the join split again with OUT's object code wrong,
// the lost line not put back but the line after it changed, the split left, DCX B made DCX D,
// the cut line whole again and the tab left.
const std::string kPatched =
    "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n"
    "\n"
    "001                         ORG   :C000\n"
    "002 C000 F3         START   DI              COLD START\n"
    "003 C001 310084             LXI   SP,8400H  STACK AT TOP, OF RAM\n"
    "004 C004 AF                 XRA   A\n"
    "005 C005 D302               OUT   20H       ALL LEDS OFF\n"
    "006 C007 210080             LXI   H,8000H\n"
    "008 C00D 3600       CLR1    MVI   M,1\n"
    "009 C00F 23\n"
    "INX   H\n"
    "010 C010 0B                 DCX   D\n"
    "011 C011 78                 MOV   A,B\n"
    "012 C012 C9\tRET\n";

TEST(FixScore, CountsEachDamagedCodeLineByWhatTheCorrectionMadeOfIt) {
  std::vector<Record> truth;
  std::string error, restored;
  ASSERT_TRUE(parseTruth(kTruth, truth, error)) << error;
  ASSERT_TRUE(restore(kDamaged, truth, restored));
  ASSERT_EQ(restored, kOriginal);

  EXPECT_EQ(formatScore(score(truth, kOriginal, kDamaged, kPatched)),
            "kind       damaged restored     left    wrong  outside completed\n"
            "lookalike        1        1        0        0        0         0\n"
            "blank            1        0        0        1        0         0\n"
            "tab              1        0        1        0        0         0\n"
            "stray            1        0        0        0        1         0\n"
            "split            1        0        1        0        0         0\n"
            "join             2        1        0        1        0         0\n"
            "cut              1        1        0        0        0         0\n"
            "lost             1        0        1        0        0         0\n"
            "mark             0        0        0        0        0         0\n"
            "multi            0        0        0        0        0         0\n"
            "duplicate        0        0        0        0        0         0\n"
            "inserted         0        0        0        0        0         0\n"
            "blankline        0        0        0        0        0         0\n"
            "banner           0        0        0        0        0         0\n"
            "all              9        3        3        2        1         0\n"
            "wrong edits on lines not damaged: 1\n"
            "fix_score lookalike=1/1/0/0/0/0 blank=1/0/0/1/0/0 tab=1/0/1/0/0/0 stray=1/0/0/0/1/0 split=1/0/1/0/0/0 "
            "join=2/1/0/1/0/0 cut=1/1/0/0/0/0 lost=1/0/1/0/0/0 mark=0/0/0/0/0/0 multi=0/0/0/0/0/0 duplicate=0/0/0/0/0/0 inserted=0/0/0/0/0/0 blankline=0/0/0/0/0/0 banner=0/0/0/0/0/0 all=9/3/3/2/1/0 wrong_edits=1\n");

  struct Case {
    const char* what;
    const std::string& patched;
    const char* scores;
  };
  const Case cases[] = {
      {"every line mended", kOriginal,
       "fix_score lookalike=1/1/0/0/0/0 blank=1/1/0/0/0/0 tab=1/1/0/0/0/0 stray=1/1/0/0/0/0 split=1/1/0/0/0/0 "
       "join=2/2/0/0/0/0 cut=1/1/0/0/0/0 lost=1/1/0/0/0/0 mark=0/0/0/0/0/0 multi=0/0/0/0/0/0 duplicate=0/0/0/0/0/0 inserted=0/0/0/0/0/0 blankline=0/0/0/0/0/0 banner=0/0/0/0/0/0 all=9/9/0/0/0/0 wrong_edits=0\n"},
      {"nothing changed", kDamaged,
       "fix_score lookalike=1/0/1/0/0/0 blank=1/0/1/0/0/0 tab=1/0/1/0/0/0 stray=1/0/0/0/1/0 split=1/0/1/0/0/0 "
       "join=2/0/2/0/0/0 cut=1/0/1/0/0/0 lost=1/0/1/0/0/0 mark=0/0/0/0/0/0 multi=0/0/0/0/0/0 duplicate=0/0/0/0/0/0 inserted=0/0/0/0/0/0 blankline=0/0/0/0/0/0 banner=0/0/0/0/0/0 all=9/0/8/0/1/0 wrong_edits=0\n"},
  };
  for (const Case& c : cases) {
    std::string out = formatScore(score(truth, kOriginal, kDamaged, c.patched));
    EXPECT_EQ(out.substr(out.find("fix_score")), c.scores) << c.what;
  }
}

}  // namespace
}  // namespace romlift::bench::ocr
