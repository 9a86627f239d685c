// Expected object code of whole lines: every code line of the bundled listing, whose object
// column is right, and lines worked out by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "isa/instruction_set.h"
#include "isa/map_labels.h"
#include "listing_parts.h"

namespace romlift::isa {
namespace {

// Columns of a code line, counted from 0, as the listing generator writes them.
using bench::parts::kLabelCol;
using bench::parts::kMnemonicCol;
using bench::parts::kObjectCol;
using bench::parts::kOperandCol;
constexpr size_t kAddressCol = 4;
constexpr size_t kAddressWidth = 4;

using test::MapLabels;

// The expected code as text: two hex digits a byte, ".." for a byte whose value is not known;
// "?" for an unknown mnemonic, "-" for a line that cannot be checked, "x" for an operand of a
// form the instruction never takes.
std::string show(const Expected& e) {
  if (e.verdict == Verdict::kUnknownMnemonic) return "?";
  if (e.verdict == Verdict::kNotCheckable) return "-";
  if (e.verdict == Verdict::kOtherForm) return "x";
  std::string out;
  char hex[3];
  for (size_t i = 0; i < e.length; ++i) {
    std::snprintf(hex, sizeof hex, "%02X", e.bytes[i]);
    out += i == 0 || e.operandKnown ? hex : "..";
  }
  return out;
}

// The word at column col of line, up to the next blank.
std::string wordAt(const std::string& line, size_t col) {
  if (line.size() <= col) return "";
  return line.substr(col, line.find(' ', col) - col);
}

struct CodeLine {
  uint16_t address;
  std::string object, mnemonic, operand;
};

// A line number, an address and object code (END has no object code).
bool isCodeLine(const std::string& line) {
  auto digit = [&](size_t i) { return line[i] >= '0' && line[i] <= '9'; };
  return line.size() > kMnemonicCol && digit(0) && digit(1) && digit(2) &&
         line[kAddressCol - 1] == ' ' && line[kObjectCol - 1] == ' ' &&
         line[kAddressCol] != ' ' && line[kObjectCol] != ' ';
}

// A line number and an address with a label and an EQU or DS, which give the label that value.
bool isEquOrDs(const std::string& line) {
  std::string mnemonic = wordAt(line, kMnemonicCol);
  return line.size() > kOperandCol && line[kAddressCol] != ' ' && (mnemonic == "EQU" || mnemonic == "DS");
}

// The code lines of the sample, and the values of all its labels (they are unique there).
std::vector<CodeLine> sampleCodeLines(MapLabels& labels) {
  std::ifstream in(std::string(ROMLIFT_EXAMPLES) + "/sample.lst");
  std::vector<CodeLine> lines;
  for (std::string line; std::getline(in, line);) {
    bool code = isCodeLine(line);
    if (!code && !isEquOrDs(line)) continue;
    std::string digits = line.substr(kAddressCol, kAddressWidth);
    auto address = static_cast<uint16_t>(std::stoul(digits, nullptr, 16));
    if (std::string label = wordAt(line, kLabelCol); !label.empty()) labels.values[label] = address;
    if (!code) continue;
    lines.push_back({address, wordAt(line, kObjectCol), wordAt(line, kMnemonicCol),
                     wordAt(line, kOperandCol)});
  }
  return lines;
}

TEST(IsaExpected, EveryCodeLineOfTheSampleListing) {
  MapLabels labels;
  std::vector<CodeLine> lines = sampleCodeLines(labels);
  ASSERT_EQ(lines.size(), 98u);
  const InstructionSet& set = *findInstructionSet(kDefaultInstructionSet);
  for (const CodeLine& l : lines)
    EXPECT_EQ(show(set.expected({l.mnemonic, l.operand, l.address}, labels)), l.object)
        << l.mnemonic << ' ' << l.operand;
}

struct Case {
  const char* mnemonic;
  const char* operand;
  uint16_t address;
  const char* expected;
};

const Case kCases[] = {
    // DB: strings give a byte a character, commas and doubled quotes inside them included
    {"DB", "'A,B'", 0, "412C42"}, {"DB", "','", 0, "2C"}, {"DB", "''''", 0, "27"},
    {"DB", "'IT''S'", 0, "49542753"}, {"DB", "'KEZ',0DH,0AH,0", 0, "4B455A0D0A00"},
    {"DB", "-1", 0, "FF"}, {"DB", "-128", 0, "80"}, {"DB", "'A'+80H", 0, "C1"}, {"DB", "$", 0x20, "20"},
    {"DB", "START", 0, "-"}, {"DB", "-129", 0, "-"}, {"DB", "100H", 0, "-"}, {"DB", "NOWHERE", 0, "-"},
    {"DB", "1,,2", 0, "-"}, {"DB", "'AB", 0, "-"}, {"DB", "''", 0, "-"}, {"DB", "", 0, "-"},
    {"DB", "1,2,", 0, "-"},
    // DW: words low byte first
    {"DW", "1234H", 0, "3412"}, {"DW", "$,START", 0xC010, "10C000C0"}, {"DW", "START,$", 0xC010, "-"}, {"DW", "-2", 0, "FEFF"},
    {"DW", "'A'", 0, "4100"}, {"DW", "'AB'", 0, "-"}, {"DW", "NOWHERE", 0, "-"},
    // registers and pairs
    {"RST", "7", 0, "FF"}, {"RST", "0", 0, "C7"}, {"RST", "SEVEN", 0, "FF"}, {"RST", "8", 0, "x"},
    {"RST", "NOWHERE", 0, "x"}, {"PUSH", "PSW", 0, "F5"}, {"POP", "PSW", 0, "F1"},
    {"PUSH", "SP", 0, "x"}, {"INX", "SP", 0, "33"}, {"DAD", "PSW", 0, "x"},
    {"LXI", "SP,8400H", 0, "310084"}, {"LXI", "PSW,0", 0, "x"},
    {"MOV", "M,A", 0, "77"}, {"MOV", "A,M", 0, "7E"}, {"MOV", "M,M", 0, "x"}, {"MOV", "A", 0, "x"},
    {"MOV", "A,B,C", 0, "x"}, {"MOV", "A,", 0, "x"}, {"MOV", "AB", 0, "x"},
    {"LDAX", "D", 0, "1A"}, {"STAX", "B", 0, "02"}, {"LDAX", "H", 0, "x"}, {"LDAX", "SP", 0, "x"},
    {"INR", "M", 0, "34"}, {"DCR", "A", 0, "3D"}, {"CMP", "E", 0, "BB"}, {"SBB", "L", 0, "9D"},
    // immediates: the low byte of an 8-bit value
    {"MVI", "A,','", 0, "3E2C"}, {"MVI", "M,0", 0, "3600"}, {"MVI", "A,1234H", 0, "3E34"},
    {"MVI", "A,-1", 0, "3EFF"}, {"MVI", "A", 0, "x"}, {"MVI", "Q,1", 0, "x"}, {"ADI", "", 0, "x"},
    {"IN", "11H", 0, "DB11"}, {"OUT", "CR", 0, "D30D"}, {"CPI", "''''", 0, "FE27"},
    // an operand whose value is not known: opcode and length only
    {"JMP", "NOWHERE", 0, "C3...."}, {"CALL", "2*NOWHERE", 0, "CD...."}, {"LXI", "H,'AB'", 0, "21...."},
    {"MVI", "B,LOW NOWHERE", 0, "06.."}, {"JMP", "$", 0xC100, "C300C1"}, {"JNZ", "$+3", 0xC100, "C203C1"},
    // real assemblers' operands: Intel's operators, names with a dot, double quotes, blanks
    {"LXI", "B,1*256", 0, "010001"}, {"LXI", "D,-10*3", 0, "11E2FF"}, {"MVI", "A,200/2", 0, "3E64"},
    {"MVI", "B,LOW START", 0, "0600"}, {"MVI", "A,HIGH(START+100H)", 0, "3EC1"}, {"OUT", "OP.TPC", 0, "D342"},
    {"CALL", "LRA.", 0, "CD23C1"}, {"CPI", "\",\"", 0, "FE2C"}, {"CPI", "' '", 0, "FE20"},
    {"DB", "\"13\"", 0, "3133"}, {"DB", "\"IT\"\"S\",0", 0, "4954225300"}, {"DB", "011H, 0CAH", 0, "11CA"},
    {"DW", "START SHR 1, NOT 0", 0, "0060FFFF"},
    // one-byte instructions take no operand
    {"NOP", "", 0, "00"}, {"HLT", "", 0, "76"}, {"XCHG", "", 0, "EB"}, {"RET", "1", 0, "x"},
    // another processor's syntax: a condition or an indirection before the value
    {"JP", "M,0", 0, "x"}, {"CALL", "NZ,START", 0, "x"}, {"JMP", "(HL)", 0, "C3...."}, {"CPI", "',',1", 0, "x"},
    // not instructions, or not of this processor
    {"mvi", "A,1", 0, "?"}, {"FOO", "", 0, "?"}, {"DSUB", "", 0, "?"}, {"LDIR", "", 0, "?"},
    {"MOVE", "A,B", 0, "?"}, {"MOVES", "A,B", 0, "?"}, {"", "", 0, "?"},
    {"ORG", "0C000H", 0, "-"}, {"EQU", "0DH", 0, "-"}, {"DS", "10", 0, "-"}, {"END", "", 0, "-"},
};

TEST(IsaExpected, HandWorkedLines) {
  MapLabels labels;
  labels.values = {{"START", 0xC000}, {"CR", 0x0D}, {"SEVEN", 7}, {"OP.TPC", 0x42}, {"LRA.", 0xC123}};
  const InstructionSet& set = *findInstructionSet("8085");
  for (const Case& c : kCases)
    EXPECT_EQ(show(set.expected({c.mnemonic, c.operand, c.address}, labels)), c.expected)
        << c.mnemonic << ' ' << c.operand;
}

TEST(IsaExpected, SetsByName) {
  EXPECT_EQ(findInstructionSet("8085")->name(), "8085");
  EXPECT_EQ(findInstructionSet("8080")->name(), "8080");
  EXPECT_EQ(findInstructionSet("z80"), nullptr);
  EXPECT_EQ(findInstructionSet(""), nullptr);
  // With no table every line, data included, is left to a learned set.
  const InstructionSet& none = *findInstructionSet("none");
  EXPECT_EQ(none.name(), "none");
  for (const char* mnemonic : {"MOV", "DB", "NOP"})
    EXPECT_EQ(none.expected({mnemonic, "A,B", 0}, NoLabels{}).verdict, Verdict::kUnknownMnemonic);
}

// A DB as long as the expected bytes can hold is checked whole; a longer one is not checked
// rather than cut short.
TEST(IsaExpected, LongDataLine) {
  const InstructionSet& set = *findInstructionSet("8085");
  std::string full = "'" + std::string(kMaxExpectedBytes, 'A') + "'";
  std::string allA;
  for (size_t i = 0; i < kMaxExpectedBytes; ++i) allA += "41";
  EXPECT_EQ(show(set.expected({"DB", full, 0}, NoLabels{})), allA);
  EXPECT_EQ(show(set.expected({"DB", full + ",0", 0}, NoLabels{})), "-");
}

}  // namespace
}  // namespace romlift::isa
