// fix reads each line the way the scanner does, without the page grammar: on listings with every
// kind of line and with OCR damage, what it makes of each line is what the scanner makes of it.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fix/line_facts.h"
#include "fix/listing.h"
#include "listing_gen.h"
#include "ocr_damage.h"
#include "scanner/scanner.h"
#include "scanner/token.h"
#include "support/run_binary.h"
#include "support/scan.h"

namespace romlift::fix {
namespace {

// The tokens the scanner gives each line and the lines it skips, as one word list a line.
class ScannerView : public SkippedLineListener {
 public:
  explicit ScannerView(const std::string& text) {
    Scanner scanner(Input(test::chunkReader(text)));
    scanner.setSkippedLineListener(this);
    for (int token; (token = scanner.yylex()) != END_OF_INPUT;) {
      // An empty line's token comes once the counter has moved past its newline.
      int line = token == LIGNEVIDE ? scanner.yylineno - 1 : scanner.yylineno;
      words[line] += std::string(token == COM1 || token == COM2 ? "COM" : tokenName(token)) + " ";
    }
  }
  void skippedLine(int lineno, PaddedText) override { words[lineno] += "skipped "; }
  std::map<int, std::string> words;
};

std::string wordsOf(const Facts& facts, size_t i) {
  const LineFacts& f = facts.lines[i];
  switch (f.kind) {
    case Kind::Code: return std::string(tokenName(f.token)) + " ";
    case Kind::LabelOnly: return "LABELSUP ";
    case Kind::Org: return "ORG ";
    case Kind::End: return "END ";
    case Kind::Comment: return "COM ";
    case Kind::NumberedEmpty: return "NUMLINEVIDE ";
    case Kind::Empty: return "LIGNEVIDE ";
    case Kind::Header: return f.headerOk ? "ENTETE1 SEGMENT ENTETE2 " : "ENTETE1 ";
    case Kind::Table: {
      std::string w;
      for (uint32_t e = f.firstEntry; e < f.endEntry; ++e) w += "SYMBOLTABLE ";
      return w;
    }
    case Kind::Banner: return "";
    default: return f.inTable ? "" : "skipped ";
  }
}

std::string damagedFirmware(uint64_t seed) {
  bench::GenOptions options;
  options.variant = bench::Variant::Firmware;
  options.minBytes = 30000;
  options.seed = seed;
  return bench::ocr::damage(bench::makeListing(options), {10, seed}).text;
}

TEST(LineFacts, AreWhatTheScannerMakesOfEachLine) {
  const std::vector<std::string> listings = {test::readFile(test::examplePath("sample.lst")), damagedFirmware(3),
                                             damagedFirmware(4)};
  for (const std::string& text : listings) {
    Listing listing(text);
    std::vector<LineRef> lines;
    for (size_t i = 0; i < listing.readLines(); ++i) lines.push_back({listing.readLine(i), listing.readNewline(i)});
    Facts facts = readFacts(lines);
    ScannerView scanner(text);
    size_t headers = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      // A header that gives no range or version mark gives what it gives: only its start is read the same.
      std::string want = scanner.words[static_cast<int>(i + 1)];
      std::string got = wordsOf(facts, i);
      if (facts.lines[i].kind == Kind::Header && !facts.lines[i].headerOk) want = want.substr(0, got.size());
      headers += facts.lines[i].kind == Kind::Header;
      EXPECT_EQ(got, want) << "line " << i + 1 << ": " << lines[i].text;
    }
    EXPECT_GT(headers, 0u);
  }
}

}  // namespace
}  // namespace romlift::fix
