// romlift-report fix on the sample listing with one OCR slip at a time: each kind is undone, an
// ambiguous place is listed and left alone, what cannot be restored is told, and the patch
// gives back the very bytes through GNU patch and git apply.
#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fix_scoring.h"
#include "reading/reader.h"
#include "listing_gen.h"
#include "ocr_damage.h"
#include "support/independent_tools.h"
#include "support/listing.h"
#include "support/prerequisites.h"
#include "support/report.h"
#include "support/run_binary.h"

namespace romlift {
namespace {

using test::report;

const std::string& sample() {
  static const std::string kSample = test::readFile(test::examplePath("sample.lst"));
  return kSample;
}

// The sample with the first `from` replaced by `to`.
std::string damaged(const std::string& from, const std::string& to) {
  std::string listing = sample();
  size_t at = listing.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) listing.replace(at, from.size(), to);
  return listing;
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> out;
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.find('\n', at), text.size());
    out.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return out;
}

std::string closing(int corrections, int ambiguous, int unrepaired) {
  return "Nb corrections : " + std::to_string(corrections) + "\nNb cas ambigus : " + std::to_string(ambiguous) +
         "\nNb dommages non r\xC3\xA9parables : " + std::to_string(unrepaired) + "\n";
}

struct Slip {
  const char* kind;
  std::string line;  // as printed
  std::string read;  // as OCR read it
};

const std::vector<Slip> kSlips = {
    {"look-alike in the address", "022 C016 CD03D0             CALL  0D003H", "022 C0l6 CD03D0             CALL  0D003H"},
    {"lower case", "018 C011 78                 MOV   A,B", "018 C011 78                 MoV   A,B"},
    {"look-alike in an operand label", "039 C035 CA00C0             JZ    START", "039 C035 CA00C0             JZ    5TART"},
    {"E read as F in the object code", "047 C047 3EFF", "047 C047 3FFF"},
    {"look-alike in a DS size", "058 8010            CSUM    DS    1 ", "058 8010            CSUM    DS    l "},
    {"look-alike in a symbol table", "CKSUM  D013 DELAY", "CKSUM  D0l3 DELAY"},
    {"look-alike in a header", "0C800-0CFFF  V1.1\n\n001", "0C800-0CFFF  V1.l\n\n001"},
    // Right after a symbol table, where a later page's header would leave the section unread.
    {"look-alike in a first-page number", "PAGE 01    KEZ FIRMWARE 0C800", "PAGE G1    KEZ FIRMWARE 0C800"},
    {"blank lost", "022 C016 CD03D0             CALL", "022 C016 CD03D0            CALL"},
    {"blank added", "018 C011 78                 MOV   A,B", "018 C011 78                  MOV   A,B"},
    {"blank lost before a comment", "EQU   0DH       CARRIAGE", "EQU   0DH      CARRIAGE"},
    {"tab", "019 C012 B1                 ORA   C", "019 C012 B1\tORA   C"},
    {"stray mark", "016 C00F 23                 INX   H", "016 C00F 23        .        INX   H"},
    {"stray mark in a label", "050 C04C 76         HANG    HLT", "050 C04C 76         HA'NG    HLT"},
    {"split", "025 C01D CD00C8             CALL", "025 C01D CD00C8\nCALL"},
    {"join", "045 C043 B7                 ORA   A\n046", "045 C043 B7                 ORA   A 046"},
    // Cut short: the rest follows from the object code, the one writing of its value that fits.
    {"cut in a number", "013 C00A 010004             LXI   B,0400H", "013 C00A 010004             LXI   B,04"},
    {"cut in a register operand", "018 C011 78                 MOV   A,B", "018 C011 78                 MOV   A"},
    {"cut in a label operand", "043 C83B CD2CC8             CALL  PUTC", "043 C83B CD2CC8             CALL  PU"},
    // Object code that cannot be read: the mnemonic, the operand and the labels give it.
    {"object code lost", "016 C00F 23                 INX   H", "016 C00F                    INX   H"},
    {"object code digit unreadable", "043 C83B CD2CC8", "043 C83B CD2#C8"},
    // The operand as read gives the digit; that it might have been misread too is a second slip.
    {"object code digit unreadable where a look-alike of the operand differs", "022 C016 CD03D0", "022 C016 CD03#0"},
};

TEST(Fix, UndoesEachKindOfSlip) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  for (const Slip& s : kSlips) {
    SCOPED_TRACE(s.kind);
    std::string listing = damaged(s.line, s.read);
    test::Outcome r = report({"fix"}, listing);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, closing(1, 0, 0));
    EXPECT_EQ(test::gnuPatched(listing, r.out), sample()) << r.out;
  }
}

// A digit of the object code or a character of the operand read as its look-alike: either
// slip fits, so neither is made. The readings are listed best first.
TEST(Fix, ListsEquallyGoodCorrectionsAndMakesNone) {
  struct Case {
    std::string line, read, told;
  };
  const std::vector<Case> cases = {
      {"044 C040 CD03D0", "044 C040 CD0300",
       "<<< Cas ambigu >>> : ligne 48 : 2 corrections possibles, aucune n'est faite\n"
       "ligne 48 : 044 C040 CD03D0     TEST    CALL  0D003H    RECOMPUTE THE SUM\n"
       "ligne 48 : 044 C040 CD0300     TEST    CALL  00003H    RECOMPUTE THE SUM\n"},
      // An unreadable digit, and 0 read for D in the object code or D for 0 in the operand.
      {"013 C00A 010004             LXI   B,0400H", "013 C00A 010#04             LXI   B,04D0H",
       "<<< Cas ambigu >>> : ligne 15 : 2 corrections possibles, aucune n'est faite\n"
       "ligne 15 : 013 C00A 01D004             LXI   B,04D0H\n"
       "ligne 15 : 013 C00A 010004             LXI   B,0400H\n"},
      // 5 read as 6 in the object code, or the E of the operand for an F.
      {"052 C04D 4B455A", "052 C04D 4B465A",
       "<<< Cas ambigu >>> : ligne 56 : 2 corrections possibles, aucune n'est faite\n"
       "ligne 56 : 052 C04D 4B465A     BANNER  DB    'KFZ'     SIGN-ON TEXT\n"
       "ligne 56 : 052 C04D 4B455A     BANNER  DB    'KEZ'     SIGN-ON TEXT\n"},
      // 8 read as B in the object code, or E read as B in the operand.
      {"018 C011 78                 MOV   A,B", "018 C011 7B                 MOV   A,B",
       "<<< Cas ambigu >>> : ligne 20 : 2 corrections possibles, aucune n'est faite\n"
       "ligne 20 : 018 C011 7B                 MOV   A,E\n"
       "ligne 20 : 018 C011 78                 MOV   A,B\n"},
      {"MVI   A,0FFH", "MVI   A,0FEH",
       "<<< Cas ambigu >>> : ligne 51 : 2 corrections possibles, aucune n'est faite\n"
       "ligne 51 : 047 C047 3EFF       FAIL    MVI   A,0FFH    ALL LEDS ON\n"
       "ligne 51 : 047 C047 3EFE       FAIL    MVI   A,0FEH    ALL LEDS ON\n"},
  };
  for (const Case& c : cases) {
    test::Outcome r = report({"fix"}, damaged(c.line, c.read));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.told + closing(0, 1, 0));
  }
}

TEST(Fix, TellsTheBytesThatNobodyPrinted) {
  struct Case {
    std::string line, read, told;
  };
  const std::vector<Case> cases = {
      {"049 C04B F3                 DI              NOTHING MORE TO DO\n", "",
       "ligne 53 segment 0C000-0C7FF adresse C04B : 1 octet manquant"},
      {"009 C001 310084             LXI   SP,8400H  STACK AT TOP OF RAM", "009 C001 3100",
       "ligne 11 segment 0C000-0C7FF adresse C001 : 3 octets manquants"},

  };
  for (const Case& c : cases) {
    test::Outcome r = report({"fix"}, damaged(c.line, c.read));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "<<< Non r\xC3\xA9parable >>> : " + c.told + "\n" + closing(0, 0, 1));
  }
}

// The object code against an operand that a slip may explain as well: a line that ends on its
// operand or mnemonic may have been cut there (`CPI 0` from `CPI 0C0H` with FE C0 shown, `DB 0`
// from `DB 0D0H`, `RP` from `RPO`), so neither is made to fit the other.
TEST(Fix, LeavesTheCodeOfAnOperandThatMayBeCutShort) {
  const std::string head = "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n\n001                         ORG   :C000\n";
  const std::string tail = "003 C002 C9                 RET\n004 C003                    END\n";
  const std::pair<std::string, std::string> cases[] = {
      {head + "002 C000 FEC0               CPI   0\n" + tail, "ligne 4 segment 0C000-0C7FF : code objet FEC0 refus\xC3\xA9 pour CPI 0"},
      {head + "002 C000 D0                 DB    0\n003 C001 C9                 RET\n004 C002                    END\n",
       "ligne 4 segment 0C000-0C7FF : code objet D0 refus\xC3\xA9 pour DB 0"},
      // RP may be what is left of RPO (E0), or E0 be F0 misread: neither is made.
      {head + "002 C000 E0                 RP\n003 C001 C9                 RET\n004 C002                    END\n",
       "ligne 4 segment 0C000-0C7FF : code objet E0 refus\xC3\xA9 pour RP"},
  };
  for (const auto& [listing, told] : cases) {
    test::Outcome r = report({"fix"}, listing);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "<<< Non r\xC3\xA9parable >>> : " + told + "\n" + closing(0, 0, 1));
  }
}

// Two addresses misread one after the other: the code line after them and the symbol table
// agree with the truth, the END line too, so neither is bent to follow the damaged DS line.
TEST(Fix, TakesNoDamagedLineForAWitness) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string head = "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n\n001                         ORG   :C000\n"
                           "002 C000 3E01       START   MVI   A,1\n";
  const std::string tail = "005 C00D C300C0             JMP   START\n006 C010                    END\n\n" + test::kBanner +
                           "\nBUF    C003 START  C000\n";
  const std::string printed = head + "003 C002 F0                 RP\n004 C003            BUF     DS    10\n" + tail;
  const std::string read = head + "003 CD02 F0                 RP\n004 C0D3            BUF     DS    10\n" + tail;
  test::Outcome r = report({"fix"}, read);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(test::gnuPatched(read, r.out), printed) << r.out;
}

// Lines printed whole that a damaged neighbour could be made to agree with: an EQU whose
// operand OCR misread against the value its address column and the table print, the line
// after a line cut inside its object code, the pages of a section whose first header has a
// tab, a blank line after a line with a tab. fix restores the damage or leaves it, and changes
// nothing else.
TEST(Fix, ChangesNoLinePrintedWholeToAgreeWithADamagedOne) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string table = "\n" + test::kBanner + "\n";
  // MVI B,79 cut after its opcode, two lines before an ORG: 193 stands where its neighbours say.
  const std::string cutHead = "PAGE 01    KEZ FIRMWARE 08800-08FFF  V1.1\n\n"
                              "188                                         FLOPPY CONTROLLER\n"
                              "189 8B4B C9                 RET\n"
                              "190 8B4C 34                 INR   M\n";
  const std::string cutTail = "192                                         STEP, SEEK AND READ\n"
                              "193 8B4F FE53               CPI   83        THREE ZEROS FIRST\n"
                              "194 8B51 C39A03             JMP   39AH\n"
                              "195                         ORG   :8C00\n"
                              "196 8C00 F1                 POP   PSW\n";
  // A label-only line, a labelled line with a tab, a blank line, a labelled line.
  const std::string tabbed = "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n\n001                         ORG   :C000\n"
                             "002                 MAIN\n003 C000 79         PRINT   MOV   A,C\n\n"
                             "004 C001 C300C0     CNT     JMP   PRINT\n005 C004                    END\n" +
                             table + "CNT    C001 MAIN   C000 PRINT  C000\n";
  const std::string gone = "044 C83E 23                 INX   H\n";
  std::string lost = sample();
  lost.erase(lost.find(gone), gone.size());
  std::string tab = tabbed;
  tab.replace(tab.find("PRINT   MOV"), 11, "PRINT\tMOV");
  const struct {
    const char* what;
    std::string printed, read, restored;  // restored empty: left as read
  } cases[] = {
      {"EQU operand", sample(), damaged("RAM     EQU   8000H", "RAM     EQU   800CH"), sample()},
      {"cut object code", cutHead + "191 8B4D 064F               MVI   B,79\n" + cutTail, cutHead + "191 8B4D 06\n" + cutTail, ""},
      {"tab in a first header", sample(), damaged("0D000-0D7FF  V1.1\n\n001", "0D000-0D7FF\tV1.1\n\n001"), sample()},
      {"tab before a blank line", tabbed, tab, tabbed},
      // 044 lost: 045 reads clearly as itself, and END keeps its 046 rather than follow 043.
      {"line lost before the last", lost, lost, ""},
  };
  for (const auto& c : cases) {
    // The reading, before any check confirms it, rewrites no line printed whole and deletes none.
    std::vector<std::string_view> was = linesOf(c.read), printed = linesOf(c.printed);
    ASSERT_EQ(was.size(), printed.size()) << c.what;
    for (const reading::Rewrite& w : reading::readListing(was).rewrites)
      for (size_t k = w.first; k < w.first + w.count; ++k) {
        EXPECT_NE(was[k], printed[k]) << c.what << ": line " << k + 1 << " rewritten";
      }
    test::Outcome r = report({"fix"}, c.read);
    std::optional<std::string> patched = test::gnuPatched(c.read, r.out);
    ASSERT_TRUE(patched.has_value()) << c.what;
    EXPECT_EQ(*patched, c.restored.empty() ? c.read : c.restored) << c.what << "\n" << r.out;
  }
}

// Two lines misread alike (C82B, C82C read CB2B, CB2C) follow on from each other, but not from
// the lines around them: the addresses are mended, and PUTC's entry in the table is not moved
// to CB2C, though the three object codes mended elsewhere make up for the errors it would give.
TEST(Fix, MovesNoTableEntryToLinesMisreadAlike) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  std::string island = damaged("028 C82B C9", "028 CB2B C9");
  island.replace(island.find("031 C82C DB11"), 13, "031 CB2C DB11");
  std::string read = island;
  for (auto [from, to] : {std::pair<const char*, const char*>{"018 C011 78", "018 C011 76"},
                          {"023 C019 B7", "023 C019 87"}, {"047 C047 3EFF", "047 C047 3FFF"}})
    read.replace(read.find(from), std::strlen(from), to);
  test::Outcome r = report({"fix"}, read);
  EXPECT_EQ(test::gnuPatched(read, r.out), sample()) << r.out;
  EXPECT_EQ(r.status, 0);
}

// JM STEP6 takes its object code from the section's own STEP6 once that line reads: 97 is SUB A.
// While nothing tells where the section's own STEP6 stands, the other section's STEP6 gives no
// object code for JM STEP6.
TEST(Fix, TakesNoOtherSectionsLabelWhenTheSectionsOwnMayBeUnread) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string first = test::kHeader + "\n001                         ORG   :C000\n" +
                            "002 C000 C9         STEP6   RET\n003 C001                    END\n\n" + test::kBanner +
                            "\nSTEP6  C000\n\n\n" + test::kHeader2 + "\n001                         ORG   :C800\n";
  const std::string jump = "002 C800                    JM    STEP6\n003 C803 00                 NOP\n";
  const std::string tail = "\n005 C805                    END\n";
  const std::string own = "004 C804 97         STEP6   SUB   A";
  test::Outcome r = report({"fix"}, first + jump + "004 C804 9#         STEP6   SUB   A" + tail);
  EXPECT_EQ(test::gnuPatched(first + jump + "004 C804 9#         STEP6   SUB   A" + tail, r.out),
            first + "002 C800 FA04C8             JM    STEP6\n003 C803 00                 NOP\n" + own + tail)
      << r.out;
  EXPECT_EQ(r.err, closing(2, 0, 0));

  const std::string unread = "004 C8## ##         STEP6   #\n005 C8#5                    END\n";
  r = report({"fix"}, first + jump + unread);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "<<< Non r\xC3\xA9parable >>> : ligne 17 segment 0C800-0CFFF adresse C800 : 3 octets manquants\n"
                   "<<< Non r\xC3\xA9parable >>> : ligne 19 segment 0C800-0CFFF : ligne illisible\n"
                   "<<< Non r\xC3\xA9parable >>> : ligne 20 segment 0C800-0CFFF : ligne illisible\n" +
                       closing(0, 0, 3));
}

// A line that starts with its number and address, a mark for the blank between them, is a line
// of its own, not the end of the line before: joining it to that line as a comment would lose its
// bytes. It is read as the code line it is, and the line after it, with a tab for its blanks.
TEST(Fix, TakesNoNumberedLineForTheEndOfAnother) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string head = test::kHeader + "\n001                         ORG   :C131\n" +
                           "153 C131 2E                 DB    2EH\n154 C132 FE91               CPI   91H\n"
                           "155 C134 CA77B9             JZ    0B977H\n";
  const std::string tail = "158 C13B FA2C3C             JM    3C2CH\n159 C13E                    END\n";
  const std::string read = head + "156.C137 E244C0             JPO   0C044H\n157 C13A E8         YEVDT\tRPE\n" + tail;
  test::Outcome r = report({"fix"}, read);
  EXPECT_EQ(test::gnuPatched(read, r.out),
            head + "156 C137 E244C0             JPO   0C044H\n157 C13A E8         YEVDT   RPE\n" + tail);
  EXPECT_EQ(r.err, closing(1, 0, 0));
  EXPECT_EQ(r.status, 0);
}

// Sections without a symbol table, where only the lines around a slip tell what was printed.
TEST(Fix, SectionsWithoutSymbolTable) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string head = "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n\n001                         ORG   :C000\n";
  struct Case {
    const char* what;
    std::string read, printed, err;
  };
  const std::vector<Case> cases = {
      // The mark explains both the label and the mnemonic one column off; a blank taken away
      // would leave the mark in the label.
      {"stray mark in a label",
       "002 C000 D1                 POP   D\n003 C001 00         CMD`     NOP\n004 C002                    END\n",
       "002 C000 D1                 POP   D\n003 C001 00         CMD     NOP\n004 C002                    END\n",
       closing(1, 0, 0)},
      // 08H read for 0BH would close the break as well, but a numbered line is missing from
      // between: the lost line holds the bytes, and the DS size stays as printed.
      {"line lost after a DS",
       "002 C000 C30EC0     START   JMP   NEXT\n003 C003            BUF     DS    08H\n004\n006\n"
       "007 C00E 76         NEXT    HLT\n008 C00F                    END\n",
       "", "<<< Non r\xC3\xA9parable >>> : ligne 8 segment 0C000-0C7FF adresse C00B : 3 octets manquants\n" + closing(0, 0, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::Outcome r = report({"fix"}, head + c.read);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.status, c.printed.empty() ? 1 : 0);
    EXPECT_EQ(test::gnuPatched(head + c.read, r.out), head + (c.printed.empty() ? c.read : c.printed));
  }
}

// Only the instruction table confirms a rewritten instruction: another processor's code has
// nothing to correct, and a mark taken out of a macro's operand might have been printed.
TEST(Fix, LeavesWhatNoInstructionTableConfirms) {
  test::Outcome z80 = report({"fix"}, test::kZ80Section);
  EXPECT_EQ(z80.out, "");
  EXPECT_EQ(z80.err, closing(0, 0, 0));
  EXPECT_EQ(z80.status, 0);
  test::Outcome macro = report({"fix"}, test::kHeader + "\n001                         ORG   :C000\n" +
                                            "002 C000 CD00C8             PRNT  MESSAGE1.\n" +
                                            "003 C003 C9                 RET\n004 C004                    END\n");
  EXPECT_EQ(macro.out, "");
  EXPECT_EQ(macro.err, "<<< Non r\xC3\xA9parable >>> : ligne 4 segment 0C000-0C7FF adresse C000 : 3 octets manquants\n" +
                           closing(0, 0, 1));
  EXPECT_EQ(macro.status, 1);
}

TEST(Fix, CleanListingGivesAnEmptyPatch) {
  test::Outcome r = report({"fix"}, sample());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, closing(0, 0, 0));
}

// Carriage returns and a last line without newline stay as they are: both tools apply the
// patch to the very bytes and give back the listing as printed.
TEST(Fix, PatchAppliesToTheVeryBytes) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  ROMLIFT_SKIP_WITHOUT(kGit);
  auto crlf = [](std::string text) {
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) text.insert(at, "\r");
    return text;
  };
  std::string unended = sample().substr(0, sample().size() - 2);  // ends with WAIT   D006
  const std::vector<std::pair<std::string, std::string>> cases = {
      {crlf(damaged("MOV   A,B", "MoV   A,B")), crlf(sample())},
      {unended.substr(0, unended.size() - 11) + "WAIT   D0O6", unended},
  };
  for (const auto& [listing, printed] : cases) {
    test::Outcome r = report({"fix", "--name", "firmware.lst"}, listing);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 40), "--- a/firmware.lst\n+++ b/firmware.lst\n@@");
    EXPECT_EQ(test::gnuPatched(listing, r.out), printed);
    EXPECT_EQ(test::gitApplied(listing, "firmware.lst", r.out), printed);
  }
}

// Generated 8080 firmware under the OCR damage model, which keeps the truth: the patch, applied
// by GNU patch, gets no damaged code line wrong and touches no line that was not damaged, and
// restores most damaged code lines in their fields. A lost line is no correction's to restore;
// the score counts it wrong when a hunk mends a damaged line next to where it stood.
TEST(Fix, RestoresGeneratedFirmwareWithoutAWrongEdit) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  bench::GenOptions options;
  options.variant = bench::Variant::Firmware;
  options.minBytes = 60000;
  const std::string original = bench::makeListing(options);
  for (uint64_t seed : {5, 6}) {
    SCOPED_TRACE(seed);
    bench::ocr::Damaged d = bench::ocr::damage(original, {5, seed});
    test::Outcome r = report({"fix"}, d.text);
    std::optional<std::string> patched = test::gnuPatched(d.text, r.out);
    ASSERT_TRUE(patched.has_value());
    bench::ocr::Score score = bench::ocr::score(d.truth, original, d.text, *patched);
    EXPECT_EQ(score.wrongEdits, 0u);
    uint64_t damaged = 0, restored = 0;
    for (size_t k = 0; k < bench::ocr::kKinds; ++k) {
      const bench::ocr::KindScore& ks = score.kinds[k];
      auto kind = static_cast<bench::ocr::Kind>(k);
      if (kind != bench::ocr::Kind::Lost) {
        EXPECT_EQ(ks.wrong - ks.completed, 0u) << bench::ocr::kindName(kind);
      }
      damaged += ks.damaged - ks.outside;
      restored += ks.restored;
    }
    EXPECT_GE(restored * 10, damaged * 7) << bench::ocr::formatScore(score);
  }
}

// An OCR page that comes out as one line: its candidates stay few and short, so that fix's
// memory grows with the line, not with its square (a 50 000-character line took 5 GB).
TEST(Fix, LineThatRunsOnForPagesTakesLittleMemory) {
#ifdef ROMLIFT_SANITIZED
  GTEST_SKIP() << "the sanitizers' own memory hides the fix's";
#else
  std::string listing = sample();
  size_t at = listing.find("031                 MAIN");
  std::string debris;
  for (int i = 0; i < 500000; ++i) debris += "O3l ";
  listing.insert(at, debris);
  test::RunOptions options;
  options.report = true;
  options.args = {"fix"};
  test::RunResult r = test::runRomlift(listing, options);
  EXPECT_EQ(r.status, 1);
  ASSERT_GT(r.peakKb, 0);
  EXPECT_LT(r.peakKb, 100 * 1024) << "for a line of " << debris.size() << " characters";
#endif
}

TEST(Fix, UsageErrors) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"fix", "--name"}, "fichier manquant apr\xC3\xA8s \xC2\xAB --name \xC2\xBB"},
      {{"fix", "--name", "a", "--name", "b"}, "option en double \xC2\xAB --name \xC2\xBB"},
      {{"fix", "--name", "my file"}, "nom de fichier impossible dans un patch \xC2\xAB my file \xC2\xBB"},
      {{"fix", "--name=my file"}, "nom de fichier impossible dans un patch \xC2\xAB my file \xC2\xBB"},
      {{"fix", "--name="}, "fichier manquant apr\xC3\xA8s \xC2\xAB --name \xC2\xBB"},
      {{"fix", "--offsets"}, "option inconnue \xC2\xAB --offsets \xC2\xBB"},
  };
  for (const auto& [args, what] : cases) {
    test::Outcome r = report(args, sample());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "romlift-report : " + what + " (voir romlift-report --help)\n");
  }
}

}  // namespace
}  // namespace romlift
