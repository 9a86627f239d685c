// The listing read by what each field can hold: lines damaged as a real OCR engine damages them,
// several faults on one line, are given back as printed; headers, banners and symbol tables too;
// and a reading that the listing does not force is not made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reading/glyphs.h"
#include "reading/runs.h"
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

// The sample with each `from` replaced by its `to`.
std::string damaged(const std::vector<std::pair<std::string, std::string>>& slips) {
  std::string listing = sample();
  for (const auto& [from, to] : slips) {
    size_t at = listing.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) listing.replace(at, from.size(), to);
  }
  return listing;
}

struct Reading {
  const char* what;
  std::vector<std::pair<std::string, std::string>> slips;  // printed, as OCR read it
};

// Lines as tesseract reads the printed pages: each is given back whole.
const std::vector<Reading> kReadings = {
    {"0 read as O in every hex field, the line number too",
     {{"022 C016 CD03D0             CALL  0D003H", "O22 CO16 CDO3DO             CALL  OD0O3H"}}},
    {"object code unreadable, address with a lower-case letter",
     {{"034 C029 CD09C8             CALL  0C809H", "034 Co29 CbO9cs             CALL  0C809H"}}},
    {"number and address run together, a look-alike in each",
     {{"041 C03A CA40C0             JZ    TEST", "04lC03A CA4OCO             JZ    TEST"}}},
    {"address and object code run together",
     {{"036 C02F 4F                 MOV   C,A", "036 CO2F4F                  MOV   C,A"}}},
    {"a speck before the number pushes the line to the right",
     {{"045 C043 B7                 ORA   A", " . 045 C043 B7              ORA   A"}}},
    {"leading C of the address lost, a digit of the number read as a letter",
     {{"016 C00F 23                 INX   H", "0l6 00F  23                 INX   H"}}},
    {"a blank after the comma and O for 0 in the operand",
     {{"047 C047 3EFF       FAIL    MVI   A,0FFH", "047 CO47 3EFF       FAIL    MVI   A, OFFH"}}},
    {"a made-up mark after the object code",
     {{"050 C04C 76         HANG    HLT", "050 C04C 76)        HANG    HLT"}}},
    {"label read with a look-alike, settled by the symbol table",
     {{"033 C027 0E3E       PROMPT  MVI   C,'>'", "033 C027 0E3E       PR0MPT  MVI   C,'>'"}}},
    {"quote marks of a character misread",
     {{"038 C033 FE52               CPI   'R'", "038 C033 FE52               CPI   \"R!"}}},
    {"the first-page header misread, its later page header intact",
     {{"PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n\n001", "PAGE O1    KEZ FIRMWARE OCOOO-OC7FF  Vi.1\n\n001"}}},
    {"the banner's stars and title misread",
     {{"***************************\n* S Y M B O L   T A B L E *\n***************************\n\nBANNER",
       "KKEKKKKKEKKKKKKKKKKEKKKKKKKKKK\n{SYMBOL         TAB   Le  *\nKKEKKKKKKKKKEKKKKKEKKKKKKKKKKK\n\nBANNER"}}},
    {"symbol-table addresses with O for 0",
     {{"RAM    8000 START  C000 TEST   C040", "RAM    8OOO START  COOO TEST   CO40"}}},
    {"an ORG's colon lost and a digit misread, the address after it too",
     {{"ORG   :8000", "ORG   7000"}, {"057 8000", "057 80e0"}}},
    {"a label-only line run into the operand of the code line before it",
     {{"LXI   B,0400H\n014                 CLRRAM", "LXI   B,0400H014                 CLRRAM"}}},
    {"two faults on each of three lines in a row",
     {{"023 C019 B7                 ORA   A\n024 C01A C247C0             JNZ   FAIL\n025 C01D CD00C8",
       "O23 CO19 B7                 ORA   A\n024 C0lA C247CO             JNZ   FAlL\n025 COlD CD0OC8"}}},
};

TEST(Reading, GivesBackLinesAsRealOcrReadsThem) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  for (const Reading& c : kReadings) {
    SCOPED_TRACE(c.what);
    std::string listing = damaged(c.slips);
    test::Outcome r = report({"fix"}, listing);
    EXPECT_EQ(test::gnuPatched(listing, r.out), sample()) << r.out << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

// All of them at once: 16 faults among 60 lines of one section and its table.
TEST(Reading, GivesBackTheSampleReadWithEveryFaultAtOnce) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  std::vector<std::pair<std::string, std::string>> all;
  for (const Reading& c : kReadings) all.insert(all.end(), c.slips.begin(), c.slips.end());
  std::string listing = damaged(all);
  test::Outcome r = report({"fix"}, listing);
  EXPECT_EQ(test::gnuPatched(listing, r.out), sample()) << r.out << r.err;
}

// What the listing does not force stays as it was read: two readings fit, or nothing says which
// bytes a line gives.
TEST(Reading, LeavesWhatTwoReadingsFit) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  struct Case {
    const char* what;
    std::string printed, read;
  };
  const std::vector<Case> cases = {
      // The string's characters are read as nothing like them, and the object code is all that
      // says what they were: one witness is not enough to change a byte.
      {"string read as garbage over misread object code", "052 C04D 4B455A     BANNER  DB    'KEZ'",
       "052 C04D 4B465A     BANNER  DB    Yin"},
      // A name that no label is near: the listing may define it where OCR lost it.
      {"operand read as an unknown name over unreadable object code", "042 C03D C327C0             JMP   PROMPT",
       "042 C03D C3#7C0             JMP   QWERTY"},
      // O read for 0 in the object code, an operand read as no value at all.
      {"object code against an operand that reads as nothing", "015 C00D 3600       CLR1    MVI   M,0",
       "015 C00D 36O0       CLR1    MVI   M,#?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string listing = damaged({{c.printed, c.read}});
    test::Outcome r = report({"fix"}, listing);
    std::string patched = test::gnuPatched(listing, r.out).value_or("");
    EXPECT_NE(patched.find(c.read), std::string::npos) << r.out;
  }
}

// An operand that no reading takes, on a line romlift cannot read: its bytes are the object
// code's, whose opcode the mnemonic and register tell, and the text is written from them and
// said so, rather than leave the rest of the section unread.
TEST(Reading, WritesAnOperandNothingReadsFromTheObjectCode) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  std::string listing = damaged({{"033 C027 0E3E       PROMPT  MVI   C,'>'", "033 C027 0h3E       PROMPT  MVI   CyV2)"}});
  test::Outcome r = report({"fix"}, listing);
  std::string expected = sample();
  expected.replace(expected.find("MVI   C,'>'"), 11, "MVI   C,3EH");
  EXPECT_EQ(test::gnuPatched(listing, r.out), expected) << r.out;
  EXPECT_EQ(r.err, "<<< Ligne compl\xC3\xA9t\xC3\xA9" "e >>> : ligne 37 segment 0C000-0C7FF : texte de l'instruction "
                   "\xC3\xA9" "crit d'apr\xC3\xA8s le code objet 0E3E\n"
                   "Nb corrections : 1\nNb cas ambigus : 0\nNb dommages non r\xC3\xA9parables : 0\n");
}

// A string read as nothing like a string, on a line whose address OCR misread: the address is
// the run's, the string stays as read (nobody can know it), and the printed bytes reach the image.
TEST(Reading, MendsTheAddressOfADataLineWhoseStringNothingReads) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  std::string listing = damaged({{"052 C04D 4B455A     BANNER  DB    'KEZ'", "052 CO4D 4B455A     BANNER  DB    Yin"}});
  test::Outcome r = report({"fix"}, listing);
  std::string expected = sample();
  expected.replace(expected.find("DB    'KEZ'"), 11, "DB    Yin  ");
  EXPECT_EQ(test::gnuPatched(listing, r.out), expected) << r.out;
  EXPECT_EQ(r.err.find("compl"), std::string::npos) << r.err;
}

// A jump whose object code and operand are both damaged still gives its length from its
// mnemonic: the addresses after it, one of them read clearly as another, follow on from it.
TEST(Reading, TakesALengthFromTheMnemonicWhenNothingElseReads) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string head = test::kHeader + "\n001                         ORG   :C4F3\n002 C4F3 5E                 MOV   E,M\n";
  const std::string tail = "008 C4FF D5                 PUSH  D\n009 C500                    END\n";
  const std::string read = head + "003 C4r4 C3rF7C4            JMP   PUTC6\n004                 PUTC6\n" +
                           "005 C4h7 2699       WAIT2   MVI   H,99H\n006 C4E9 C3FFC1             JMP   0C1FFH\n" +
                           "007 C4kC 320C9C             STA   9C0CH\n" + tail;
  const std::string printed = head + "003 C4F4 C3F7C4             JMP   PUTC6\n004                 PUTC6\n" +
                              "005 C4F7 2699       WAIT2   MVI   H,99H\n006 C4F9 C3FFC1             JMP   0C1FFH\n" +
                              "007 C4FC 320C9C             STA   9C0CH\n" + tail;
  test::Outcome r = report({"fix"}, read);
  EXPECT_EQ(test::gnuPatched(read, r.out), printed) << r.out << r.err;
}

// A mark in a label may be one of its characters: | for the 1 of PU1, which the table gives at
// that address with FIND8, the label-only line before it. Dropped, it would leave PU.
TEST(Reading, TakesAMarkInALabelForTheCharacterTheTableGives) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string head = "PAGE 01    KEZ FIRMWARE 0E000-0E7FF  V1.1\n\n001                         ORG   :E2E3\n"
                           "002 E2E3 DE88               SBI   88H\n003                 FIND8\n";
  const std::string tail = "005 E2E6 C3E5E2             JMP   PU1\n006 E2E9                    END\n\n" + test::kBanner +
                           "\nFIND8  E2E5 PU1    E2E5\n";
  const std::string printed = head + "004 E2E5 E3         PU1     XTHL\n" + tail;
  const std::string read = head + "004 E2E5 E3     *    PU|     XTHL\n" + tail;
  test::Outcome r = report({"fix"}, read);
  EXPECT_EQ(test::gnuPatched(read, r.out), printed) << r.out << r.err;
}

// A numbered code line, however damaged, is never made part of the line before it: its bytes
// would leave the image without a trace.
TEST(Reading, NeverJoinsANumberedCodeLineIntoAComment) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::vector<std::string> reads = {
      "0\xC3\xA9" "45 C043 B7                 ORA   A",  // a stray non-ASCII byte in the number
      "O4S CO43 87                 0RA   A",            // every field damaged
      "045 C043 B7                 ",                     // cut after its object code
  };
  for (const std::string& read : reads) {
    SCOPED_TRACE(read);
    std::string listing = damaged({{"045 C043 B7                 ORA   A", read}});
    test::Outcome r = report({"fix"}, listing);
    std::string patched = test::gnuPatched(listing, r.out).value_or("");
    EXPECT_NE(patched.find("RECOMPUTE THE SUM\n"), std::string::npos) << r.out;
    EXPECT_NE(patched.find("\n04"), std::string::npos);
    size_t line = patched.find("RECOMPUTE THE SUM\n") + 18;
    EXPECT_TRUE(patched.compare(line, 3, "045") == 0 || patched.compare(line, read.size(), read) == 0) << r.out;
  }
}

TEST(Reading, RunOfLineNumbers) {
  struct Case {
    const char* what;
    std::vector<reading::RunField> fields;
    std::vector<int> expected;  // -1: not told
  };
  const std::vector<Case> cases = {
      {"look-alikes and a lost digit mended between good ones",
       {{"001", 1}, {"OO2", 1}, {"0O3", 1}, {"04", 1}, {"005", 1}},
       {1, 2, 3, 4, 5}},
      {"a line lost: the number after it read clearly stays",
       {{"010", 1}, {"011", 1}, {"013", 1}, {"014", 1}},
       {10, 11, 13, 14}},
      {"garbage between two good numbers takes the one between",
       {{"020", 1}, {"#?", 1}, {"022", 1}},
       {20, 21, 22}},
      {"a number clearly another, where no run confirms it, is not bent",
       {{"030", 1}, {"731", 1}, {"032", 1}, {"033", 1}},
       {30, -1, 32, 33}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::optional<unsigned>> got = reading::readRun(c.fields, reading::RunShape{1000, 3, false});
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i] ? static_cast<int>(*got[i]) : -1, c.expected[i]) << i;
  }
}

TEST(Reading, CostsOfReadingOneCharacterAsAnother) {
  using reading::misreadCost;
  // What tesseract does most is cheapest; what looks nothing alike is out of the look-alikes.
  EXPECT_LT(misreadCost('0', 'O'), misreadCost('0', 'D'));
  EXPECT_LT(misreadCost('F', 'E'), misreadCost('E', 'F'));
  EXPECT_EQ(reading::fieldCost("C0D9", "CODA", reading::kNever - 1), reading::kNever);
  EXPECT_EQ(reading::fieldCost("C0D9", "COD9", reading::kNever - 1), misreadCost('0', 'O'));
  EXPECT_EQ(reading::channelCost("CALL", "CALL", 0), 0);
}

}  // namespace
}  // namespace romlift
