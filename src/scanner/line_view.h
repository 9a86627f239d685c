// Two ways to look at one listing line: byte by byte, or as bit masks of character classes.
// The code-line rules are written once against this interface and run on either.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bytes/charclass.h"
#include "bytes/padded_text.h"
#include "bytes/vector_ops.h"

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

// A line of fewer than 64 characters as one 64-bit mask per class: finding a field's end is
// then one bit scan, and checking its characters one mask test, instead of a loop over bytes.
class MaskedLine {
 public:
  static constexpr size_t kMaxSize = 63;

  // Reads the 64 bytes from the line's start in place; the bytes past the line are masked out.
  explicit MaskedLine(PaddedText line)
      : s_(line.text), n_(line.len), end_(uint64_t{1} << line.len), masks_(classify64(line.text)) {
    uint64_t inLine = end_ - 1;
    masks_.blank &= inLine;
    masks_.digit &= inLine;
    masks_.hex &= inLine;
    masks_.upper &= inLine;
  }

  size_t size() const { return n_; }
  char at(size_t i) const { return s_[i]; }
  size_t blanks(size_t i) const { return static_cast<size_t>(std::countr_zero(~masks_.blank >> i)); }
  size_t word(size_t i) const { return static_cast<size_t>(std::countr_zero((masks_.blank | end_) >> i)); }
  bool all(size_t i, size_t w, uint8_t cls) const {
    uint64_t want = ((uint64_t{1} << w) - 1) << i;
    return (maskOf(cls) & want) == want;
  }

 private:
  uint64_t maskOf(uint8_t cls) const {
    switch (cls) {
      case kDigit: return masks_.digit;
      case kHex: return masks_.hex;
      case kUpper: return masks_.upper;
      default: return 0;
    }
  }

  const char* s_;
  size_t n_;
  uint64_t end_;  // the bit just past the line, so a word at the end stops there
  ClassMasks masks_;
};

}  // namespace romlift
