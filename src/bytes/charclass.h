// Character classes of the listing's field patterns.
#pragma once

#include <array>
#include <cstdint>

namespace romlift {

enum CharClass : uint8_t {
  kBlank = 1 << 0,        // the space character only; a tab is not a blank
  kDigit = 1 << 1,        // 0-9
  kHex = 1 << 2,          // 0-9 A-F, upper case only
  kUpper = 1 << 3,        // A-Z
  kLetter = 1 << 4,       // A-Z a-z
  kZeroToThree = 1 << 5,  // 0-3, the optional lead digit of an address-range bound
};

constexpr std::array<uint8_t, 256> buildCharClassTable() {
  std::array<uint8_t, 256> t{};
  t[' '] |= kBlank;
  for (int c = '0'; c <= '9'; ++c) t[c] |= kDigit | kHex;
  for (int c = '0'; c <= '3'; ++c) t[c] |= kZeroToThree;
  for (int c = 'A'; c <= 'F'; ++c) t[c] |= kHex;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kUpper | kLetter;
  for (int c = 'a'; c <= 'z'; ++c) t[c] |= kLetter;
  return t;
}

// One 256-entry table answers "is this byte a blank / digit / hex digit ..." with a single
// load and mask, so the per-line classification never branches on ranges and treats every
// byte value (zero bytes and 0x80-0xFF included) by the same rule.
inline constexpr std::array<uint8_t, 256> kCharClass = buildCharClassTable();

inline bool hasClass(char c, uint8_t cls) {
  return (kCharClass[static_cast<unsigned char>(c)] & cls) != 0;
}
inline bool isBlank(char c) { return c == ' '; }
inline bool isDigit(char c) { return hasClass(c, kDigit); }
inline bool isHex(char c) { return hasClass(c, kHex); }
inline bool isUpper(char c) { return hasClass(c, kUpper); }
inline bool isLetter(char c) { return hasClass(c, kLetter); }
inline bool isZeroToThree(char c) { return hasClass(c, kZeroToThree); }

}  // namespace romlift
