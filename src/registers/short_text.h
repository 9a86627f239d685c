// Addresses and labels of the current line as fixed 8-byte words.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace romlift {

// An address or a label as a code line or a symbol table gives it: at most seven characters,
// zero-padded, so that it is copied, compared and hashed as one word rather than byte by byte.
using ShortText = char[8];

// The first n (at most 8) of the 8 bytes at p as a zero-padded short text; reads all 8.
inline void loadShort(ShortText& text, const char* p, size_t n) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  if (n < sizeof w) {
    if constexpr (std::endian::native == std::endian::little) {
      w &= (uint64_t{1} << (8 * n)) - 1;
    } else {
      w &= n == 0 ? 0 : ~uint64_t{0} << (8 * (sizeof w - n));
    }
  }
  std::memcpy(text, &w, sizeof w);
}

}  // namespace romlift
