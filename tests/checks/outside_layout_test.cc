// Code lines printed outside the layout: how they are read, and what gaps says of them on a
// whole listing. The lines are laid out as real assemblers' lines converted into the listing's
// columns: each field at its column, or one blank after a field that runs long.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checks/outside_layout.h"
#include "support/listing.h"
#include "support/report.h"

namespace romlift {
namespace {

TEST(OutsideLayout, ReadAtTheListingsColumns) {
  struct Case {
    std::string line;
    std::string want;  // "REASONS|ADDRESS|BYTES|LABEL|MNEMONIC|OPERAND|COMMENT"; "" for none
  };
  const std::vector<Case> cases = {
      {"002 E000 FE20               CPI   ' '       SPACE?", "blanc dans l'op\xC3\xA9rande|E000|2||CPI|' '|SPACE?"},
      {"004 E004 48454C4C4F MSG     DB    'HELLO'   GREETING", "plus de 3 octets|E004|5|MSG|DB|'HELLO'|GREETING"},
      {"005 E009 210001             LXI   H, BUF + 1", "blanc dans l'op\xC3\xA9rande, op\xC3\xA9rande de plus de 8 caract\xC3\xA8res|E009|3||LXI|H, BUF + 1|"},
      {"005 E009 3E04               MVI   A,1 SHL 2 TIMES FOUR",
       "blanc dans l'op\xC3\xA9rande, op\xC3\xA9rande de plus de 8 caract\xC3\xA8res|E009|2||MVI|A,1 SHL 2|TIMES FOUR"},
      {"006 E00C 3E07               MVI   A,BUFLEN+OFFSET", "op\xC3\xA9rande de plus de 8 caract\xC3\xA8res|E00C|2||MVI|A,BUFLEN+OFFSET|"},
      // object code past the label's column pushes the fields one blank after it; where a label
      // and a mnemonic would stand at the same place, the mnemonic is one the assembler knows
      {"008 E00F 48454C4C4F20574F524C44 DB 'HELLO WORLD'",
       "blanc dans l'op\xC3\xA9rande, plus de 3 octets, op\xC3\xA9rande de plus de 8 caract\xC3\xA8res|E00F|11||DB|'HELLO WORLD'|"},
      {"009 E01A 0D0A0000000000000000 CRLF DB 0DH,0AH,0,0,0,0,0,0,0,0 TEN",
       "plus de 3 octets, op\xC3\xA9rande de plus de 8 caract\xC3\xA8res|E01A|10|CRLF|DB|0DH,0AH,0,0,0,0,0,0,0,0|TEN"},
      {"002 E000 FE20               CPI   ' '\r", "blanc dans l'op\xC3\xA9rande|E000|2||CPI|' '|"},
      {"003 E002 78                 MOV   A, B", "blanc dans l'op\xC3\xA9rande|E002|1||MOV|A, B|"},
      // lines the layout holds, and damage: not printed outside the layout
      {"003 C000 3E0D       START   MVI   A,CR", ""},
      {"003 E002 E60F               ANI   0FH  AND MASK", ""},
      {"022 C016 CD03D0            CALL  0D003H    ROM CHECKSUM", ""},   // mnemonic one column early
      {"002 E000 FE20               CPI    ' '", ""},                     // operand one column late
      {"002 E000 FE20               cpi   ' '", ""},
      {"002 E000 FE2                CPI   ' '", ""},
      {"002 E000 FE20 ", ""},
      {"02 E000 FE20               CPI   ' '", ""},
      {"002 E000 FE20      1ABEL    CPI   ' '", ""},
      // damage that no layout holds either: lines run together, a misread number, an operand
      // or a length the instruction does not take, a comment off its column, stray bytes
      {"009 C001 310084             LXI   SP,            MOV   C,A", ""},
      {"044 C040 CD03D0     TEST    CALL  0D003HPAG             MOV   C,A", ""},
      {"009 C001 310084             LXI   SP,B,0400H", ""},
      {"003 E002 3E0D00             MVI   A, CR", ""},
      {"026 C020 214DC0             LXI   H,B* S Y M B O L   T A B800ANNER", ""},
      {"045 C83F C337C8             JMP   P\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFFUTS", ""},
      {"003 E002 11CA               DB    011H,\t0CAH", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::optional<OutsideLine> l = readOutsideLayout(c.line);
    std::string got;
    if (l) {
      char address[8];
      std::snprintf(address, sizeof address, "%04X", l->address);
      got = reasonText(l->reasons) + "|" + address + "|" + std::to_string(l->bytes()) + "|" + std::string(l->label) +
            "|" + std::string(l->mnemonic) + "|" + std::string(l->operand) + "|" + std::string(l->comment);
    }
    EXPECT_EQ(got, c.want);
  }
}

// Each line outside the layout is named where the run reaches it, and its bytes take their
// room; a line lost before one still shows as a break, and damage stays a break.
TEST(OutsideLayout, GapsNamesTheLinesWithTheirReasons) {
  const std::string header = test::kOutsideHeader;
  const std::string listing = header + test::kOutsideLines +
                              "010 E024 76                 HLT\n";
  const std::string blank = "blanc dans l'op\xC3\xA9rande", over = "plus de 3 octets",
                    longer = "op\xC3\xA9rande de plus de 8 caract\xC3\xA8res";
  const std::string at = " segment 0E000-0E7FF adresse ";
  struct Case {
    const char* what;
    std::string listing, out;
  };
  const Case cases[] = {
      {"real assemblers' lines", listing,
       "<<< Hors format >>> : ligne 3" + at + "E000 : " + blank + " (2 octets manquants)\n" +
           "<<< Hors format >>> : ligne 4" + at + "E002 : " + blank + ", " + longer + " (2 octets manquants)\n" +
           "<<< Hors format >>> : ligne 5" + at + "E004 : " + over + " (5 octets manquants)\n" +
           "<<< Hors format >>> : ligne 6" + at + "E009 : " + blank + ", " + longer + " (3 octets manquants)\n" +
           "<<< Hors format >>> : ligne 7" + at + "E00C : " + longer + " (2 octets manquants)\n" +
           "<<< Hors format >>> : ligne 9" + at + "E00F : " + blank + ", " + over + ", " + longer + " (11 octets manquants)\n" +
           "<<< Hors format >>> : ligne 10" + at + "E01A : " + over + ", " + longer + " (10 octets manquants)\n" +
           "Nb ruptures : 7\n"},
      {"a line lost before one", header + "002 E000 3E01               MVI   A,1\n" + "004 E003 FE20               CPI   ' '\n" +
           "005 E005 C9                 RET\n",
       "<<< Rupture >>> : ligne 4 segment 0E000-0E7FF adresse attendue E002 trouv\xC3\xA9" "e E003 (1 octet manquant)\n"
       "<<< Hors format >>> : ligne 4" + at + "E003 : " + blank + " (2 octets manquants)\nNb ruptures : 2\n"},
      {"damage", header + "002 E000 CD03D0            CALL  0D003H    ROM CHECKSUM\n" + "003 E003 C9                 RET\n",
       "<<< Rupture >>> : ligne 4 segment 0E000-0E7FF adresse attendue E000 trouv\xC3\xA9" "e E003 (3 octets manquants)\n"
       "Nb ruptures : 1\n"},
  };
  for (const Case& c : cases) {
    test::Outcome o = test::report({"gaps"}, c.listing);
    EXPECT_EQ(o.out, c.out) << c.what;
    EXPECT_EQ(o.err, "") << c.what;
    EXPECT_EQ(o.status, 1) << c.what;
  }
}

}  // namespace
}  // namespace romlift
