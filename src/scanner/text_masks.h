// Where a character occurs in the 32 bytes at a pointer, as a bit mask: tokens in the scanner's
// buffer (which has slack past every line) are taken apart without byte loops.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace romlift {

// Bit i is set when p[i] == c, for i in [0, 32); p[0..32) must be readable.
inline uint32_t matches32(const char* p, char c) {
  __m128i k = _mm_set1_epi8(c);
  auto half = [&](const char* q) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    return static_cast<uint32_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, k))));
  };
  return half(p) | half(p + 16) << 16;
}

// Bits from len on (all of them set when len is 0, none when len >= 32).
inline uint32_t bitsFrom(size_t len) { return len < 32 ? ~uint32_t{0} << len : 0; }

}  // namespace romlift

#endif
