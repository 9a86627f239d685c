// Pages printed at test time read back by the page reader: each field with its own alphabet
// (an O-shaped glyph in the address or the object code comes out 0, in a label it stays O),
// page headers and the symbol table's banner as their fixed text, blank lines kept.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ocr/page_reader.h"
#include "support/prerequisites.h"
#include "support/printed_page.h"

namespace romlift::ocr {
namespace {

namespace pages = bench::pages;

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

TEST(PageReading, ReadsEachFieldWithItsOwnAlphabet) {
  ROMLIFT_SKIP_WITHOUT(kFreeMono);
  ROMLIFT_SKIP_WITHOUT(kEnglishModel);
  // What was printed: letters O and I where digits belong, as a worn type slug or a typist
  // would have them, and where letters belong.
  const std::vector<std::string> printed = {
      "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1",
      "",
      "001                         ORG   :C000",
      "002 CO00 F3         LOOP    DI              COLD START",
      "0O3 COO1 3EOI               MVI   A,41H",
      "",
      "004 C003 C3OOCO             JMP   LOOP",
      "005 C006 C5                 PUSH  B         SAVE BC",
      "006 C007 D3O1               OUT   10H",
      "007 C009 C1                 POP   B",
      "008 COOA F6O1               ORI   80H",
      "009 C00C 76         HOLD    HLT",
      "***************************",
      "* S Y M B O L   T A B L E *",
      "***************************",
      "HOLD   C0OC LOOP   COOO",
  };
  const std::vector<std::string> read = {
      "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1",
      "",
      "001                         ORG   :C000",
      "002 C000 F3         LOOP    DI              COLD START",
      "003 C001 3E01               MVI   A,41H",
      "",
      "004 C003 C300C0             JMP   LOOP",
      "005 C006 C5                 PUSH  B         SAVE BC",
      "006 C007 D301               OUT   10H",
      "007 C009 C1                 POP   B",
      "008 C00A F601               ORI   80H",
      "009 C00C 76         HOLD    HLT",
      "***************************",
      "* S Y M B O L   T A B L E *",
      "***************************",
      "HOLD   C00C LOOP   C000",
  };
  for (pages::Scan scan : {pages::Scan::Clean, pages::Scan::Average}) {
    Engine engine;
    std::string why;
    ASSERT_TRUE(engine.open(why)) << why;
    std::vector<std::string_view> names;
    mnemonicsOf("8085", names);
    PageReader reader(engine, {Method::Cut, names, true});
    PageText text = reader.read(test::printPage(printed, scan, 3).image);
    EXPECT_EQ(joined(text.lines), joined(read)) << "scan level " << static_cast<int>(scan);
  }
}

}  // namespace
}  // namespace romlift::ocr
