// Operand values against values worked out by hand.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "isa/map_labels.h"
#include "isa/value.h"

namespace romlift::isa {
namespace {

constexpr uint16_t kHere = 0xC013;

struct Case {
  const char* text;
  std::optional<uint16_t> value;
};

const Case kCases[] = {
    // numbers in every notation
    {"0FFH", 0xFF}, {"8400H", 0x8400}, {"0D003H", 0xD003}, {"0AH", 10}, {"0FFFFH", 0xFFFF},
    {"12", 12}, {"12D", 12}, {"65535", 65535}, {"0", 0},
    {"1010B", 10}, {"0B", 0}, {"17O", 15}, {"17Q", 15}, {"377Q", 0xFF},
    // characters
    {"'>'", 0x3E}, {"'R'", 0x52}, {"''''", 0x27}, {"' '", 0x20}, {"','", 0x2C},
    // $, labels, + and -
    {"$", 0xC013}, {"$+3", 0xC016}, {"$-1", 0xC012}, {"START", 0xC000}, {"START+3", 0xC003},
    {"CR", 13}, {"?A@_1", 7}, {"'A'+80H", 0xC1}, {"START-$", 0xFFED}, {"CR+CR-1", 25},
    // a leading sign, and 16-bit wrap
    {"-1", 0xFFFF}, {"-START", 0x4000}, {"+5", 5}, {"TOP+2", 1}, {"0-1", 0xFFFF}, {"0FFFFH+1", 0},
    // Intel's operators, from the tightest binding: HIGH LOW; * / MOD SHL SHR; + -; EQ NE LT LE
    // GT GE; NOT; AND; OR XOR
    {"1*256", 0x100}, {"-10*3", 0xFFE2}, {"200/2", 100}, {"7/2", 3}, {"(5)", 5}, {"1+2*3", 7},
    {"(1+2)*3", 9}, {"2+3 SHL 1", 8}, {"1 SHL 2+1", 5}, {"7 MOD 3", 1}, {"0F0H SHR 4", 0x0F},
    {"1 SHL 16", 0}, {"0FFFFH SHR 15", 1}, {"LOW START", 0}, {"HIGH(START)", 0xC0},
    {"HIGH START+1", 0xC1}, {"LOW(START+1FFH)", 0xFF}, {"HIGH 1234H*2", 0x24}, {"HIGH LOW 1234H", 0},
    {"3 LT 5", 0xFFFF}, {"5 LT 3", 0}, {"-1 GT 1", 0xFFFF}, {"CR EQ 0DH", 0xFFFF}, {"2 NE 2", 0},
    {"4 LE 4", 0xFFFF}, {"4 GE 5", 0}, {"1+2 EQ 3", 0xFFFF}, {"NOT 0", 0xFFFF},
    {"NOT 1 AND 0FH", 0x0E}, {"NOT 5 EQ 5", 0}, {"1 OR 2 AND 3", 3}, {"6 XOR 3 AND 1", 7},
    {"0F0H OR 0FH XOR 0FFH", 0}, {"100H*100H", 0}, {"0FFFFH*2", 0xFFFE}, {"((2))*(3-1)", 4},
    // names of any characters but the operators' signs, double quotes, blanks between parts
    {"OP.TPC", 0x42}, {"LRA.", 0xC123}, {"LRA.+1", 0xC124}, {"HIGH(LRA.)", 0xC1}, {"\"A\"", 0x41},
    {"\"\"\"\"", 0x22}, {"\"'\"", 0x27}, {"'\"'", 0x22}, {"\"A\"+80H", 0xC1}, {"1 + 2", 3}, {" START ", 0xC000},
    // not known: unknown labels, division by zero, two-character strings, bad numbers
    {"NOWHERE", std::nullopt}, {"START+NOWHERE", std::nullopt}, {"1/0", std::nullopt},
    {"1 MOD 0", std::nullopt}, {"'AB'", std::nullopt}, {"\"AB\"", std::nullopt}, {"''", std::nullopt},
    {"high(START)", std::nullopt}, {"OP.TPC.", std::nullopt},
    {"'A", std::nullopt}, {"65536", std::nullopt}, {"10000H", std::nullopt},
    {"0FFG", std::nullopt}, {"1012B", std::nullopt}, {"18Q", std::nullopt}, {"1AB", std::nullopt},
    {"0ffh", std::nullopt}, {"$FF", std::nullopt}, {"START$", std::nullopt}, {"1+", std::nullopt},
    {"--1", std::nullopt}, {"1++2", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt},
    {"1,2", std::nullopt}, {"A B", std::nullopt}, {"1+-2", std::nullopt}, {"*2", std::nullopt},
    {"(1", std::nullopt}, {"1)", std::nullopt}, {"()", std::nullopt}, {"2*", std::nullopt},
    {"HIGH", std::nullopt}, {"NOT", std::nullopt}, {"1 AND", std::nullopt}, {"1 2", std::nullopt},
    {"\"A", std::nullopt},
};

TEST(IsaValue, HandWorkedValues) {
  test::MapLabels labels(
      {{"START", 0xC000}, {"CR", 0x0D}, {"TOP", 0xFFFF}, {"?A@_1", 7}, {"OP.TPC", 0x42}, {"LRA.", 0xC123}});
  for (const Case& c : kCases) EXPECT_EQ(evaluate(c.text, kHere, labels), c.value) << c.text;
  // Where the caller cannot say what $ is, only $ loses its value.
  EXPECT_EQ(evaluate("$+1", std::nullopt, labels), std::nullopt);
  EXPECT_EQ(evaluate("START+1", std::nullopt, labels), 0xC001);
}

TEST(IsaValue, QuotedStringLengths) {
  const std::pair<const char*, size_t> cases[] = {
      {"'KEZ'", 5}, {"''''", 4}, {"'IT''S',0", 7}, {"'A,B'", 5}, {"''", 2}, {"'AB", 0}, {"'''", 0},
      {"\"IT\"\"S\"", 7}, {"\"'\"", 3}, {"'\"'", 3}, {"\"A'", 0},
  };
  for (auto [text, length] : cases) EXPECT_EQ(quotedLength(text), length) << text;
}

// Where an operand printed as its source was typed ends and its comment starts.
TEST(IsaValue, OperandLengths) {
  const std::pair<const char*, size_t> cases[] = {
      {"' '       SPACE?", 3}, {"011H, 0CAH", 10}, {"H,1 SHL 8", 9}, {"A,1 SHL 2  TIMES FOUR", 9},
      {"0FH  AND MASK", 3}, {"LRA.+1    NEXT ONE", 6}, {"'A,B' , 0  X", 9}, {"HIGH ADDR  HI", 9},
      {"(1 + 2) * 3 X", 11}, {"NOT 0", 5}, {"A COMMENT", 1}, {"\"A B\",0 CR", 7}, {"'AB", 3}, {"", 0},
  };
  for (auto [text, length] : cases) EXPECT_EQ(operandLength(text), length) << text;
}

// The names that evaluate would ask for, which verify looks up in the other sections.
TEST(IsaValue, NamesOfAnOperand) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"HIGH(OP.TPC)+LRA.*2", {"OP.TPC", "LRA."}},
      {"'A'+\"B,C\"+X", {"X"}},
      {"1 SHL CNT", {"CNT"}},
      {"NOT MASK AND 0FH", {"MASK"}},
      {"?A@_1-$", {"?A@_1"}},
      {"0FFH,'''',3", {}},
      {"D,VA0010", {"D", "VA0010"}},
  };
  for (const auto& [operand, names] : cases) {
    std::vector<std::string> found;
    forEachName(operand, [&](std::string_view name) { found.emplace_back(name); });
    EXPECT_EQ(found, names) << operand;
  }
}

}  // namespace
}  // namespace romlift::isa
