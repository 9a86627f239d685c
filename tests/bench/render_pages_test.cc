// Printed pages: where the listing breaks into pages, the geometry file, every character's
// ink inside its column cell on a clean page, and the same image from the same seed.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "page_render.h"
#include "support/prerequisites.h"

namespace romlift::bench::pages {
namespace {

constexpr const char* kFreeMono = "/usr/share/fonts/truetype/freefont/FreeMono.ttf";

TEST(RenderPages, BreaksPagesAtHeadersAndAfterAFullPage) {
  const std::vector<std::string_view> listing = {"PAGE 01    KEZ", "", "001", "PAGES", "PAGE 02    KEZ", "002"};
  struct Case {
    size_t linesPerPage;
    std::vector<PageLines> pages;
  };
  const Case cases[] = {
      {66, {{1, 4}, {5, 2}}},         // a header starts a page; PAGES is no header
      {3, {{1, 3}, {4, 1}, {5, 2}}},  // a full page ends before the header does
      {1, {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}}},
  };
  for (const Case& c : cases) EXPECT_EQ(paginate(listing, c.linesPerPage), c.pages) << c.linesPerPage;
  EXPECT_EQ(paginate(listingLines("a\nb"), 66), (std::vector<PageLines>{{1, 2}}));  // a last line without newline
}

TEST(RenderPages, WritesTheGeometryThatTheRebuildReads) {
  Geometry g;
  g.width = 2850;
  g.height = 3600;
  g.pages = {{1, 54}, {55, 12}};
  std::string text = formatGeometry(g);
  EXPECT_EQ(text.substr(text.find("\ndpi")),
            "\ndpi 300\nleft 150\ntop 150\npitch 30\nline 50\nwidth 2850\nheight 3600\nlines_per_page 66\n"
            "page 1 1 54\npage 2 55 12\n");
  Geometry back;
  std::string error;
  ASSERT_TRUE(parseGeometry(text, back, error)) << error;
  EXPECT_EQ(formatGeometry(back), text);
  EXPECT_FALSE(parseGeometry("pitch 30\npage 2 1 54\n", back, error));
  EXPECT_EQ(error, "line 2: page 2 1 54");
}

// The box of the pixels darker than half on the page: x0, y0, x1, y1 (ends excluded).
std::vector<int> inkBox(const Image& image) {
  std::vector<int> box = {image.width, image.height, 0, 0};
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.pixels[static_cast<size_t>(y * image.width + x)] >= 128) continue;
      box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1), std::max(box[3], y + 1)};
    }
  }
  return box;
}

// FreeMono at 10 characters an inch and 300 dpi, the renderer's default.
class RenderPagesFreeMono : public ::testing::Test {
 protected:
  void SetUp() override {
    ROMLIFT_SKIP_WITHOUT(kFreeMono);
    std::string error;
    ASSERT_TRUE(font.open(kFreeMono, 30, error)) << error;
  }
  Font font;
};

TEST_F(RenderPagesFreeMono, PutsEachCharacterInItsColumnCellOnACleanPage) {
  Geometry g;
  g.width = 2 * 150 + 10 * 30;
  g.height = 2 * 150 + 3 * 50;
  struct Case {
    std::string_view line;
    int row, col;
  };
  // The widest, the lowest, the highest and the thinnest characters, at the page's edges.
  const Case cases[] = {{"W", 0, 0},      {"         M", 0, 9}, {"   g", 1, 3},      {"    _", 2, 4},
                        {"     |", 2, 5}, {"      0", 1, 6},    {"        `", 0, 8}, {"  #", 2, 2}};
  for (const Case& c : cases) {
    std::vector<std::string_view> lines = {"", "", ""};
    lines[static_cast<size_t>(c.row)] = c.line;
    std::vector<int> box = inkBox(renderPage(lines, {1, 3}, g, font, Scan::Clean, 1));
    std::string what = std::string(c.line.substr(static_cast<size_t>(c.col)));
    EXPECT_GE(box[0], 150 + 30 * c.col) << what;
    EXPECT_LE(box[2], 150 + 30 * (c.col + 1)) << what;
    EXPECT_GE(box[1], 150 + 50 * c.row) << what;
    EXPECT_LE(box[3], 150 + 50 * (c.row + 1)) << what;
    EXPECT_GT(box[2] - box[0], 0) << what << ": no ink";
  }
}

TEST_F(RenderPagesFreeMono, GivesTheSameImageForTheSameSeed) {
  Geometry g;
  g.width = 2 * 150 + 40 * 30;
  g.height = 2 * 150 + 2 * 50;
  const std::vector<std::string_view> lines = {"001 C000 F3         START   DI", "002 C001 C9                 RET"};
  for (Scan scan : {Scan::Clean, Scan::Average, Scan::Poor}) {
    Image a = renderPage(lines, {1, 2}, g, font, scan, 7), b = renderPage(lines, {1, 2}, g, font, scan, 7);
    Image other = renderPage(lines, {1, 2}, g, font, scan, 8);
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_NE(a.pixels, other.pixels);
    EXPECT_EQ(formatPgm(a).substr(0, 16), "P5\n1500 400\n255\n");
  }
}

}  // namespace
}  // namespace romlift::bench::pages
