// Lines a real assembler printed outside the layout are written inside it with the same bytes,
// said so apart from the corrections of damage; a blank that OCR may have added is not taken
// for such a line.
#include <gtest/gtest.h>

#include <string>

#include "support/independent_tools.h"
#include "support/listing.h"
#include "support/prerequisites.h"
#include "support/report.h"
#include "support/run_binary.h"

namespace romlift {
namespace {

using test::report;

const std::string kHead = test::kOutsideHeader;
const std::string kTail = "010 E024 76                 HLT\n011 0003            BUFLEN  EQU   3\n"
                          "012 0004            OFFSET  EQU   4\n013 E025                    END\n";

TEST(LayoutRewrite, WritesRealAssemblersLinesInsideTheLayoutWithTheirBytes) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  ROMLIFT_SKIP_WITHOUT(kObjcopy);
  const std::string read = kHead + test::kOutsideLines + kTail;
  const std::string written = kHead +
                              "002 E000 FE20               CPI   20H       SPACE?\n"
                              "003 E002 11CA               DB    11H,0CAH\n"
                              "004 E004 48454C     MSG     DB    'HEL'     GREETING\n"
                              "004 E007 4C4F               DB    'LO'\n"
                              "005 E009 210001             LXI   H,0100H\n"
                              "006 E00C 3E07               MVI   A,07H\n"
                              "007 E00E C9                 RET\n"
                              "008 E00F 48454C             DB    'HEL'\n"
                              "008 E012 4C4F               DB    'LO'\n"
                              "008 E014 2057               DB    20H,57H\n"
                              "008 E016 4F524C             DB    'ORL'\n"
                              "008 E019 44                 DB    'D'\n"
                              "009 E01A 0D0A       CRLF    DB    0DH,0AH   TEN\n"
                              "009 E01C 000000             DB    0,0,0\n"
                              "009 E01F 000000             DB    0,0,0\n"
                              "009 E022 0000               DB    0,0\n" +
                              kTail;
  test::Outcome r = report({"fix"}, read);
  std::optional<std::string> patched = test::gnuPatched(read, r.out);
  EXPECT_EQ(patched, written) << r.out;
  const std::string at = " segment 0E000-0E7FF adresse ", kept = " : ligne intacte, r\xC3\xA9\xC3\xA9" "crite dans le format avec ses ";
  const std::string blank = "blanc dans l'op\xC3\xA9rande", over = "plus de 3 octets", longer = "op\xC3\xA9rande de plus de 8 caract\xC3\xA8res";
  EXPECT_EQ(r.err, "<<< Hors format >>> : ligne 3" + at + "E000 : " + blank + kept + "2 octets\n" +
                       "<<< Hors format >>> : ligne 4" + at + "E002 : " + blank + ", " + longer + kept + "2 octets\n" +
                       "<<< Hors format >>> : ligne 5" + at + "E004 : " + over + kept + "5 octets en 2 lignes\n" +
                       "<<< Hors format >>> : ligne 6" + at + "E009 : " + blank + ", " + longer + kept + "3 octets\n" +
                       "<<< Hors format >>> : ligne 7" + at + "E00C : " + longer + kept + "2 octets\n" +
                       "<<< Hors format >>> : ligne 9" + at + "E00F : " + blank + ", " + over + ", " + longer + kept + "11 octets en 5 lignes\n" +
                       "<<< Hors format >>> : ligne 10" + at + "E01A : " + over + ", " + longer + kept + "10 octets en 4 lignes\n" +
                       "Nb corrections : 0\nNb lignes hors format r\xC3\xA9\xC3\xA9" "crites : 7\nNb cas ambigus : 0\n"
                       "Nb dommages non r\xC3\xA9parables : 0\n");
  EXPECT_EQ(r.status, 0);
  // The bytes as typed, one after the other from E000, and as binutils places the records.
  const std::string bytes = std::string("\xFE\x20\x11\xCA" "HELLO" "\x21\x00\x01\x3E\x07\xC9" "HELLO WORLD" "\x0D\x0A", 28) +
                            std::string(8, '\0') + "\x76";
  ASSERT_TRUE(patched);
  EXPECT_EQ(test::placedOf(test::codeLines(*patched)), bytes);
  EXPECT_EQ(test::objcopyBinary(report({"ihex"}, *patched).out, "ihex"), bytes);
  // Fixed once, the listing is left as it is.
  test::Outcome again = report({"fix"}, *patched);
  EXPECT_EQ(again.out, "");
  EXPECT_EQ(again.status, 0);
}

// A blank after a comma that the operand fits without is what OCR adds: the line is read as
// damage and its operand kept as printed, not written as a value.
TEST(LayoutRewrite, TakesABlankAfterACommaForDamage) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string read = kHead + "002 E000 210400             LXI   H, OFFSET\n003 E003 C9                 RET\n" + kTail;
  test::Outcome r = report({"fix"}, read);
  EXPECT_EQ(r.err.find("Hors format"), std::string::npos) << r.err;
  EXPECT_EQ(test::gnuPatched(read, r.out),
            kHead + "002 E000 210400             LXI   H,OFFSET\n003 E003 C9                 RET\n" + kTail)
      << r.out << r.err;
}

}  // namespace
}  // namespace romlift
