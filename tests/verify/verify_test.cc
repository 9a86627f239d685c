// romlift-report verify through the command: the expected counts and messages are worked out
// by hand or from the listing's text and the generator's own encodings, never by the checker.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "listing_gen.h"
#include "support/listing.h"
#include "support/report.h"
#include "support/run_binary.h"

namespace romlift {
namespace {

using namespace test;  // the listing lines and the in-process report

constexpr size_t kObjectCol = 9;
constexpr size_t kAddressCol = 4;

// Digits that OCR takes one for the other, each pair either way round.
const std::pair<char, char> kConfusions[] = {{'8', 'B'}, {'0', 'D'}, {'3', '8'}, {'E', 'F'},
                                             {'1', '7'}, {'C', '0'}, {'5', '6'}};

std::string closing(size_t checked, size_t notCheckable, size_t errors) {
  return "Nb lignes v\xC3\xA9rifi\xC3\xA9" "es : " + std::to_string(checked) + "\nNb lignes non v\xC3\xA9rifiables : " +
         std::to_string(notCheckable) + "\nNb erreurs : " + std::to_string(errors) + "\n";
}

// A code line of a listing as its text shows it: number, address, object code.
struct ObjectLine {
  size_t lineno;         // input line counter, from 1
  size_t offset;         // of the line in the listing
  std::string segment;   // of the last first-page header
  std::string address;
  std::string object;
};

std::vector<ObjectLine> objectLines(const std::string& listing) {
  std::vector<ObjectLine> lines;
  std::string segment;
  size_t lineno = 0;
  for (size_t at = 0; at < listing.size(); at = listing.find('\n', at) + 1) {
    ++lineno;
    std::string line = listing.substr(at, listing.find('\n', at) - at);
    if (line.rfind("PAGE 01    KEZ FIRMWARE ", 0) == 0) segment = line.substr(24, line.find(' ', 24) - 24);
    size_t end = line.find(' ', kObjectCol);
    if (line.size() <= kObjectCol || !isdigit(static_cast<unsigned char>(line[0])) || line[kObjectCol] == ' ' ||
        end == std::string::npos)
      continue;
    lines.push_back({lineno, at, segment, line.substr(kAddressCol, 4), line.substr(kObjectCol, end - kObjectCol)});
  }
  return lines;
}

std::string errorLine(const ObjectLine& l, const std::string& found, size_t digit, char read, char meant) {
  return "<<< Erreur >>> : ligne " + std::to_string(l.lineno) + " segment " + l.segment + " adresse " + l.address +
         " code " + found + " attendu " + l.object + " (chiffre " + std::to_string(digit + 1) + " : " + read +
         " lu pour " + meant + ")\n";
}

TEST(Verify, SampleChecksEveryLineWithoutError) {
  std::string sample = test::readFile(test::examplePath("sample.lst"));
  test::Outcome o = report({"verify"}, sample);
  EXPECT_EQ(o.out, closing(objectLines(sample).size(), 0, 0));
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

// Operands as real assemblers print them, each line assembled by hand (and its instructions
// read back by dz80): Intel's operators, a name with a dot, strings in double quotes.
const std::string kRealOperands =
    "PAGE 01    KEZ FIRMWARE 0E000-0E7FF  V1.1\n"
    "001                         ORG   :E000\n"
    "002 0010            OP.TPC  EQU   10H\n"
    "003 E000 010001             LXI   B,1*256\n"
    "004 E003 11E2FF             LXI   D,-10*3\n"
    "005 E006 3E64               MVI   A,200/2\n"
    "006 E008 D310               OUT   OP.TPC\n"
    "007 E00A CD1AE0             CALL  LRA.\n"
    "008 E00D 3133               DB    \"13\"\n"
    "009 E00F FE22               CPI   '\"'\n"
    "010 E011 FE27               CPI   \"'\"\n"
    "011 E013 C6E0               ADI   HIGH($)\n"
    "012 E015 E6F8               ANI   NOT(7)\n"
    "013 E017 F607               ORI   (1)OR(6)\n"
    "014 E019 07                 DB    1+2*3\n"
    "015 E01A C9         LRA.    RET\n"
    "016 E01B FFFF               DW    LRA.-$\n"
    "017 E01D C31BE0             JMP   LRA.+1\n";

// Every object digit of every code line, changed into each digit OCR confuses it with, is
// reported on its line alone, with the digit named: in the sample, and in lines of real
// assemblers' operands, which all check.
TEST(Verify, EveryConfusedDigitIsFoundOnItsLine) {
  for (const std::string& text : {test::readFile(test::examplePath("sample.lst")), kRealOperands}) {
    const std::vector<ObjectLine> lines = objectLines(text);
    test::Outcome clean = report({"verify"}, text);
    EXPECT_EQ(clean.out, closing(lines.size(), 0, 0));
    size_t changes = 0;
    for (const ObjectLine& l : lines) {
      for (size_t d = 0; d < l.object.size(); ++d) {
        for (auto [a, b] : kConfusions) {
          char meant = l.object[d];
          if (meant != a && meant != b) continue;
          char read = meant == a ? b : a;
          std::string listing = text;
          listing[l.offset + kObjectCol + d] = read;
          std::string found = listing.substr(l.offset + kObjectCol, l.object.size());
          test::Outcome o = report({"verify"}, listing);
          ASSERT_EQ(o.out, errorLine(l, found, d, read, meant) + closing(lines.size(), 0, 1)) << "line " << l.lineno;
          ASSERT_EQ(o.status, 1);
          ++changes;
        }
      }
    }
    EXPECT_GT(changes, 2 * lines.size());
  }
}

// The generator computes each line's bytes from its own opcode table and operand values: its
// listings check whole, and a confused digit on every seventh code line is found there alone.
TEST(Verify, FirmwareListingsCheckWholeAndEveryChangeIsFound) {
  for (uint64_t seed : {1, 2}) {
    bench::GenOptions options;
    options.variant = bench::Variant::Firmware;
    options.seed = seed;
    options.minBytes = 300000;
    bench::GenStats stats;
    std::string listing = bench::makeListing(options, &stats);
    std::vector<ObjectLine> lines = objectLines(listing);
    ASSERT_EQ(lines.size(), stats.codeLines);
    EXPECT_EQ(report({"verify"}, listing).out, closing(stats.codeLines, 0, 0)) << "seed " << seed;

    std::string expected;
    size_t changed = 0;
    for (size_t k = 0; k < lines.size(); k += 7) {
      const ObjectLine& l = lines[k];
      size_t d = (k / 7) % l.object.size();
      for (; d < l.object.size(); ++d) {
        char meant = l.object[d];
        for (auto [a, b] : kConfusions) {
          if (meant != a && meant != b) continue;
          char read = meant == a ? b : a;
          listing[l.offset + kObjectCol + d] = read;
          expected += errorLine(l, listing.substr(l.offset + kObjectCol, l.object.size()), d, read, meant);
          ++changed;
          break;
        }
        if (listing[l.offset + kObjectCol + d] != meant) break;
      }
    }
    EXPECT_GT(changed, lines.size() / 8);
    EXPECT_EQ(report({"verify"}, listing).out, expected + closing(stats.codeLines, 0, changed)) << "seed " << seed;
  }
}

struct LabelCase {
  const char* what;
  std::string listing;
  std::string out;
};

const std::string kOrg = "001                         ORG   :C000\n";

// Where a label's value comes from: the section's table, else its own lines, else the one
// other section that defines it. A table that disagrees with the section's lines leaves it
// unknown: one of them was misread, and xref says which.
const LabelCase kLabelCases[] = {
    {"the table", kHeader + kOrg + "002 C000 C310C0             JMP   FOO\n" + "003 C003 00                 NOP\n" +
         "004 C004                    END\n\n" + kBanner + "FOO    C010\n",
     closing(2, 0, 0)},
    {"the table against the code label", kHeader + kOrg + "002 C000 C310C0             JMP   FOO\n" +
         "003 C003 00         FOO     NOP\n004 C004                    END\n\n" + kBanner + "FOO    C010\n",
     closing(1, 1, 0)},
    {"the code label when there is no table", kHeader + kOrg + "002 C000 C303C0             JMP   FOO\n" +
         "003 C003 00         FOO     NOP\n",
     closing(2, 0, 0)},
    {"a label-only line at the next code line", kHeader + kOrg + "002 C000 CA04C0             JZ    WAIT\n" +
         "003 C003 00                 NOP\n004                 WAIT\n005 C004 C9         BACK    RET\n",
     closing(3, 0, 0)},
    {"EQU and DS labels, $ and sums", kHeader + kOrg + "002 000D            CR      EQU   0DH\n" +
         "003 C000 3E0E               MVI   A,CR+1\n004 C002 210080             LXI   H,BUF\n" +
         "005 C005 C308C0             JMP   $+3\n006 C008 DB0D               IN    CR\n" +
         "007                         ORG   :8000\n008 8000            BUF     DS    16\n",
     closing(4, 0, 0)},
    {"a label at an address out of its run", kHeader + kOrg + "002 C000 C304C0             JMP   FOO\n" +
         "003 C004 00         FOO     NOP\n",
     closing(1, 1, 0)},
    {"the one other section", kHeader + kOrg + "002 C000 CD00C8             CALL  FAR\n" + kHeader2 +
         "001 C800 C9         FAR     RET\n",
     closing(2, 0, 0)},
    {"its own section before another", kHeader + kOrg + "002 C000 C303C0             JMP   FAR\n" +
         "003 C003 C9         FAR     RET\n" + kHeader2 + "001 C800 C9         FAR     RET\n",
     closing(3, 0, 0)},
    {"two other sections", kHeader + kOrg + "002 C000 CD00C8             CALL  FAR\n" + kHeader2 +
         "001 C800 C9         FAR     RET\nPAGE 01    KEZ FIRMWARE 0D000-0D7FF  V1.1\n" +
         "001 D000 C9         FAR     RET\n",
     closing(2, 1, 0)},
    {"two values in the table", kHeader + kOrg + "002 C000 C303C0             JMP   FOO\n" +
         "003 C003 00         FOO     NOP\n004 C004                    END\n\n" + kBanner + "FOO    C003 FOO    C004\n",
     closing(1, 1, 0)},
    {"a label on a line printed outside the layout, which takes its room", kHeader + kOrg +
         "002 C000 2106C0             LXI   H,MSG\n003 C003 FE20               CPI   ' '\n" +
         "004 C005 C9         BACK    RET\n005 C006 4B455A00   MSG     DB    'KEZ',0\n" +
         "006 C00A C305C0             JMP   BACK\n",
     closing(3, 0, 0)},
    {"an unknown label still has its opcode checked", kHeader + kOrg + "002 C000 C20000             JMP   NOWHERE\n",
     "<<< Erreur >>> : ligne 3 segment 0C000-0C7FF adresse C000 code C20000 attendu C3....\n" + closing(0, 1, 1)},
    {"a wrong value from another section", kHeader + kOrg + "002 C000 CD0DC8             CALL  FAR\n" + kHeader2 +
         "001 C800 C9         FAR     RET\n",
     "<<< Erreur >>> : ligne 3 segment 0C000-0C7FF adresse C000 code CD0DC8 attendu CD00C8 (chiffre 4 : D lu pour 0)\n" +
         closing(2, 0, 1)},
};

TEST(Verify, LabelValues) {
  for (const LabelCase& c : kLabelCases) {
    test::Outcome o = report({"verify"}, c.listing);
    EXPECT_EQ(o.out, c.out) << c.what;
    EXPECT_EQ(o.status, c.out.find("Nb erreurs : 0\n") == std::string::npos ? 1 : 0) << c.what;
  }
}

// Lengths and data: a missing byte, DB items and strings, a DB longer than the column.
TEST(Verify, LengthsAndData) {
  const std::string listing = kHeader + kOrg + "002 C000 CD00               CALL  0C800H\n" +
                              "003 C002 0D41               DB    13,'A'\n004 C004 4B455A             DB    'KEZ'\n" +
                              "005 C007 3412               DW    1234H\n006 C009 48454C             DB    'HELLO'\n" +
                              "007 C00E 48454D             DB    'HELLO'\n";
  test::Outcome o = report({"verify"}, listing);
  EXPECT_EQ(o.out,
            "<<< Erreur >>> : ligne 3 segment 0C000-0C7FF adresse C000 code CD00 attendu CD00C8 (longueur 2 au lieu de 3)\n"
            "<<< Erreur >>> : ligne 8 segment 0C000-0C7FF adresse C00E code 48454D attendu 48454C\n" +
                closing(4, 2, 2));
}

// An operand lost or unreadable leaves the line not checkable, but for an opcode that no form of
// its mnemonic has: ORA is B0-B7 whatever its register, MOV never 76 (HLT), LXI only 01-31.
TEST(Verify, OpcodeOfNoFormOfTheMnemonic) {
  const std::string listing = kHeader + kOrg + "002 C000 83                 ORA\n003 C001 B0                 ORA\n" +
                              "004 C002 76                 MOV   A\n005 C003 210000             LXI   Q,0\n" +
                              "006 C006 220000             LXI   Q,0\n";
  test::Outcome o = report({"verify"}, listing);
  EXPECT_EQ(o.out,
            "<<< Erreur >>> : ligne 3 segment 0C000-0C7FF adresse C000 code 83 attendu .. (aucune forme de ORA ne commence par 83)\n"
            "<<< Erreur >>> : ligne 5 segment 0C000-0C7FF adresse C002 code 76 attendu .. (aucune forme de MOV ne commence par 76)\n"
            "<<< Erreur >>> : ligne 7 segment 0C000-0C7FF adresse C006 code 220000 attendu ...... (aucune forme de LXI ne commence par 22)\n" +
                closing(0, 5, 3));
  EXPECT_EQ(o.status, 1);
}

// Lines of one shape learn their first byte: a clear majority shows the odd one out; a digit in
// the opcode (RST) keeps shapes apart.
TEST(Verify, LearnedSet) {
  std::string sample = test::readFile(test::examplePath("sample.lst"));
  test::Outcome none = report({"verify", "--cpu", "none"}, sample);
  unsigned long checked = 0;
  ASSERT_EQ(std::sscanf(none.out.c_str(), "Nb lignes v\xC3\xA9rifi\xC3\xA9" "es : %lu", &checked), 1) << none.out;
  EXPECT_EQ(none.out, closing(checked, objectLines(sample).size() - checked, 0));
  EXPECT_EQ(none.status, 0);

  std::string listing = kHeader + kOrg;
  const char* bodies[] = {"3E10               MVI   A,10H", "3E20               MVI   A,20H",
                          "3E30               MVI   A,30H", "3F40               MVI   A,40H",
                          "3E50               MVI   A,50H", "3E60               MVI   A,60H"};
  unsigned address = 0xC000;
  int number = 2;
  auto add = [&](const std::string& body, unsigned length) {
    char head[16];
    std::snprintf(head, sizeof head, "%03d %04X ", number++, address);
    listing += head + body + "\n";
    address += length;
  };
  for (const char* body : bodies) add(body, 2);
  for (int k = 0; k < 5; ++k) add("FF                 RST   7", 1);
  add("CF                 RST   1", 1);
  test::Outcome o = report({"verify", "--cpu", "none"}, listing);
  EXPECT_EQ(o.out,
            "<<< Probable >>> : ligne 6 segment 0C000-0C7FF adresse C006 code 3F40 attendu 3E.. (chiffre 2 : F lu pour E, "
            "comme 5 lignes \xC2\xAB MVI A,n \xC2\xBB sur 6)\n" +
                closing(5, 7, 1));
  EXPECT_EQ(o.status, 1);
}

// A section of another processor's code is not judged by the 8085 table, which says so; the
// next section, of 8080 code, still is.
TEST(Verify, SetsTheTableAsideForAnotherProcessorsSection) {
  const std::string listing = kZ80Section + kHeader2 + "001                         ORG   :C800\n" +
                              "002 C800 3E01               MVI   A,1\n003 C802 CD00C8             CALL  0C800H\n" +
                              "004 C805 C300CB             JMP   0C800H\n";
  test::Outcome o = report({"verify"}, listing);
  EXPECT_EQ(o.out,
            "<<< Info >>> : segment 0C000-0C7FF (ligne 1) : 20 lignes de code sur 22 ne suivent pas le jeu "
            "d'instructions 8085, qui n'y est pas appliqu\xC3\xA9 ; --cpu none y juge toutes les lignes par les formes "
            "apprises du listing\n"
            "<<< Erreur >>> : ligne 29 segment 0C800-0CFFF adresse C805 code C300CB attendu C300C8 (chiffre 6 : B lu pour 8)\n" +
                closing(3, 22, 1));
  EXPECT_EQ(o.status, 1);
  // Fifteen lines of it are a few misreads, not another processor.
  std::string shortSection = kZ80Section.substr(0, kZ80Section.find("017 "));
  EXPECT_EQ(report({"verify"}, shortSection).out.rfind("<<< Erreur >>> : ligne 4 segment 0C000-0C7FF adresse C002 code FE0D", 0), 0u);
}

TEST(Verify, UsageErrors) {
  const std::pair<std::vector<const char*>, std::string> cases[] = {
      {{"verify", "--cpu"}, "processeur manquant apr\xC3\xA8s \xC2\xAB --cpu \xC2\xBB"},
      {{"verify", "--cpu", "6502"}, "processeur inconnu \xC2\xAB 6502 \xC2\xBB"},
      {{"verify", "--cpu", "8080", "--cpu", "none"}, "option en double \xC2\xAB --cpu \xC2\xBB"},
      {{"verify", "--cpu=8080", "a", "b"}, "argument en trop \xC2\xAB b \xC2\xBB"},
      {{"verify", "--cpu="}, "processeur manquant apr\xC3\xA8s \xC2\xAB --cpu \xC2\xBB"},
      {{"verify", "--cpu=6502"}, "processeur inconnu \xC2\xAB 6502 \xC2\xBB"},
      {{"gaps", "--cpu", "8080"}, "option inconnue \xC2\xAB --cpu \xC2\xBB"},
      {{"gaps", "--cpu=8080"}, "option inconnue \xC2\xAB --cpu=8080 \xC2\xBB"},
  };
  for (const auto& [args, what] : cases) {
    test::Outcome o = report(args, kHeader);
    EXPECT_EQ(o.err, "romlift-report : " + what + " (voir romlift-report --help)\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 2);
  }
}

}  // namespace
}  // namespace romlift
