// Listing lines written in the listing's fixed columns, as its assembler printed them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace romlift::reading {

// The fields of a numbered line; those left empty are not printed.
struct LineParts {
  int number = -1;            // 0-999, printed as three digits
  std::string address;        // four hex digits, or an EQU's value
  std::string object;         // 2, 4 or 6 hex digits
  std::string label;          // at the label's column
  std::string mnemonic;       // at the mnemonic's column (ORG and END too)
  std::string operand;        // at the operand's column
  std::string comment;        // at the comment's column, or further when a field runs long
};

// The line with each field at its column and one blank at least between fields; nothing after
// the last field.
std::string layOut(const LineParts& parts);

// A comment line whose text starts with `*` at the label's column, or stands at the comment's.
std::string starComment(int number, std::string_view text);
std::string columnComment(int number, std::string_view text);

// The first-page header of a section with the range, and a later page's header.
std::string firstPageHeader(std::string_view range);
std::string pageHeader(int page, std::string_view rest);

// The token the scanner makes of a line alone, outside a symbol table; 0 for none.
int tokenOf(std::string_view line);
// True for the tokens of code lines.
bool isCodeToken(int token);

// Four upper-case hex digits.
std::string hex4(uint16_t value);
// Three decimal digits.
std::string number3(int value);

}  // namespace romlift::reading
