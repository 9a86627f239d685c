// Fields of a listing line as the checks read them.
#pragma once

#include <cstddef>
#include <string>

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

}  // namespace romlift
