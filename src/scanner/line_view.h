// Two ways to look at one listing line: byte by byte, or as bit masks of character classes.
// The code-line rules are written once against this interface and run on either.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scanner/charclass.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace romlift {

// The line read byte by byte, for lines of any length; the reference for the masked view.
class ByteLine {
 public:
  ByteLine(const char* s, size_t n) : s_(s), n_(n) {}
  size_t size() const { return n_; }
  char at(size_t i) const { return s_[i]; }
  // Length of the run of blanks, or of non-blank characters, that starts at i.
  size_t blanks(size_t i) const;
  size_t word(size_t i) const;
  // True when the w characters at i all have the class cls.
  bool all(size_t i, size_t w, uint8_t cls) const {
    for (size_t k = 0; k < w; ++k)
      if (!hasClass(s_[i + k], cls)) return false;
    return true;
  }

 private:
  const char* s_;
  size_t n_;
};

// Bytes that may be read past the end of a line in a buffer that promises them (the scanner's
// buffer keeps this much slack after its text).
inline constexpr size_t kLineSlack = 64;

#if defined(__SSE2__)
// A line of fewer than 64 characters as one 64-bit mask per class, built with a few vector
// compares: finding a field's end is then one bit scan, and checking its characters one mask
// test, instead of a loop over its bytes.
class MaskedLine {
 public:
  static constexpr size_t kMaxSize = 63;

  // Copies the line, so that nothing past s[n - 1] is read.
  MaskedLine(const char* s, size_t n);
  // Reads the 64 bytes from s in place: s[0..64) must be readable; bytes past the line are
  // masked out.
  struct InPlace {};
  MaskedLine(const char* s, size_t n, InPlace);

  size_t size() const { return n_; }
  char at(size_t i) const { return s_[i]; }
  size_t blanks(size_t i) const { return static_cast<size_t>(std::countr_zero(~blank_ >> i)); }
  size_t word(size_t i) const { return static_cast<size_t>(std::countr_zero((blank_ | end_) >> i)); }
  bool all(size_t i, size_t w, uint8_t cls) const {
    uint64_t want = ((uint64_t{1} << w) - 1) << i;
    return (maskOf(cls) & want) == want;
  }

 private:
  uint64_t maskOf(uint8_t cls) const {
    switch (cls) {
      case kDigit: return digit_;
      case kHex: return hex_;
      case kUpper: return upper_;
      default: return 0;
    }
  }
  void classify(const char* bytes);

  alignas(16) char copy_[64];
  const char* s_;
  size_t n_;
  uint64_t end_;  // the bit just past the line, so a word at the end stops there
  uint64_t blank_ = 0, digit_ = 0, hex_ = 0, upper_ = 0;
};

inline MaskedLine::MaskedLine(const char* s, size_t n) : s_(copy_), n_(n), end_(uint64_t{1} << n) {
  std::memset(copy_, 0, sizeof copy_);
  std::memcpy(copy_, s, n);
  classify(copy_);
}

inline MaskedLine::MaskedLine(const char* s, size_t n, InPlace) : s_(s), n_(n), end_(uint64_t{1} << n) {
  classify(s);
}

inline void MaskedLine::classify(const char* bytes) {
  auto inRange = [](__m128i v, char low, char span) {  // low <= c <= low + span, unsigned
    __m128i t = _mm_sub_epi8(v, _mm_set1_epi8(low));
    return _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(span)), t);
  };
  // All four blocks, whatever the line's length: a loop that stopped at the line's end would
  // stop at a different turn from line to line, and the bytes past it are masked out below.
  // One class at a time over the four blocks: with every class at once the compiler ran out
  // of registers and reloaded a 32-bit spill as 64 bits, a load that waits for the store.
  __m128i v[4];
  for (int k = 0; k < 4; ++k) v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k));
  auto mask = [&v](auto inClass) {
    uint64_t m = 0;
    for (int k = 0; k < 4; ++k)
      m |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(inClass(v[k])))) << (16 * k);
    return m;
  };
  blank_ = mask([](__m128i x) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(' ')); });
  digit_ = mask([&](__m128i x) { return inRange(x, '0', 9); });
  hex_ = digit_ | mask([&](__m128i x) { return inRange(x, 'A', 5); });
  upper_ = mask([&](__m128i x) { return inRange(x, 'A', 25); });
  // Only the line's own bytes count; past it nothing is blank or in any class.
  uint64_t line = end_ - 1;
  blank_ &= line;
  digit_ &= line;
  hex_ &= line;
  upper_ &= line;
}
#endif

}  // namespace romlift
