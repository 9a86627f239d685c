// Line recognition by the listing scanner: which token each line class yields, with what
// text, line number and captured object code, and what yields nothing at all.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "scanner/scanner.h"
#include "scanner/rules.h"
#include "scanner/token.h"
#include "support/scan.h"

namespace romlift {
namespace {

using test::at;
using test::blanks;
using test::fmt;
using test::scan;
using test::expectScans;
using test::ScanCase;
using test::Want;

const std::string kPage1 = "PAGE 01    KEZ FIRMWARE ";
const std::string kHeader = kPage1 + "0C000-0C7FF  V1.1";
const std::string kStars(27, '*');
const std::string kBanner = kStars + "\n* S Y M B O L   T A B L E *\n" + kStars + "\n";

// A numbered listing line with each field at its usual column; empty fields stay blank.
std::string line(const std::string& num, const std::string& adr, const std::string& obj,
                 const std::string& label, const std::string& mnemo,
                 const std::string& operand = "", const std::string& comment = "") {
  std::string s = at({{0, num}, {4, adr}, {9, obj}});
  const std::pair<size_t, std::string> fields[] = {
      {20, label}, {28, mnemo}, {34, operand}, {44, comment}};
  for (const auto& [column, field] : fields) {
    if (!field.empty()) s = at({{0, s}, {column, field}});
  }
  return s;
}

void runCases(const std::vector<ScanCase>& cases) { expectScans(cases); }

TEST(ScanCodeLines, EachKindCapturesItsObjectCode) {
  struct CodeCase {
    std::string line;
    int token;
    std::string obj;
  };
  const std::vector<CodeCase> cases = {
      {line("001", "C000", "C3", "START", "JMP", "INIT", "COLD START"), CODELOC, "C3"},
      {line("002", "C003", "00", "LOOP", "NOP", "", "WAIT"), CODELC, "00"},
      {line("003", "C004", "3E01", "", "MVI", "A,1", "SET"), CODEOC, "3E01"},
      {line("004", "C006", "76", "", "HLT", "", "STOP"), CODEC, "76"},
      {line("005", "C007", "00", "L2", "NOP"), CODEL, "00"},
      {line("006", "C008", "C30000", "L3", "JMP", "START"), CODELO, "C30000"},
      {line("007", "C00B", "00", "", "NOP"), CODE, "00"},
      {line("008", "C00C", "C30000", "", "JMP", "LOOP"), CODEO, "C30000"},
      // Trailing blanks stay part of the line text.
      {line("005", "C007", "00", "L2", "NOP") + blanks(5), CODEL, "00"},
      // A label is a letter and up to five non-blank characters of any kind.
      {line("006", "C008", "C30000", "loop:1", "JMP", "START"), CODELO, "C30000"},
      // Widest fields: 4-letter mnemonic, 8-character operand, two blanks either side.
      {line("009", "C00F", "CD0000", "", "CALL", "ABCDEFGH", "X"), CODEOC, "CD0000"},
      {line("010", "C012", "18FE", "", "JR", "", "BACK"), CODEC, "18FE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(fmt(scan(c.line + "\n")), Want{fmt(c.token, c.line, 1, c.obj)});
  }
}

// The fields after the object code, as the token's layout places them, also off the columns.
TEST(ScanCodeLines, FieldsOfEachKind) {
  struct Case {
    std::string line;
    int token;
    const char *label, *mnemonic, *operand, *comment;
  };
  const std::vector<Case> cases = {
      {line("001", "C000", "C3", "START", "JMP", "INIT", "COLD START"), CODELOC, "START", "JMP", "INIT", "COLD START"},
      {line("002", "C003", "00", "LOOP", "NOP", "", "WAIT"), CODELC, "LOOP", "NOP", "", "WAIT"},
      {line("003", "C004", "3E01", "", "MVI", "A,1", "SET IT"), CODEOC, "", "MVI", "A,1", "SET IT"},
      {line("004", "C006", "76", "", "HLT", "", "STOP"), CODEC, "", "HLT", "", "STOP"},
      {line("005", "C007", "00", "L2", "NOP") + blanks(3), CODEL, "L2", "NOP", "", ""},
      {line("006", "C008", "C30000", "L3", "JMP", "START"), CODELO, "L3", "JMP", "START", ""},
      {line("007", "C00B", "00", "", "NOP"), CODE, "", "NOP", "", ""},
      {line("008", "C00C", "C30000", "", "JMP", "LOOP"), CODEO, "", "JMP", "LOOP", ""},
      {"009 C00F 00 L4 NOP", CODEL, "L4", "NOP", "", ""},  // label one blank after the code
      {"010 C010 3E01" + blanks(27) + "MVI  A,1   X  Y", CODEOC, "", "MVI", "A,1", "X  Y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_EQ(fmt(scan(c.line + "\n")), Want{fmt(c.token, c.line, 1, scan(c.line + "\n")[0].codeobj)});
    // Read byte by byte, and with masks from a padded buffer whose padding must not count.
    std::string padded = c.line + std::string(kPadding, 'X');
    for (CodeFields f : {codeFields(c.line.data(), c.line.size(), c.token), codeFields({padded.data(), c.line.size()}, c.token)}) {
      EXPECT_EQ(f.label, c.label);
      EXPECT_EQ(f.mnemonic, c.mnemonic);
      EXPECT_EQ(f.operand, c.operand);
      EXPECT_EQ(f.comment, c.comment);
    }
  }
}

TEST(ScanCodeLines, LineNumbersAndObjectCodeAcrossLines) {
  // Each line token carries its own line number; codeobj changes only on code lines and
  // is replaced as a whole (a shorter code leaves nothing of the longer one behind).
  const std::string l1 = line("001", "C000", "C3", "START", "JMP", "INIT", "COLD START");
  const std::string l2 = at({{0, "002"}, {20, "* NOTE"}});
  const std::string l3 = line("003", "C00C", "C30000", "", "JMP", "LOOP");
  const std::string l5 = line("005", "C00F", "00", "", "NOP");
  const std::string l6 = at({{0, "006"}, {20, "LABEL"}});
  const std::string l7 = line("007", "C010", "3E01", "", "MVI", "A,1", "SET");
  EXPECT_EQ(fmt(scan(l1 + "\n" + l2 + "\n" + l3 + "\n\n" + l5 + "\n" + l6 + "\n" + l7 + "\n")),
            (Want{fmt(CODELOC, l1, 1, "C3"), fmt(COM1, l2, 2, "C3"), fmt(CODEO, l3, 3, "C30000"),
                  fmt(LIGNEVIDE, "\n", 5, "C30000"), fmt(CODE, l5, 5, "00"),
                  fmt(LABELSUP, l6, 6, "00"), fmt(CODEOC, l7, 7, "3E01")}));
}

TEST(ScanNumberedLines, CommentLabelDirectiveAndEmptyLines) {
  std::vector<ScanCase> cases;
  auto add = [&cases](std::string name, std::string l, int token) {
    cases.push_back({std::move(name), l + "\n", {fmt(token, l, 1)}});
  };
  add("comment at column 44", at({{0, "009"}, {44, "COMMENT"}}), COM2);
  add("comment later, after blanks and a tab", at({{0, "009"}, {45, "\tLATE"}}), COM2);
  add("star comment", at({{0, "010"}, {20, "* NOTE"}}), COM1);
  add("bare star", at({{0, "010"}, {20, "*"}}), COM1);
  add("label only", at({{0, "011"}, {20, "LABEL"}}), LABELSUP);
  add("label only, any first character", at({{0, "011"}, {20, "9LBL"}}), LABELSUP);
  // The five characters after the first may be blanks.
  add("one-character label and a blank", at({{0, "011"}, {20, "L "}}), LABELSUP);
  add("ORG", at({{0, "012"}, {28, "ORG   :C000"}}), ORG);
  add("number alone", "013", NUMLINEVIDE);
  add("number and blanks", "013" + blanks(10), NUMLINEVIDE);
  add("END", at({{0, "014"}, {4, "C00F"}, {28, "END"}}), END);
  runCases(cases);
}

TEST(ScanNumberedLines, LinesThatFitNoLayoutYieldNothing) {
  const std::string eightCharLine = line("001", "C000", "C3", "START", "JMP", "INIT");
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"3-digit object code", line("007", "C00B", "000", "", "NOP")},
      {"lower-case hex digits", line("007", "C00B", "c3", "", "NOP")},
      {"lower-case mnemonic", line("007", "C00B", "00", "", "nop")},
      {"tab before the mnemonic", "007 C00B 00" + blanks(16) + "\tNOP"},
      {"zero byte in the blank run", "007 C00B 00" + blanks(16) + std::string(1, '\0') + "NOP"},
      {"7-character label", line("005", "C007", "00", "LOOPING", "NOP")},
      {"label starting with a digit", line("005", "C007", "00", "2L", "NOP")},
      {"9-character operand", line("008", "C00C", "C30000", "", "JMP", "LONGLABEL")},
      {"one blank between operand and comment", eightCharLine + " COLD"},
      {"one blank between mnemonic and operand",
       at({{0, "008"}, {4, "C00C"}, {9, "C30000"}, {28, "JMP"}, {32, "LOOP"}})},
      {"five blanks between mnemonic and operand",
       at({{0, "006"}, {4, "C008"}, {9, "C30000"}, {20, "L3"}, {28, "JMP"}, {36, "START"}})},
      {"ten blanks between operand and comment", at({{0, eightCharLine}, {48, "X"}})},
      {"fifteen blanks between mnemonic and comment",
       at({{0, "004"}, {4, "C006"}, {9, "76"}, {28, "HLT"}, {46, "STOP"}})},
      {"2-digit line number", at({{0, "07"}, {3, "C00B"}, {8, "00"}, {27, "NOP"}})},
      {"one-character label-only line", at({{0, "011"}, {20, "L"}})},
      {"END without address", at({{0, "014"}, {28, "END"}})},
      {"ORG with two blanks before the colon", at({{0, "012"}, {28, "ORG  :C000"}})},
      {"address range outside a header", "0C000-0C7FF  V1.1"},
      {"later-page header outside a symbol table", "PAGE 02    KEZ FIRMWARE 0C000-0C7FF"},
      {"symbol entry outside a symbol table", "COLD   C000"},
  };
  for (const auto& [name, l] : lines) {
    SCOPED_TRACE(name);
    // The next line is recognised again and numbered 2.
    EXPECT_EQ(fmt(scan(l + "\n013\n")), Want{fmt(NUMLINEVIDE, "013", 2)});
  }
}

TEST(ScanCodeLines, BlankRunsBeforeMnemonicAndLabel) {
  // Unlabelled lines: the mnemonic follows one or more runs of 13 to 17 blanks, so the
  // counts 18-25 and 35-38 fit no run sum. Labelled lines: 1 to 9 blanks before the label.
  const std::pair<int, int> unlabelled[] = {{12, 0},    {13, CODE}, {17, CODE}, {18, 0},
                                            {25, 0},    {26, CODE}, {34, CODE}, {35, 0},
                                            {38, 0},    {39, CODE}, {60, CODE}};
  const std::tuple<int, int, int> labelled[] = {{1, 6, CODEL}, {9, 6, CODEL}, {10, 6, 0},
                                                {9, 30, CODEL}};
  std::vector<std::pair<std::string, int>> cases;
  for (auto [n, token] : unlabelled) cases.push_back({"007 C00B 00" + blanks(n) + "NOP", token});
  for (auto [n, after, token] : labelled) {
    cases.push_back({"005 C007 00" + blanks(n) + "L2" + blanks(after) + "NOP", token});
  }
  for (const auto& [l, token] : cases) {
    SCOPED_TRACE("[" + l + "]");
    EXPECT_EQ(fmt(scan(l + "\n")), token ? Want{fmt(token, l, 1, "00")} : Want{});
  }
}

TEST(ScanHeader, TokensModesAndLineEnd) {
  Scanner s(Input(test::chunkReader(kHeader + "\n013\n")));
  EXPECT_EQ(s.mode(), Mode::NORMAL);
  EXPECT_TRUE(s.atLineStart());
  const std::vector<std::pair<int, std::string>> header = {
      {ENTETE1, kPage1}, {SEGMENT, "0C000-0C7FF"}, {ENTETE2, "  V1.1"}};
  for (const auto& [token, text] : header) {
    ASSERT_EQ(s.yylex(), token);
    EXPECT_EQ(std::string(s.yytext, s.yyleng), text);
    EXPECT_EQ(s.yylineno, 1);
    EXPECT_EQ(s.mode(), Mode::ENTETE);
    EXPECT_FALSE(s.atLineStart());
  }
  // The header's newline ends ENTETE; the next line is an ordinary numbered line.
  ASSERT_EQ(s.yylex(), NUMLINEVIDE);
  EXPECT_EQ(s.yylineno, 2);
  EXPECT_EQ(s.mode(), Mode::NORMAL);
  EXPECT_EQ(s.yylex(), 0);
}

TEST(ScanHeader, Variants) {
  const auto e1 = fmt(ENTETE1, kPage1, 1);
  const auto seg = fmt(SEGMENT, "0C000-0C7FF", 1);
  const auto e2 = fmt(ENTETE2, "  V1.1", 1);
  runCases({
      {"three blanks after PAGE 01", "PAGE 01   KEZ FIRMWARE 0C000-0C7FF  V1.1\n", {}},
      {"line ends right after FIRMWARE", "PAGE 01    KEZ FIRMWARE\n", {}},
      {"header text not at the line start", "X" + kHeader + "\n", {}},
      {"three blanks before the version", kPage1 + "0C000-0C7FF   V1.1\n", {e1, seg, e2}},
      {"one blank before the version", kPage1 + "0C000-0C7FF V1.1\n", {e1, seg}},
      {"version before range", kPage1 + "  V1.1 0C000-0C7FF\n", {e1, e2, seg}},
      {"other text around the fields", kPage1 + "xx 0C000-0C7FF yy  V1.1 zz\n", {e1, seg, e2}},
      {"range without lead digits", kPage1 + "C000-C7FF\n", {e1, fmt(SEGMENT, "C000-C7FF", 1)}},
      // 4 cannot lead a bound, so the range starts one character later.
      {"lead digit above 3", kPage1 + "4C000-0C7FF\n", {e1, fmt(SEGMENT, "C000-0C7FF", 1)}},
      {"fields on the next line", kPage1 + "\n0C000-0C7FF  V1.1\n", {e1}},
  });
}

TEST(ScanLines, FinalLineWithoutNewline) {
  const std::string org = at({{0, "012"}, {28, "ORG   :C000"}});
  const std::string com1 = at({{0, "010"}, {20, "* NOTE"}});
  runCases({
      {"END", at({{0, "014"}, {4, "C00F"}, {28, "END"}}), {}},
      {"code line", line("007", "C00B", "00", "", "NOP"), {}},
      {"numbered empty line", "013", {}},
      {"ORG", org, {fmt(ORG, org, 1)}},
      {"star comment", com1, {fmt(COM1, com1, 1)}},
      {"header", kHeader, {fmt(ENTETE1, kPage1, 1), fmt(SEGMENT, "0C000-0C7FF", 1),
                           fmt(ENTETE2, "  V1.1", 1)}},
      {"symbol entry", kBanner + "COLD   C000", {fmt(SYMBOLTABLE, "COLD   C000", 4)}},
  });
}

TEST(ScanSymbolTable, Banner) {
  // The banner counts its two inner newlines; its last newline is counted without a token.
  const std::string entry = "COLD   C000\n";
  const std::string badTitle = kStars + "\n* S Y M B O L  T A B L E *\n" + kStars + "\n";
  runCases({
      {"banner then entry", kBanner + entry, {fmt(SYMBOLTABLE, "COLD   C000", 4)}},
      {"banner after a line, then an empty line", "013\n" + kBanner + "\n",
       {fmt(NUMLINEVIDE, "013", 1), fmt(LIGNEVIDE, "\n", 6)}},
      {"title with one blank too few", badTitle + entry, {}},
      {"26 stars", std::string(26, '*') + kBanner.substr(27) + entry, {}},
      {"banner not at the line start", " " + kBanner + entry, {}},
      // Headers of pages 10 and up are skipped too; "PAGE 1" is no page number.
      {"entry lines", kBanner + "PAGE 10 ABCDEFG\nPAGE 1 ABCDEFG\n" + std::string(23, 'A') + "\n",
       {fmt(SYMBOLTABLE, "PAGE 1 ABCD", 5), fmt(SYMBOLTABLE, std::string(11, 'A'), 6),
        fmt(SYMBOLTABLE, std::string(11, 'A'), 6)}},
  });
}

TEST(ScanSymbolTable, EntriesSkippedLinesAndModeEnd) {
  const std::string codeInTable = line("007", "C00B", "00", "", "NOP");
  const std::string text = kBanner +                                 // lines 1-3
                           "COLD   C000 LOOP   C003\n"               // 4
                           "\n"                                      // 5
                           "PAGE 02    KEZ FIRMWARE 0C000-0C7FF  V1.1\n"  // 6
                           "PAGE 02 XYZ\n"                           // 7: 11 characters
                           "1BAD   C000 \n"                          // 8
                           "1BAD   C000\n"                           // 9
                           "COLD   C00\n"                            // 10
                           "PAGE 01 END\n"                           // 11
                           + codeInTable + "\n"                      // 12
                           "XYZ    C123\n"                           // 13
                           "PAGE 01    KEZ FIRMWARE 0C800-0CFFF  V1.1\n"  // 14
                           "ABCDEFGHIJK\n"                           // 15
                           "\n";                                     // 16
  const auto got = scan(text);
  EXPECT_EQ(fmt(got), (Want{fmt(SYMBOLTABLE, "COLD   C000", 4), fmt(SYMBOLTABLE, "LOOP   C003", 4),
                            fmt(LIGNEVIDE, "\n", 6), fmt(SYMBOLTABLE, "BAD   C000 ", 8),
                            fmt(SYMBOLTABLE, "PAGE 01 END", 11), fmt(CODE, codeInTable, 12, "00"),
                            fmt(SYMBOLTABLE, "XYZ    C123", 13, "00"),
                            fmt(ENTETE1, kPage1, 14, "00"), fmt(SEGMENT, "0C800-0CFFF", 14, "00"),
                            fmt(ENTETE2, "  V1.1", 14, "00"), fmt(LIGNEVIDE, "\n", 17, "00")}));
  std::vector<Mode> modes;
  for (const auto& s : got) modes.push_back(s.mode);
  const Mode T = Mode::TABLESYMB, E = Mode::ENTETE;
  EXPECT_EQ(modes, (std::vector<Mode>{T, T, T, T, T, T, T, E, E, E, Mode::NORMAL}));
}

TEST(ScanLines, EmptyLinesAndEmptyInput) {
  runCases({
      {"two empty lines", "\n\n", {fmt(LIGNEVIDE, "\n", 2), fmt(LIGNEVIDE, "\n", 3)}},
      {"empty line after a skipped line", "xyz\n\n", {fmt(LIGNEVIDE, "\n", 3)}},
  });
  int wraps = 0;
  Scanner s(Input(test::chunkReader("")), [&wraps] { return ++wraps; });
  EXPECT_EQ(s.yylex(), 0);
  EXPECT_EQ(wraps, 1);
  EXPECT_EQ(s.yylineno, 1);
}

TEST(ScanLines, ZeroBytesAreOrdinaryCharacters) {
  const std::string z(1, '\0');
  const std::string codec = line("004", "C006", "76", "", "HLT", "", "ST" + z + "OP");
  const std::string codel = line("005", "C007", "00", "L" + z, "NOP");
  const std::string labelsup = at({{0, "011"}, {20, z + "AB"}});
  const std::string entry = "CO" + z + "D   C000";
  runCases({
      {"in a comment", codec + "\n", {fmt(CODEC, codec, 1, "76")}},
      {"in a label", codel + "\n", {fmt(CODEL, codel, 1, "00")}},
      {"first character of a label-only line", labelsup + "\n", {fmt(LABELSUP, labelsup, 1)}},
      {"in a symbol entry", kBanner + entry + "\n", {fmt(SYMBOLTABLE, entry, 4)}},
      {"a line of one zero byte", z + "\n\n", {fmt(LIGNEVIDE, "\n", 3)}},
  });
}

}  // namespace
}  // namespace romlift
