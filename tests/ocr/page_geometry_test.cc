// The page measured on its ink: skew, line pitch and the printed lines, character pitch and
// the left edge of column 0, on pages printed straight and tilted, against where the renderer
// put the characters.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ocr/page_geometry.h"
#include "support/prerequisites.h"
#include "support/printed_page.h"

namespace romlift::ocr {
namespace {

namespace pages = bench::pages;

// Lines of every kind, blank ones among them; no line starts before column 0.
const std::vector<std::string> kLines = {
    "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1",
    "",
    "001                         ORG   :C000",
    "002 C000 F3                 DI              COLD START",
    "003 C001 310084     START   LXI   SP,8400H",
    "",
    "",
    "004                 * WAIT FOR A KEY",
    "005 C004 AF                 XRA   A",
    "006 C005 C20EC0             JNZ   $+9       (QUEUE), JUMP; $$$",
    "007 C008 CA1BC0             JZ    QUIT      (JQ,J,Q); $,$",
    "***************************",
    "* S Y M B O L   T A B L E *",
    "***************************",
    "START  C001 LOOP   C004",
    "017",
};

TEST(PageGeometry, MeasuresPitchMarginAndLinesOnATiltedPage) {
  ROMLIFT_SKIP_WITHOUT(kFreeMono);
  struct Case {
    const char* what;
    pages::Scan scan;
    double turn;        // degrees the page is turned after printing: the skew to find
    double spread;      // the scan level turns it by turn to turn + spread, one way or the other
    int line = 50;      // pixels from one printed line to the next
  };
  const Case cases[] = {
      {"straight", pages::Scan::Clean, 0, 0},
      {"turned by the average scan", pages::Scan::Average, 0.25, 0},
      {"turned by the poor scan, specks and broken strokes", pages::Scan::Poor, 0.3, 0.15},
      {"turned 1.5 degrees", pages::Scan::Clean, 1.5, -1},
      {"turned -2 degrees", pages::Scan::Clean, -2, -1},
      // Seven bands of ink for the thirteen lines.
      {"lines so close that descenders touch the line below", pages::Scan::Clean, 0.5, -1, 40},
  };
  for (const Case& c : cases) {
    test::PrintedPage printed = test::printPage(kLines, c.scan, 7, c.line);
    ASSERT_GT(printed.image.width, 0);
    // A clean page is printed straight: turning it back by -turn turns it by turn.
    bool byScan = c.spread >= 0 && c.turn != 0;
    GrayImage page = byScan ? printed.image : straighten(printed.image, -c.turn);
    uint8_t threshold = inkThreshold(page);
    double skew = measureSkew(page, threshold);
    if (byScan) {
      EXPECT_GE(std::fabs(skew), c.turn - 0.05) << c.what;
      EXPECT_LE(std::fabs(skew), c.turn + c.spread + 0.05) << c.what;
    } else {
      EXPECT_NEAR(skew, c.turn, 0.05) << c.what;
    }
    PageGeometry g = measureGeometry(straighten(page, skew), threshold, nullptr);
    EXPECT_NEAR(g.pitch, printed.geometry.pitch, 0.1) << c.what;
    EXPECT_NEAR(g.left, printed.geometry.left, 3) << c.what;
    EXPECT_NEAR(g.linePitch, printed.geometry.line, 0.3) << c.what;
    std::vector<int> rows, printedRows;
    for (const TextRow& r : g.rows) rows.push_back(r.index);
    for (size_t k = 0; k < kLines.size(); ++k)
      if (!kLines[k].empty()) printedRows.push_back(static_cast<int>(k));
    EXPECT_EQ(rows, printedRows) << c.what;
    // Row 0 is the header, printed at the page's top margin: its capitals around the cell's middle.
    ASSERT_FALSE(g.rows.empty());
    EXPECT_NEAR(g.rows[0].middle(), printed.geometry.top + printed.geometry.line / 2.0, 6) << c.what;
  }
}

}  // namespace
}  // namespace romlift::ocr
