// Addresses and labels of a listing line as fixed 8-byte words.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace romlift {

// An address or a label as a code line or a symbol table gives it: at most six characters,
// zero-padded, so that it is copied, compared and hashed as one word rather than byte by byte.
// The text always ends by the seventh byte; the eighth stays zero, and a register that logs
// short texts may use it as a tag.
struct ShortText {
  static constexpr size_t kMaxLength = 6;
  char text[8] = {};

  ShortText() = default;
  // The first six characters of s at most.
  ShortText(const char* s) {  // NOLINT(google-explicit-constructor): texts are written as literals
    for (size_t i = 0; i < kMaxLength && s[i] != '\0'; ++i) text[i] = s[i];
  }
  operator const char*() const { return text; }  // NOLINT(google-explicit-constructor)
  const char* c_str() const { return text; }

  uint64_t word() const {
    uint64_t w;
    std::memcpy(&w, text, sizeof w);
    return w;
  }
  bool operator==(const ShortText& other) const { return word() == other.word(); }
};

// The first n (at most 6) of the 8 bytes at p as a short text; reads all 8.
inline ShortText loadShort(const char* p, size_t n) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  if constexpr (std::endian::native == std::endian::little) {
    w &= (uint64_t{1} << (8 * n)) - 1;
  } else {
    w &= n == 0 ? 0 : ~uint64_t{0} << (8 * (sizeof w - n));
  }
  ShortText t;
  std::memcpy(t.text, &w, sizeof w);
  return t;
}

// Equality of two zero-terminated texts, compared inline: register texts are a few characters.
inline bool sameText(const char* a, const char* b) {
  for (; *a == *b; ++a, ++b)
    if (*a == '\0') return true;
  return false;
}

}  // namespace romlift
