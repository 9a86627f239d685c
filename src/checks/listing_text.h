// Fields of a listing line as the checks read them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "bytes/charclass.h"
#include "bytes/padded_text.h"

#include "scanner/rules.h"

namespace romlift {

inline constexpr unsigned kAddressSpace = 0x10000;

// The value of n upper-case hex digits.
inline unsigned hexValue(const char* text, size_t n) {
  unsigned v = 0;
  for (size_t i = 0; i < n; ++i) v = v * 16 + static_cast<unsigned>(text[i] <= '9' ? text[i] - '0' : text[i] - 'A' + 10);
  return v;
}

// The address of a code line (columns 4 to 7), as text and as a value.
inline std::string addressOf(const char* line) { return std::string(line + col::kAddress, kAddressWidth); }
inline unsigned addressValue(const char* line) { return hexValue(line + col::kAddress, kAddressWidth); }

// A line that starts with a three-digit line number: a line of the listing's body.
inline bool isNumbered(PaddedText line) {
  return line.len >= kNumberWidth && isDigit(line.text[0]) && isDigit(line.text[1]) && isDigit(line.text[2]);
}

// The address an ORG line sets (`NNN` and blanks, `ORG   :C000`): four hex digits right after
// the colon, then the end of the line or a blank; nothing for any other operand.
inline std::optional<unsigned> orgAddress(PaddedText line) {
  size_t at = col::kOperand + 1;
  if (line.len < at + kAddressWidth) return std::nullopt;
  for (size_t i = at; i < at + kAddressWidth; ++i)
    if (!isHex(line.text[i])) return std::nullopt;
  if (line.len > at + kAddressWidth && line.text[at + kAddressWidth] != ' ') return std::nullopt;
  return hexValue(line.text + at, kAddressWidth);
}

}  // namespace romlift
