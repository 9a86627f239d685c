// The score of a listing read back by OCR: characters misread in the fields and code lines
// damaged, with the lines paired one for one or around a lost one; ROM bytes from Intel HEX;
// and the code lines a correction's diff hides.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "ocr_scoring.h"

namespace romlift::bench::ocr {
namespace {

const std::string kTruth =
    "PAGE 01    KEZ FIRMWARE 0C800-0CFFF  V1.1\n"
    "\n"
    "001                         ORG   :C800\n"
    "002 C800 C9         BEEP    RET             NOTHING YET\n"
    "003 C801 3A1080     READY   LDA   8010H     ANY KEY?\n"
    "004 C804 B7                 ORA   A\n"
    "005 C805 CA01C8             JZ    READY     WAIT\n"
    "006 C808 C9                 RET\n";

TEST(OcrScore, CountsCharacterErrorsAndDamagedCodeLinesInTheFields) {
  struct Case {
    const char* what;
    std::string ocr;
    uint64_t errors, damaged;
    std::map<std::string, uint64_t> confusions;  // checked when given
  };
  const std::string page = "PAGE O1    KEZ FIRMWARE 0C800-0CFFF  V1.1\n\n001                         ORG   :C800\n";
  const std::string beep = "002 C800 C9         BEEP    RET             NOTHING YFT\n";  // the comment only
  const std::string lda = "003 C80l 3A1080     READY   LDA   8O1OH     ANY KEY?\n";
  const std::string end = "005 C805 CA01C8             JZ    READY     WAIT\n006 C808 C9                 RET\n";
  const Case cases[] = {
      {"as many lines: paired one for one",
       page + beep + lda + "004 C804 B7                 ORA  A\n" + end,
       5,
       2,
       {{"0>O", 3}, {"1>l", 1}, {" >", 1}}},
      {"a line lost and two specks added: the lost line's 35 characters and the specks' 3 count",
       page + beep + lda + end + ".\n',\n",
       42,
       2,
       {}},
  };
  for (const Case& c : cases) {
    TextScore s = scoreText(kTruth, c.ocr);
    EXPECT_EQ(s.chars, 255u) << c.what;
    EXPECT_EQ(s.charErrors, c.errors) << c.what;
    EXPECT_EQ(s.codeLines, 5u) << c.what;
    EXPECT_EQ(s.codeLinesDamaged, c.damaged) << c.what;
    if (!c.confusions.empty()) {
      EXPECT_EQ(s.confusions, c.confusions) << c.what;
    }
  }
}

TEST(OcrScore, ScoresEachFieldOfTheCodeLinesAndTheirHexDigits) {
  struct Case {
    const char* what;
    std::string ocr;
    std::array<uint64_t, 6> errors;  // number, address, object, label, mnemonic, operand
    uint64_t hexRight;
  };
  const std::string head = "PAGE 01    KEZ FIRMWARE 0C800-0CFFF  V1.1\n\n001                         ORG   :C800\n"
                           "002 C800 C9         BEEP    RET             NOTHING YET\n"
                           "003 C80l 3A1080     READY   LDA   8O1OH     ANY KEY?\n";
  const std::string end = "005 C805 CA01C8             JZ    READY     WAIT\n006 C808 C9                 RET\n";
  const Case cases[] = {
      {"the operand one column to the left, O for 0, l for 1",
       head + "004 C804 B7                 ORA  A\n" + end,
       {0, 1, 0, 0, 0, 3},
       37},
      {"the ORA line lost: all its fields and digits", head + end, {3, 5, 2, 0, 3, 3}, 31},
  };
  for (const Case& c : cases) {
    TextScore s = scoreText(kTruth, c.ocr);
    const uint64_t chars[] = {15, 20, 18, 9, 14, 11};
    for (size_t k = 0; k < kScoredFields.size(); ++k) {
      EXPECT_EQ(s.fields[k].chars, chars[k]) << c.what << ": " << kScoredFields[k].name;
      EXPECT_EQ(s.fields[k].errors, c.errors[k]) << c.what << ": " << kScoredFields[k].name;
    }
    EXPECT_EQ(s.hexDigits, 38u) << c.what;
    EXPECT_EQ(s.hexRight, c.hexRight) << c.what;
  }
}

TEST(OcrScore, ComparesTheRomBytesAddressByAddress) {
  Bytes truth, read, extended;
  std::string error;
  ASSERT_TRUE(parseIntelHex(":04C00000F331008494\n:00000001FF\n", truth, error)) << error;
  // C002 with another value, C000 given twice, D000 the truth lacks, the record after the
  // end ignored.
  ASSERT_TRUE(
      parseIntelHex(":03C00000F3310118\r\n:01C00000F34C\n:01D00000002F\n:00000001FF\n:01C0000076C9\n", read, error))
      << error;
  EXPECT_EQ(read, (Bytes{{0xC000, 0xF3}, {0xC001, 0x31}, {0xC002, 0x01}, {0xC000, 0xF3}, {0xD000, 0x00}}));
  ByteScore s = scoreBytes(truth, read);
  EXPECT_EQ(s.truth, 4u);
  EXPECT_EQ(s.right, 2u);
  EXPECT_EQ(s.wrong, 2u);

  ASSERT_TRUE(parseIntelHex(":020000040001F9\n:01C0000076C9\n", extended, error)) << error;
  EXPECT_EQ(extended, (Bytes{{0x1C000, 0x76}}));
  struct Bad {
    const char* hex;
    const char* error;
  };
  const Bad bad[] = {
      {":01C0000076C8\n", "record 1 does not read: :01C0000076C8"},  // checksum
      {":00000004FC\n", "record 1 does not read: :00000004FC"},      // a base without its bytes
      {":01C0000576C4\n", "record 1 does not read: :01C0000576C4"},  // type 05
  };
  for (const Bad& b : bad) {
    EXPECT_FALSE(parseIntelHex(b.hex, extended, error)) << b.hex;
    EXPECT_EQ(error, b.error) << b.hex;
  }
}

TEST(OcrScore, ReadsACodeLineHoweverDamaged) {
  const std::pair<const char*, LooseCodeLine> cases[] = {
      {"012 C007 0A                 LDAX  B", {"012", "C007", "0A"}},
      {"O12 CO07 OA                 LDAX  B", {"012", "C007", "0A"}},  // letters O for zeros
      {"0l2 c0O7 3e", {"012", "C007", "3E"}},                          // l for 1, lower-case hex
      {"Bi2  C0D7 0A", {"812", "C0D7", "0A"}},                         // B for 8 in the number only, a blank too many
      {"a71 C2en BB", {"?71", "C2E?", "BB"}},                          // one character a word stands for no digit
      {"ax1 C007 0A", {}},                                       // two in a word
      {"12 C007 0A", {}},                                        // a 2-digit number
      {"012 C007", {}},                                          // no object code
      {"004 00B7            BUF     EQU   0B7H", {}},            // an EQU line
      {"                    * COMMENT", {}},
  };
  for (const auto& [line, read] : cases) {
    LooseCodeLine got = looseCodeLine(line);
    EXPECT_EQ(got.number, read.number) << line;
    EXPECT_EQ(got.address, read.address) << line;
    EXPECT_EQ(got.object, read.object) << line;
  }
}

TEST(OcrScore, CountsTheCodeLinesThatAPatchJoinsOrDeletes) {
  const std::string diff =
      "--- a/x.lst\n"
      "+++ b/x.lst\n"
      "@@ -3,4 +3,3 @@\n"
      " 001                         ORG   :C000\n"
      "-O02 C0O0 F3         START   DI\n"  // mended: the added line carries C000
      "-                                            COLD START\n"
      "+002 C000 F3         START   DI              COLD START\n"
      " 003 C001 310084             LXI   SP,8400H\n"
      "@@ -10,3 +9,2 @@\n"
      " 007 C007 C9                 RET\n"
      "-008 C008 00                 NOP\n"
      "-OO9 CO09 3E01               MVI   A,1\n"  // hidden: joined into 008's comment
      "+008 C008 00                 NOP             OO9 CO09 3E01 MVI A,1\n"
      "@@ -14,2 +12,2 @@\n"
      "-O10 C0D8 3E01               MVI   A,1\n"  // a misread address mended: not hidden, the
      "+010 C008 3E01               MVI   A,1\n"  // hunk puts the same line number back
      " 011 C00C 76                 HLT\n"
      "@@ -20,3 +18,1 @@\n"
      "-a10 C00B 76                 HLT\n"  // hidden: deleted (a for 0)
      "-O11 C0OC 7\n"                       // no code line: one object digit
      " 012 C00D C9                 RET\n"
      "\\ No newline at end of file\n";
  EXPECT_EQ(hiddenCodeLines(diff), 2u);
  EXPECT_EQ(hiddenCodeLines(""), 0u);
  const std::string mended =
      "@@ -5,3 +5,3 @@\n"
      " 275 C2BC D407C3             CNC   RSCX-3\n"
      "-216 C2BE 69                 MOV   L,C\n"  // number and address mended: its bytes stay
      "+276 C2BF 69                 MOV   L,C\n"
      " 277                         ORG   :C300\n"
      "@@ -20,3 +20,2 @@\n"
      " 280 C302 3E01               MVI   A,1\n"
      "-280 C302 3E01               MVI   A,1\n"  // printed twice: its twin stays
      " 281 C304 76                 HLT\n"
      "@@ -25,1 +24,1 @@\n"
      "-a71 C2en BB                 ORA   E\n"  // number, address and object code mended: it stays
      "+271 C2EF B3                 ORA   E\n"
      "@@ -30,2 +29,2 @@\n"
      "-290 C310 3E01               MVI   A,1\n"  // hidden: the line added is another
      "-291 C312 76                 HLT\n"
      "+291 C312 76                 HLT\n";
  EXPECT_EQ(hiddenCodeLines(mended), 1u);
}

}  // namespace
}  // namespace romlift::bench::ocr
