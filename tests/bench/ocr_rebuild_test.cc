// The listing rebuilt from tesseract's word boxes: every word at its line and column, blank
// and unread lines kept, words that would run together kept apart, pages one after the other.
#include "ocr_rebuild.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace romlift::bench::pages {
namespace {

// Columns 30 pixels wide from x = 150, lines 50 pixels high from y = 150.
Geometry twoPages() {
  Geometry g;
  g.width = 2700;
  g.height = 3600;
  g.pages = {{1, 4}, {5, 2}};
  return g;
}

const std::string kHeader =
    "level\tpage_num\tblock_num\tpar_num\tline_num\tword_num\tleft\ttop\twidth\theight\tconf\ttext\n";

TEST(OcrRebuild, PutsEachWordAtItsLineAndColumn) {
  struct Case {
    const char* what;
    std::string tsv;
    const char* page;  // the page's lines
  };
  const Case cases[] = {
      {"words at their columns, a blank line and an unread last line kept",
       kHeader + "1\t1\t0\t0\t0\t0\t0\t0\t2700\t3600\t-1\t\n"
                 "4\t1\t1\t1\t1\t0\t153\t160\t1300\t32\t-1\t\n"
                 "5\t1\t1\t1\t1\t1\t153\t160\t88\t30\t96.1\t004\n"
                 "5\t1\t1\t1\t1\t2\t272\t161\t115\t30\t91.0\tC0O3\n"
                 "5\t1\t1\t1\t1\t3\t993\t160\t85\t30\t95.2\tMOV\n"
                 "5\t1\t1\t2\t1\t1\t151\t262\t86\t30\t94.0\t005\n"
                 "5\t1\t1\t2\t1\t2\t1172\t258\t60\t37\t90.0\tB,C\n",
       "004 C0O3                    MOV\n"
       "\n"
       "005                               B,C\n"
       "\n"},
      {"an overlapping word one blank after the one before, a touching one joined to it, a speck off the page dropped",
       kHeader + "5\t1\t1\t1\t1\t1\t152\t160\t180\t30\t80.0\tLXIHSP\n"  // columns 0-5
                 "5\t1\t1\t1\t1\t2\t245\t160\t60\t30\t80.0\tP,\n"       // column 3: overlaps, goes to 7
                 "5\t1\t1\t1\t1\t3\t425\t160\t60\t30\t80.0\tQQ\n"       // column 9: touches P,
                 "5\t1\t1\t1\t1\t4\t700\t160\t30\t30\t80.0\tX\n"        // column 18: free
                 "5\t1\t2\t1\t1\t1\t400\t3300\t9\t9\t10.0\t.\n"         // line 63: not on the page
                 "5\t1\t1\t3\t1\t1\t155\t309\t88\t30\t90.0\t   \n",     // blanks only: no word
       "LXIHSP P,QQ       X\n"
       "\n"
       "\n"
       "\n"},
      {"a word whose box starts late, as tesseract's do after a comma, at its column all the same",
       kHeader + "5\t1\t1\t1\t1\t1\t996\t160\t85\t30\t90.0\tMVI\n"     // column 28, 6 pixels in
                 "5\t1\t1\t1\t1\t2\t1176\t160\t46\t38\t20.6\tC,\n"     // column 34, 6 pixels in
                 "5\t1\t1\t1\t1\t3\t1248\t160\t101\t34\t40.0\t0C2H\n"  // column 36, 18 pixels in
                 "5\t1\t1\t2\t1\t1\t156\t210\t80\t34\t88.4\t077\n",
       "                            MVI   C,0C2H\n"
       "077\n"
       "\n"
       "\n"},
  };
  for (const Case& c : cases) {
    std::vector<Word> words;
    std::string error;
    ASSERT_TRUE(parseTsv(c.tsv, words, error)) << c.what << ": " << error;
    std::string page;
    for (const std::string& line : rebuildPage(words, twoPages(), 4)) page += line + "\n";
    EXPECT_EQ(page, c.page) << c.what;
  }
}

TEST(OcrRebuild, TakesOutTheSkewOfATurnedPage) {
  // Lines 0 and 2 with words at columns 10 and 80, the page turned by 1 degree counter-clockwise
  // about its centre (1350, 1800): read as they stand, the words would go to columns 9 and 79
  // and the right-hand ones half a line up.
  std::string tsv = kHeader +
                    "5\t1\t1\t1\t1\t1\t425\t176\t88\t30\t90.0\tAAA\n"
                    "5\t1\t1\t1\t1\t2\t2524\t139\t88\t30\t90.0\tBBB\n"
                    "5\t1\t1\t2\t1\t1\t427\t276\t88\t30\t90.0\tCCC\n"
                    "5\t1\t1\t2\t1\t2\t2526\t239\t88\t30\t90.0\tDDD\n";
  std::vector<Word> words;
  std::string error;
  ASSERT_TRUE(parseTsv(tsv, words, error)) << error;
  EXPECT_NEAR(measureSkew(words, twoPages()), 1.01, 0.005);
  std::string gap(67, ' ');
  EXPECT_EQ(rebuildListing({words, {}}, twoPages()),
            "          AAA" + gap + "BBB\n\n          CCC" + gap + "DDD\n\n\n\n");
  words.pop_back();
  words.erase(words.begin() + 1);  // one word a line: nothing to measure, the page taken as straight
  EXPECT_EQ(measureSkew(words, twoPages()), 0);
}

TEST(OcrRebuild, RefusesWhatIsNotTesseractsTsv) {
  std::vector<Word> words;
  std::string error;
  EXPECT_FALSE(parseTsv("001 C000 F3\n", words, error));
  EXPECT_EQ(error, "no TSV header");
  EXPECT_FALSE(parseTsv(kHeader + "5\t1\t1\t1\t1\t1\t15x\t160\t88\t30\t90.0\t001\n", words, error));
  EXPECT_EQ(error, "row 2 does not read: 5\t1\t1\t1\t1\t1\t15x\t160\t88\t30\t90.0\t001");
}

}  // namespace
}  // namespace romlift::bench::pages
