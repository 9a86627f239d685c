// Text that may be read past its end: the scanner's buffer keeps kPadding readable bytes after
// every line it hands out, so that fields are found with whole-word and vector loads.
#pragma once

#include <cstddef>

namespace romlift {

// Readable bytes after the end of a PaddedText (their values do not matter).
inline constexpr size_t kPadding = 64;

// len bytes at text, followed by at least kPadding readable bytes.
struct PaddedText {
  const char* text;
  size_t len;
};

}  // namespace romlift
