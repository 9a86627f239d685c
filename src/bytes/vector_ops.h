// The few byte operations that the hot paths do many bytes at a time: where a character
// stands in a block, the character classes of a line, a masked copy, hex pairs decoded.
//
// This header is the only place that looks at the processor's features. Each operation has a
// plain C++ version (namespace portable), always compiled, and on x86-64 an SSE2 version;
// callers use the plain functions of namespace romlift, which stand for one or the other.
// Building with ROMLIFT_PORTABLE defined (the `portable` preset) uses the plain versions.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bytes/charclass.h"

namespace romlift {

// Bits from len on of a 32-bit mask (all of them when len is 0, none when len >= 32).
inline uint32_t bitsFrom(size_t len) { return len < 32 ? ~uint32_t{0} << len : 0; }

// One 64-bit mask per character class over 64 bytes: bit i stands for byte i.
struct ClassMasks {
  uint64_t blank, digit, hex, upper;
};

namespace portable {

inline uint64_t word8(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Bit k set where byte k of w is zero (exact for every byte, not only the first).
inline uint32_t zeroBytes8(uint64_t w) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  uint64_t high = ~(((w & kLow7) + kLow7) | w | kLow7);  // 0x80 in each zero byte
  uint32_t bits = 0;
  for (int k = 0; k < 8; ++k) bits |= static_cast<uint32_t>((high >> (8 * k + 7)) & 1) << k;
  return bits;
}

inline uint64_t matchesN(const char* p, char c, int words) {
  uint64_t spread = 0x0101010101010101ULL * static_cast<uint8_t>(c), bits = 0;
  for (int k = 0; k < words; ++k) {
    uint64_t w = word8(p + 8 * k);
    if constexpr (std::endian::native != std::endian::little) w = __builtin_bswap64(w);
    bits |= uint64_t{zeroBytes8(w ^ spread)} << (8 * k);
  }
  return bits;
}

inline uint32_t matches16(const uint8_t* p, uint8_t c) {
  return static_cast<uint32_t>(matchesN(reinterpret_cast<const char*>(p), static_cast<char>(c), 2));
}
inline uint32_t matches32(const char* p, char c) { return static_cast<uint32_t>(matchesN(p, c, 4)); }
inline uint64_t matches64(const char* p, char c) { return matchesN(p, c, 8); }

inline ClassMasks classify64(const char* p) {
  ClassMasks m{};
  for (int i = 0; i < 64; ++i) {
    uint64_t bit = uint64_t{1} << i;
    uint8_t cls = kCharClass[static_cast<unsigned char>(p[i])];
    if (cls & kBlank) m.blank |= bit;
    if (cls & kDigit) m.digit |= bit;
    if (cls & kHex) m.hex |= bit;
    if (cls & kUpper) m.upper |= bit;
  }
  return m;
}

inline void storeFirst16(char* dst, const char* src, size_t n) {
  std::memcpy(dst, src, n);
  std::memset(dst + n, 0, 16 - n);
}

// v(x) = x - 48 up to '@', x - 55 from 'A' on; the pair (h, l) is 16 v(h) + v(l) in 8 bits.
inline uint8_t decodePair(char high, char low) {
  auto v = [](char c) {
    unsigned x = static_cast<unsigned char>(c);
    return x <= 64 ? x - 48 : x - 55;
  };
  return static_cast<uint8_t>(16 * v(high) + v(low));
}

inline void decodePairs6(const char* text, uint8_t* out) {
  for (int i = 0; i < 6; ++i) out[i] = decodePair(text[2 * i], text[2 * i + 1]);
  out[6] = out[7] = 0;  // scratch
}

}  // namespace portable
}  // namespace romlift

#if defined(__SSE2__) && !defined(ROMLIFT_PORTABLE)
#include <emmintrin.h>

namespace romlift {
namespace sse2 {

inline uint32_t mask16(__m128i v) { return static_cast<uint16_t>(_mm_movemask_epi8(v)); }
inline __m128i load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

inline uint32_t matches16(const uint8_t* p, uint8_t c) {
  return mask16(_mm_cmpeq_epi8(load16(p), _mm_set1_epi8(static_cast<char>(c))));
}
inline uint32_t matches32(const char* p, char c) {
  __m128i k = _mm_set1_epi8(c);
  return mask16(_mm_cmpeq_epi8(load16(p), k)) | mask16(_mm_cmpeq_epi8(load16(p + 16), k)) << 16;
}
inline uint64_t matches64(const char* p, char c) {
  __m128i k = _mm_set1_epi8(c);
  uint64_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= uint64_t{mask16(_mm_cmpeq_epi8(load16(p + 16 * i), k))} << (16 * i);
  return bits;
}

// One class at a time over the four blocks: with every class at once the compiler ran out of
// registers and reloaded a 32-bit spill as 64 bits, a load that waits for the store.
inline ClassMasks classify64(const char* p) {
  auto inRange = [](__m128i v, char low, char span) {  // low <= c <= low + span, unsigned
    __m128i t = _mm_sub_epi8(v, _mm_set1_epi8(low));
    return _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(span)), t);
  };
  __m128i v[4];
  for (int k = 0; k < 4; ++k) v[k] = load16(p + 16 * k);
  auto mask = [&v](auto inClass) {
    uint64_t m = 0;
    for (int k = 0; k < 4; ++k) m |= uint64_t{mask16(inClass(v[k]))} << (16 * k);
    return m;
  };
  ClassMasks m;
  m.blank = mask([](__m128i x) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(' ')); });
  m.digit = mask([&](__m128i x) { return inRange(x, '0', 9); });
  m.hex = m.digit | mask([&](__m128i x) { return inRange(x, 'A', 5); });
  m.upper = mask([&](__m128i x) { return inRange(x, 'A', 25); });
  return m;
}

inline void storeFirst16(char* dst, const char* src, size_t n) {
  static constexpr unsigned char kKeep[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_and_si128(load16(src), load16(kKeep + 16 - n)));
}

inline void decodePairs6(const char* text, uint8_t* out) {
  uint64_t first;
  uint32_t last;
  std::memcpy(&first, text, sizeof first);
  std::memcpy(&last, text + sizeof first, sizeof last);
  __m128i x = _mm_set_epi64x(last, static_cast<int64_t>(first));
  // v(x): x - 48, and 7 less from 'A' (65) on; bytes wrap as in decodePair.
  __m128i above = _mm_cmpeq_epi8(_mm_max_epu8(x, _mm_set1_epi8(65)), x);
  __m128i v = _mm_sub_epi8(_mm_sub_epi8(x, _mm_set1_epi8(48)), _mm_and_si128(above, _mm_set1_epi8(7)));
  // Each 16-bit lane holds a pair, its first character low: 16 * low byte + high byte.
  __m128i bytes = _mm_add_epi16(_mm_slli_epi16(v, 4), _mm_srli_epi16(v, 8));
  bytes = _mm_and_si128(bytes, _mm_set1_epi16(0xFF));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(bytes, bytes));
}

}  // namespace sse2

namespace active = sse2;
inline constexpr bool kVectorOps = true;

}  // namespace romlift
#else
namespace romlift {
namespace active = portable;
inline constexpr bool kVectorOps = false;
}  // namespace romlift
#endif

namespace romlift {

// Bit i set when p[i] == c; p[0..16), p[0..32) or p[0..64) must be readable.
inline uint32_t matches16(const uint8_t* p, uint8_t c) { return active::matches16(p, c); }
inline uint32_t matches32(const char* p, char c) { return active::matches32(p, c); }
inline uint64_t matches64(const char* p, char c) { return active::matches64(p, c); }
// The classes of the 64 bytes at p (all readable).
inline ClassMasks classify64(const char* p) { return active::classify64(p); }
// dst[0..16) = the first n (at most 16) bytes at src, then zeros; src[0..16) must be readable.
inline void storeFirst16(char* dst, const char* src, size_t n) { active::storeFirst16(dst, src, n); }
// out[0..6) = the six pairs at text[0..12) decoded as decodePair does; out[6..8) is scratch.
inline void decodePairs6(const char* text, uint8_t* out) { active::decodePairs6(text, out); }
using portable::decodePair;

}  // namespace romlift
