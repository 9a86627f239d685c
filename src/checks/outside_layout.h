// Code lines printed outside the listing's layout: a real assembler's line that no layout can
// hold (a blank in the operand, more than three bytes, an operand over eight characters),
// though its fields stand at the listing's columns. The standard run skips such a line and
// loses its bytes; the line itself is not damaged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace romlift {

struct OutsideLine {
  // Why no layout holds the line; one or more of these bits.
  enum Reason : uint8_t { kBlankInOperand = 1, kOverThreeBytes = 2, kLongOperand = 4 };

  uint16_t address = 0;
  std::string_view object;  // the object code's hex digits, two a byte
  std::string_view label, mnemonic, operand, comment;  // empty when the line has none
  uint8_t reasons = 0;

  size_t bytes() const { return object.size() / 2; }
};

// The line (without its newline) read as a code line outside the layout: a line number, an
// address and object code at their columns, then the label, the mnemonic (2 to 4 upper-case
// letters), the operand and the comment, each at its column or, when the field before runs
// long, one blank after it. Nothing when the line is not such a line: when the layout would
// hold it, or when it is damage that no layout holds either (a control character, an
// operand that is no expression, an instruction of the 8085 that does not take the operand
// or has another length, a comment off its column).
std::optional<OutsideLine> readOutsideLayout(std::string_view line);

// The reasons in words, in French, joined by ", ": "blanc dans l'opérande", "plus de 3
// octets", "opérande de plus de 8 caractères".
std::string reasonText(uint8_t reasons);

}  // namespace romlift
