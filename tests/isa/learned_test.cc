// The learned instruction set: shapes, and which lines a shape's majority shows up.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "isa/learned.h"

namespace romlift::isa {
namespace {

TEST(IsaLearned, Shapes) {
  const std::pair<std::pair<const char*, const char*>, const char*> cases[] = {
      {{"MVI", "A,0FFH"}, "MVI A,n"},   {{"MVI", "A,CR"}, "MVI A,n"},
      {{"MVI", "A,','"}, "MVI A,n"},    {{"MVI", "M,''''"}, "MVI M,n"},
      {{"JMP", "START"}, "JMP n"},      {{"JMP", "0C000H"}, "JMP n"},
      {{"JMP", "$+15"}, "JMP n+n"},     {{"LXI", "SP,BANNER-1"}, "LXI SP,n-1"},
      {{"PUSH", "PSW"}, "PUSH PSW"},    {{"MOV", "M,A"}, "MOV M,A"},
      {{"RET", ""}, "RET"},             {{"LD", "A,(IX+12)"}, "LD A,(IX+n)"},
      {{"RST", "7"}, "RST 7"},          {{"IM", "1"}, "IM 1"},
      {{"BIT", "3,A"}, "BIT 3,A"},      {{"MVI", "A,0"}, "MVI A,0"},
      {{"JMP", "$+3"}, "JMP n+3"},      {{"MVI", "A,10"}, "MVI A,n"},
      {{"LD", "(HL),'A'"}, "LD (HL),n"}, {{"LDA", "#$FF"}, "LDA #n"},
      {{"DB", "'AB"}, "DB n"},          {{"RST", "38H"}, "RST 38H"},
      {{"JP", "NZ,LOOP"}, "JP NZ,n"},   {{"RET", "PO"}, "RET PO"},
  };
  Shape shape;
  for (auto [line, want] : cases) {
    ASSERT_TRUE(shape.assign(line.first, line.second)) << line.second;
    EXPECT_EQ(shape.view(), want) << line.second;
  }
  std::string longOperand(Shape::kMaxSize, ',');
  EXPECT_FALSE(shape.assign("DB", longOperand));
  EXPECT_TRUE(shape.assign("DB", longOperand.substr(3)));
}

struct Variant {
  uint8_t firstByte;
  uint8_t length;
};

struct MajorityCase {
  const char* what;
  uint32_t agreeing;                // lines with 0CDH and 3 bytes
  std::vector<Variant> dissenting;  // fed after them
  bool reported;
};

const MajorityCase kMajority[] = {
    {"4 others, all agreeing", 4, {{0xC2, 3}}, true},
    {"3 others only", 3, {{0xC2, 3}}, false},
    {"9 of the 10 others", 9, {{0xC2, 3}, {0xDC, 3}}, true},
    {"8 of the 9 others", 8, {{0xC2, 3}, {0xDC, 3}}, false},
    {"18 of the 20 others", 18, {{0xC2, 3}, {0xC2, 3}, {0xDC, 3}}, true},
    {"17 of the 19 others", 17, {{0xC2, 3}, {0xC2, 3}, {0xDC, 3}}, false},
    {"length alone differs", 5, {{0xCD, 2}}, true},
};

TEST(IsaLearned, MajorityEdges) {
  constexpr uint32_t kFirstDissenter = 1000;
  for (const MajorityCase& c : kMajority) {
    LearnedSet set;
    for (uint32_t k = 0; k < c.agreeing; ++k) set.feed("CALL", "SUB" + std::to_string(k), 0xCD, 3, k);
    for (uint32_t k = 0; k < c.dissenting.size(); ++k)
      set.feed("CALL", "0C000H", c.dissenting[k].firstByte, c.dissenting[k].length, kFirstDissenter + k);
    std::vector<Disagreement> found = set.disagreements();
    // The agreeing lines have one fewer agreeing other and one fewer other than a dissenter.
    uint64_t others = c.agreeing + c.dissenting.size() - 1;
    bool confirmed = c.agreeing - 1 >= 4 && (c.agreeing - 1) * 10 >= others * 9;
    EXPECT_EQ(set.agreeingLines(), confirmed ? c.agreeing : 0) << c.what;
    if (!c.reported) {
      EXPECT_TRUE(found.empty()) << c.what;
      continue;
    }
    ASSERT_EQ(found.size(), c.dissenting.size()) << c.what;
    auto total = static_cast<uint32_t>(c.agreeing + c.dissenting.size());
    for (uint32_t k = 0; k < found.size(); ++k) {
      const Disagreement& d = found[k];
      EXPECT_EQ(d.line, kFirstDissenter + k) << c.what;
      EXPECT_EQ(d.firstByte, c.dissenting[k].firstByte) << c.what;
      EXPECT_EQ(d.length, c.dissenting[k].length) << c.what;
      EXPECT_EQ(d.expectedFirstByte, 0xCD) << c.what;
      EXPECT_EQ(d.expectedLength, 3) << c.what;
      EXPECT_EQ(d.agreeing, c.agreeing) << c.what;
      EXPECT_EQ(d.shapeLines, total) << c.what;
      auto same = std::count_if(c.dissenting.begin(), c.dissenting.end(), [&](const Variant& v) {
        return v.firstByte == d.firstByte && v.length == d.length;
      });
      EXPECT_EQ(d.variantLines, static_cast<uint32_t>(same)) << c.what;
      EXPECT_EQ(d.shape, "CALL n") << c.what;
    }
  }
}

// Shapes are judged apart; directives are not learned; line references come back exactly
// however they are ordered or spaced.
TEST(IsaLearned, ShapesApartDirectivesIgnoredReferencesExact) {
  LearnedSet set;
  const uint32_t refs[] = {0xFFFFFFF0u, 5, 4, 1u << 31, 0, 70000, 69999, 12, 1};
  for (uint32_t ref : refs) set.feed("LD", "A,(HL)", 0x7E, 1, ref);
  EXPECT_EQ(set.feed("LD", "A,(HL)", 0x7F, 1, 3000000000u), 1u);
  EXPECT_EQ(set.feed("LD", "A,(HL)", 0x7E, 2, 17), 1u);
  EXPECT_EQ(set.feed("LD", "A,(HL)", 0x7E, 1, 18), 10u);
  for (uint32_t k = 0; k < 3; ++k) set.feed("LD", "A,B", 0x78, 1, 100 + k);  // too few to judge
  set.feed("LD", "A,B", 0x79, 1, 200);
  for (uint8_t k = 0; k < 20; ++k) {
    EXPECT_EQ(set.feed("DB", "'A'", 0x41, 1, 300 + k), 0u);
    set.feed("DW", "0", 0, 2, 400 + k);
    set.feed("DS", "4", k, 0, 500 + k);
  }
  std::vector<Disagreement> found = set.disagreements();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].line, 17u);
  EXPECT_EQ(found[0].length, 2);
  EXPECT_EQ(found[1].line, 3000000000u);
  EXPECT_EQ(found[1].firstByte, 0x7F);
  EXPECT_EQ(found[1].agreeing, 10u);
  EXPECT_EQ(found[1].shapeLines, 12u);
  EXPECT_EQ(found[1].shape, "LD A,(HL)");
  // Each 7EH line has 9 of its 11 others agreeing: fewer than nine in ten; LD A,B too few.
  EXPECT_EQ(set.agreeingLines(), 0u);
}

// A listing's lines in order, over a few dozen shapes, cost a few bytes each at most.
TEST(IsaLearned, FewBytesPerLine) {
  constexpr uint32_t kLines = 100000;
  constexpr uint32_t kShapes = 40;
  std::vector<std::string> mnemonics;
  for (uint32_t k = 0; k < kShapes; ++k)
    mnemonics.push_back({'O', 'P', static_cast<char>('A' + k / 26), static_cast<char>('A' + k % 26)});
  LearnedSet set;
  for (uint32_t line = 0; line < kLines; ++line)
    set.feed(mnemonics[line % kShapes], "A,1", static_cast<uint8_t>(line % kShapes), 1, line);
  EXPECT_LE(set.memoryBytes(), 4u * kLines);
  EXPECT_TRUE(set.disagreements().empty());
}

}  // namespace
}  // namespace romlift::isa
