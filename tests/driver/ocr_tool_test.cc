// romlift-ocr as a user runs it: pages in the order given, a missing or damaged image named
// with exit status 1 while the other pages still come out, the alternatives file, usage errors.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "alternatives/alternatives.h"
#include "support/prerequisites.h"
#include "support/printed_page.h"
#include "support/run_binary.h"

namespace romlift {
namespace {

namespace pages = bench::pages;

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

const std::vector<std::string> kFirst = {
    "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1",
    "",
    "001                         ORG   :C000",
    "002 C000 F3         START   DI              COLD START",
    "003 C001 310084             LXI   SP,8400H",
};
const std::vector<std::string> kSecond = {
    "PAGE 02    KEZ FIRMWARE 0C000-0C7FF  V1.1",
    "",
    "004 C004 C301C0     HANG    JMP   HANG",
};

std::string joined(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::string text;
  for (const auto* lines : {&a, &b})
    for (const std::string& l : *lines) text += l + "\n";
  return text;
}

TEST(OcrTool, NamesAMissingOrDamagedPageAndStillReadsTheOthers) {
  ROMLIFT_SKIP_WITHOUT(kFreeMono);
  ROMLIFT_SKIP_WITHOUT(kEnglishModel);
  std::string first = test::printPage(kFirst, pages::Scan::Clean, 1).pgm;
  std::string second = test::printPage(kSecond, pages::Scan::Clean, 2).pgm;
  test::RunOptions options;
  options.program = "romlift-ocr";
  options.args = {"--alternatives", "alt.txt", "p1.pgm", "missing.png", "cut.pgm", "text.png", "p2.pgm"};
  options.prepare = [&](const std::string& dir) {
    writeFile(dir + "/p1.pgm", first);
    writeFile(dir + "/cut.pgm", first.substr(0, first.size() / 2));
    writeFile(dir + "/text.png", "not an image\n");
    writeFile(dir + "/p2.pgm", second);
  };
  test::RunResult r = test::runRomlift("", options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, joined(kFirst, kSecond));
  EXPECT_EQ(r.err,
            "<<< Page illisible >>> : missing.png : No such file or directory\n"
            "<<< Page illisible >>> : cut.pgm : image illisible ou tronqu\xC3\xA9" "e\n"
            "<<< Page illisible >>> : text.png : format d'image inconnu\n");
  std::vector<alternatives::Record> records;
  std::string error;
  ASSERT_TRUE(alternatives::parse(r.contents["alt.txt"], records, error)) << error;
  EXPECT_EQ(r.contents["alt.txt"].substr(0, 22), "# romlift-ocr alternat");
  // Each record's first choice is the character the listing holds at its line and column.
  std::vector<std::string> lines = kFirst;
  lines.insert(lines.end(), kSecond.begin(), kSecond.end());
  for (const alternatives::Record& rec : records) {
    ASSERT_GE(rec.line, 1u);
    ASSERT_LE(rec.line, lines.size());
    ASSERT_LT(rec.column, lines[rec.line - 1].size());
    EXPECT_EQ(rec.choices[0].c, lines[rec.line - 1][rec.column]) << rec.line << " " << rec.column;
  }
}

TEST(OcrTool, AnswersHelpAndRefusesABadCommandLine) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{}, 2, "romlift-ocr : aucune page (voir romlift-ocr --help)\n"},
      {{"--method=fast", "p.png"}, 2, "romlift-ocr : m\xC3\xA9thode inconnue \xC2\xAB fast \xC2\xBB (voir romlift-ocr --help)\n"},
      {{"--cpu", "z80", "p.png"}, 2, "romlift-ocr : processeur inconnu \xC2\xAB z80 \xC2\xBB (voir romlift-ocr --help)\n"},
      {{"-x", "p.png"}, 2, "romlift-ocr : option inconnue \xC2\xAB -x \xC2\xBB (voir romlift-ocr --help)\n"},
      {{"p.png", "--alternatives"}, 2,
       "romlift-ocr : valeur manquante apr\xC3\xA8s \xC2\xAB --alternatives \xC2\xBB (voir romlift-ocr --help)\n"},
      {{"--help"}, 0, ""},
  };
  for (const Case& c : cases) {
    test::RunOptions options;
    options.program = "romlift-ocr";
    options.args = c.args;
    test::RunResult r = test::runRomlift("", options);
    EXPECT_EQ(r.status, c.status) << ::testing::PrintToString(c.args);
    EXPECT_EQ(r.err, c.err) << ::testing::PrintToString(c.args);
    if (c.status == 0) {
      EXPECT_EQ(r.out.substr(0, 20), "Usage: romlift-ocr [");
    }
  }
}

}  // namespace
}  // namespace romlift
