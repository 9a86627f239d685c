// The alternatives file of romlift-ocr: for each character the OCR engine was unsure of, where
// it stands in the listing and what else it may be. romlift-ocr writes it; a reader of the
// listing (fix) can weigh a correction by it.
//
// Plain text, one record a line, fields separated by blanks or tabs; lines starting with '#'
// and blank lines are comments:
//
//   LINE COLUMN CHOICE...
//
// LINE counts the listing's lines from 1, COLUMN its columns from 0 (as the listing's fixed
// columns do). Each CHOICE is a character, '=', and the engine's confidence in it in percent
// (0 to 100), as in `O=61`; a blank is written `sp`. The first choice is the character the
// listing holds at that place, the others follow from the likeliest. Example:
//
//   # romlift-ocr alternatives
//   12 5 0=61 O=37 Q=2
//   40 30 sp=55 .=45
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace romlift::alternatives {

struct Choice {
  char c = ' ';
  int percent = 0;  // 0 to 100
  bool operator==(const Choice&) const = default;
};

struct Record {
  size_t line = 0;  // from 1
  size_t column = 0;  // from 0
  std::vector<Choice> choices;  // one at least: the character written first
  bool operator==(const Record&) const = default;
};

// The comment lines that start a file.
std::string header();
// One record as a line, with its newline.
std::string formatRecord(const Record& record);

// The records of a file in its order. False, with the line number and the reason in French,
// at the first line that is neither a comment nor a record.
bool parse(std::string_view text, std::vector<Record>& records, std::string& error);

// The choices for the character at line and column, or nullptr: records sorted by place.
class Index {
 public:
  explicit Index(std::vector<Record> records);
  const Record* find(size_t line, size_t column) const;
  // The percent the engine gave c at that place; -1 when it offered no such choice.
  int percentFor(size_t line, size_t column, char c) const;

 private:
  std::vector<Record> records_;
};

}  // namespace romlift::alternatives
