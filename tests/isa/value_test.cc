// Operand values against values worked out by hand.
#include <gtest/gtest.h>

#include <optional>

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
    // not known: unknown labels, other operators and functions, strings, bad numbers
    {"NOWHERE", std::nullopt}, {"START+NOWHERE", std::nullopt}, {"2*3", std::nullopt},
    {"8/2", std::nullopt}, {"(5)", std::nullopt}, {"LOW START", std::nullopt},
    {"HIGH(START)", std::nullopt}, {"'AB'", std::nullopt}, {"''", std::nullopt},
    {"'A", std::nullopt}, {"65536", std::nullopt}, {"10000H", std::nullopt},
    {"0FFG", std::nullopt}, {"1012B", std::nullopt}, {"18Q", std::nullopt}, {"1AB", std::nullopt},
    {"0ffh", std::nullopt}, {"$FF", std::nullopt}, {"START$", std::nullopt}, {"1+", std::nullopt},
    {"--1", std::nullopt}, {"1++2", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt},
    {"1,2", std::nullopt}, {"A B", std::nullopt},
};

TEST(IsaValue, HandWorkedValues) {
  test::MapLabels labels({{"START", 0xC000}, {"CR", 0x0D}, {"TOP", 0xFFFF}, {"?A@_1", 7}});
  for (const Case& c : kCases) EXPECT_EQ(evaluate(c.text, kHere, labels), c.value) << c.text;
  // Where the caller cannot say what $ is, only $ loses its value.
  EXPECT_EQ(evaluate("$+1", std::nullopt, labels), std::nullopt);
  EXPECT_EQ(evaluate("START+1", std::nullopt, labels), 0xC001);
}

TEST(IsaValue, QuotedStringLengths) {
  const std::pair<const char*, size_t> cases[] = {
      {"'KEZ'", 5}, {"''''", 4}, {"'IT''S',0", 7}, {"'A,B'", 5}, {"''", 2}, {"'AB", 0}, {"'''", 0},
  };
  for (auto [text, length] : cases) EXPECT_EQ(quotedLength(text), length) << text;
}

}  // namespace
}  // namespace romlift::isa
