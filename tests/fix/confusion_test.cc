// The OCR slips undone one at a time, on short texts whose candidates are worked out by hand
// from the look-alikes (B 8, 1 I l |, lower case for upper case), the marks and the blanks.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fix/confusion.h"

namespace romlift::fix {
namespace {

std::set<std::string> slips(const std::string& s, size_t from, size_t limit) {
  std::set<std::string> out;
  undoSlips(s, from, limit, [&](std::string&& t) { out.insert(std::move(t)); });
  return out;
}

TEST(Confusion, UndoesOneSlipAtATime) {
  struct Case {
    std::string s;
    size_t from, limit;
    std::set<std::string> want;
  };
  const std::vector<Case> cases = {
      // B may be an 8, the blank may be added, 1 may be I, l or |; a blank may be lost anywhere.
      {"AB 1", 0, 4, {"A8 1", "AB1", "AB I", "AB l", "AB |", "A B 1", "AB  1"}},
      // A mark taken away or read for a blank.
      {"A.B", 0, 3, {"AB", "A B", "A.8", "A .B", "A. B"}},
      {"mov", 0, 3, {"Mov", "mOv", "moV", "m ov", "mo v"}},
      // Characters proofread from `from` up to `limit`, blanks lost up to `limit` too.
      {"B1B", 1, 2, {"BIB", "BlB", "B|B", "B 1B", "B1 B"}},
  };
  for (const Case& c : cases) EXPECT_EQ(slips(c.s, c.from, c.limit), c.want) << c.s;
  // A tab stands for a run of 2 to 48 blanks, wherever it is.
  std::set<std::string> tabs = slips("A\tB", 0, 0);
  EXPECT_EQ(tabs.size(), 47u);
  EXPECT_EQ(*tabs.begin(), "A" + std::string(48, ' ') + "B");
  EXPECT_TRUE(tabs.count("A  B"));
}

TEST(Confusion, JoinsASplitLineOnlyWhereItsTailCanBeAField) {
  const std::string head = "022 C016 CD03D0";
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"CALL  0D003H", {head + std::string(13, ' ') + "CALL  0D003H"}},
      {"023 C019 B7", {}},  // a numbered line of its own
      {" CALL", {}},
      {"PAGE 0", {}},
      {".,", {}},
  };
  for (const auto& [tail, want] : cases) {
    std::vector<std::string> got;
    undoSplit(head, tail, 28, 28, [&](std::string&& t) { got.push_back(std::move(t)); });
    EXPECT_EQ(got, want) << tail;
  }
  std::vector<std::string> none;
  undoSplit("   ", "CALL", 28, 28, [&](std::string&& t) { none.push_back(std::move(t)); });
  EXPECT_TRUE(none.empty());
}

TEST(Confusion, SplitsRunTogetherLinesWhereANumberStarts) {
  std::vector<std::pair<std::string, std::string>> got;
  undoJoin("045 C043 B7                 ORA   A 046",
           [&](std::string&& a, std::string&& b) { got.emplace_back(std::move(a), std::move(b)); });
  const std::vector<std::pair<std::string, std::string>> want = {
      {"045 C", "043 B7                 ORA   A 046"},
      {"045 C043 B7                 ORA   A", "046"},
  };
  EXPECT_EQ(got, want);
}

TEST(Confusion, TellsALineNumberHoweverMisread) {
  const std::vector<std::pair<std::string, bool>> holds = {
      {"0l6 C00F 23", true}, {"'016", true}, {"O1 X", false}, {"ABC", false}};
  for (const auto& [s, want] : holds) EXPECT_EQ(mayHoldNumber(s), want) << s;
  const std::vector<std::pair<std::string, bool>> words = {
      {"016 C00F", true}, {"01", true}, {"01 X", false}, {"CALL", false}};
  for (const auto& [s, want] : words) EXPECT_EQ(mayBeNumberWord(s), want) << s;
}

}  // namespace
}  // namespace romlift::fix
