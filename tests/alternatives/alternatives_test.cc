// The alternatives file: records written and read back, comments and blanks skipped, a bad
// line named with its reason, and the look-up by place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alternatives/alternatives.h"

namespace romlift::alternatives {
namespace {

TEST(Alternatives, RecordsReadBackAsWritten) {
  std::vector<Record> records = {{12, 5, {{'0', 61}, {'O', 37}, {'Q', 2}}},
                                 {40, 30, {{' ', 55}, {'.', 45}}},
                                 {7, 0, {{'=', 100}, {'s', 0}}}};
  std::string text = header();
  for (const Record& r : records) text += formatRecord(r);
  EXPECT_EQ(formatRecord(records[1]), "40 30 sp=55 .=45\n");
  EXPECT_EQ(formatRecord(records[2]), "7 0 ==100 s=0\n");
  std::vector<Record> read;
  std::string error;
  ASSERT_TRUE(parse(text, read, error)) << error;
  EXPECT_EQ(read, records);
}

TEST(Alternatives, ReadsBlanksAndTabsAndSkipsCommentsButNamesABadLine) {
  struct Case {
    const char* text;
    bool ok;
    const char* error;
  };
  const Case cases[] = {
      {"# comment\n\n  3\t4  B=80\t8=20 \r\n", true, ""},
      {"# comment\n3 4\n", false, "ligne 2 : il faut une ligne, une colonne et un choix au moins"},
      {"0 4 B=80\n", false, "ligne 1 : num\xC3\xA9ro de ligne illisible \xC2\xAB 0 \xC2\xBB"},
      {"3 x B=80\n", false, "ligne 1 : colonne illisible \xC2\xAB x \xC2\xBB"},
      {"3 4 B=101\n", false, "ligne 1 : choix illisible \xC2\xAB B=101 \xC2\xBB"},
      {"3 4 BB=10\n", false, "ligne 1 : choix illisible \xC2\xAB BB=10 \xC2\xBB"},
      {"3 4 =10\n", false, "ligne 1 : choix illisible \xC2\xAB =10 \xC2\xBB"},
  };
  for (const Case& c : cases) {
    std::vector<Record> records;
    std::string error;
    EXPECT_EQ(parse(c.text, records, error), c.ok) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
  std::vector<Record> records;
  std::string error;
  ASSERT_TRUE(parse(cases[0].text, records, error));
  EXPECT_EQ(records, (std::vector<Record>{{3, 4, {{'B', 80}, {'8', 20}}}}));
}

TEST(Alternatives, FindsTheChoicesOfAPlace) {
  Index index({{12, 5, {{'0', 61}, {'O', 37}}}, {3, 9, {{'8', 70}, {'B', 30}}}, {12, 4, {{'C', 90}}}});
  ASSERT_NE(index.find(12, 5), nullptr);
  EXPECT_EQ(index.find(12, 5)->choices.size(), 2u);
  EXPECT_EQ(index.find(12, 6), nullptr);
  EXPECT_EQ(index.percentFor(3, 9, 'B'), 30);
  EXPECT_EQ(index.percentFor(3, 9, 'E'), -1);
  EXPECT_EQ(index.percentFor(4, 9, '8'), -1);
}

}  // namespace
}  // namespace romlift::alternatives
