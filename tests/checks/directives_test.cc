// EQU and DS lines: how they are read, and what gaps and xref make of them on whole listings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checks/directives.h"
#include "support/listing.h"
#include "support/report.h"

namespace romlift {
namespace {

using test::kBanner;
using test::report;

TEST(Directives, ReadAtTheListingsColumns) {
  struct Case {
    std::string line;
    std::string want;  // "KIND label value size", size "?" when unknown; "" for no directive
  };
  const std::vector<Case> cases = {
      {"005 0008            BS      EQU   08H", "EQU BS 0008 -"},
      {"005 0008            BS      EQU   08H       BACKSPACE", "EQU BS 0008 -"},
      {"053 C045            BUF     DS    16", "DS BUF C045 0010"},
      {"053 C045                    DS    10H", "DS  C045 0010"},             // a DS needs no label
      {"053 C045            BUF6XY  DS    BUFSZ", "DS BUF6XY C045 0020"},     // a constant defined before
      {"053 C045            BUF     DS    2*N", "DS BUF C045 ?"},             // beyond what is read
      {"053 C045            BUF     DS    SIZE", "DS BUF C045 ?"},            // an unknown constant
      {"005 0008                    EQU   08H", ""},                          // an EQU needs a label
      {"005 0008            BS       EQU  08H", ""},                          // mnemonic one column late
      {"005 0008            BS      equ   08H", ""},
      {"005 0008             BS     EQU   08H", ""},                          // label one column late
      {"005 00b8            BS      EQU   08H", ""},                          // lower-case hex
      {"05  0008            BS      EQU   08H", ""},
      {"005 0008            BS      EQU", ""},                                // no operand
      {"005 0008            BS      EQU    08H", ""},                         // operand one column late
      {"005 0008            BSTOOLO EQU   08H", ""},                          // seven characters
      {"005 0008 3E         BS      EQU   08H", ""},                          // object code
      {"005 0008            1S      EQU   08H", ""},
      {"005 C000 C30000     START   JMP   LOOP", ""},
  };
  DirectiveReader reader;
  std::string defines = "001 0020            BUFSZ   EQU   32";
  ASSERT_TRUE(reader.read(1, {defines.c_str(), defines.size()}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string padded = c.line + std::string(kPadding, 'X');
    std::optional<Directive> d = reader.read(7, {padded.c_str(), c.line.size()});
    std::string got;
    if (d) {
      char text[64];
      std::snprintf(text, sizeof text, "%s %s %04X %s", d->name(), d->label.c_str(), d->value,
                    d->kind == Directive::Kind::Equ ? "-" : d->size ? "" : "?");
      got = text;
      if (d->size) {
        std::snprintf(text, sizeof text, "%04X", *d->size);
        got += text;
      }
      EXPECT_EQ(d->lineno, 7);
    }
    EXPECT_EQ(got, c.want);
  }
}

// Two sections with symbol tables, one without; constants, reserved space, two labels on one
// address. Everything agrees: the checks have nothing to say.
const std::string kClean = test::kHeader +
                           "\n"
                           "001                         ORG   :C000\n"
                           "002 000D            CR      EQU   0DH       CARRIAGE RETURN\n"
                           "003 0010            BUFSZ   EQU   16\n"
                           "004 C000 3E0D       START   MVI   A,CR\n"
                           "005                 MAIN\n"
                           "006 C002 C300C0     LOOP    JMP   START\n"
                           "007 C005            BUF     DS    BUFSZ\n"
                           "008 C015            FLAG    DS    1\n"
                           "009 C016 C9         DONE    RET\n"
                           "010 C017                    END\n"
                           "\n" +
                           kBanner +
                           "\n"
                           "BUF    C005 BUFSZ  0010 CR     000D DONE   C016\n"
                           "FLAG   C015 LOOP   C002 MAIN   C002 START  C000\n"
                           "\n" +
                           test::kHeader2 +
                           "001                         ORG   :C800\n"
                           "002 C800 00         IDLE    NOP\n"
                           "003 C801 00                 NOP\n"
                           "004 C802            TMP     DS    2\n"
                           "005 C804 C9                 RET\n"
                           "006 C805                    END\n"
                           "PAGE 01    KEZ FIRMWARE 0D000-0D7FF  V1.1\n"
                           "001 8000            RAM     EQU   8000H\n"
                           "002 D000 C30080     START   JMP   RAM\n"
                           "\n" +
                           kBanner + "RAM    8000 START  D000\n";

std::string with(std::string listing, const std::string& from, const std::string& to) {
  return listing.replace(listing.find(from), from.size(), to);
}

TEST(Directives, GapsAndXrefOnAListingWithEquAndDs) {
  const std::string info = "<<< Info >>> : segment 0C800-0CFFF (ligne 21) : aucune table de symboles lue, ses labels "
                           "ne sont pas compar\xC3\xA9s\n";
  struct Case {
    const char* name;
    std::string listing;
    std::vector<const char*> args;
    int status;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"clean: gaps", kClean, {"gaps"}, 0, "Nb ruptures : 0\n"},
      {"clean: xref", kClean, {"xref"}, 0, info + "Nb erreurs : 0\n"},
      {"a DS size misread", with(kClean, "DS    1\n", "DS    7\n"), {"gaps"}, 1,
       "<<< Rupture >>> : ligne 11 segment 0C000-0C7FF adresse attendue C01C trouv\xC3\xA9" "e C016 (6 octets en trop)\n"
       "Nb ruptures : 1\n"},
      {"a code line lost in the section without table", with(kClean, "003 C801 00                 NOP", "003 C801 00  nop"),
       {"gaps"}, 1,
       "<<< Rupture >>> : ligne 25 segment 0C800-0CFFF adresse attendue C801 trouv\xC3\xA9" "e C802 (1 octet manquant)\n"
       "Nb ruptures : 1\n"},
      {"the first code line after an ORG lost", with(kClean, "002 C800 00         IDLE    NOP", "002 C800 00 IDLE nop"),
       {"gaps"}, 1,
       "<<< Rupture >>> : ligne 24 segment 0C800-0CFFF adresse attendue C800 trouv\xC3\xA9" "e C801 (1 octet manquant)\n"
       "Nb ruptures : 1\n"},
      {"a DS at the wrong address", with(kClean, "008 C015", "008 C016"), {"gaps"}, 1,
       "<<< Rupture >>> : ligne 10 segment 0C000-0C7FF adresse attendue C015 trouv\xC3\xA9" "e C016 (1 octet manquant)\n"
       "<<< Rupture >>> : ligne 11 segment 0C000-0C7FF adresse attendue C017 trouv\xC3\xA9" "e C016 (1 octet en trop)\n"
       "Nb ruptures : 2\n"},
      {"an EQU value misread", with(kClean, "002 000D", "002 000B"), {"xref"}, 1,
       info + "<<< Erreur >>> : label CR vaut 000B (EQU ligne 4) et 000D dans les tables de symboles en 0C000-0C7FF\n"
              "Nb erreurs : 1\n"},
      {"a DS label misread", with(kClean, "FLAG    DS", "FIAG    DS"), {"xref"}, 1,
       info + "<<< Erreur >>> : label FIAG (DS ligne 10) absent des tables de symboles en 0C000-0C7FF C015\n"
              "<<< Erreur >>> : adresse 0C000-0C7FF C015 absente des lignes de code avec label\n"
              "Nb erreurs : 2\n"},
      {"a DS address misread in the table", with(kClean, "FLAG   C015", "FLAG   C01S"), {"xref"}, 1,
       info + "<<< Erreur >>> : label FLAG en C015 (DS ligne 10) et en C01S dans les tables de symboles en 0C000-0C7FF\n"
              "Nb erreurs : 1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::Outcome o = report(c.args, c.listing);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, c.out);
    EXPECT_EQ(o.status, c.status);
  }
}

}  // namespace
}  // namespace romlift
