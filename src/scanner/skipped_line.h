// Hears of the lines that the scanner skips: lines outside a symbol table that fit no layout.
#pragma once

#include "bytes/padded_text.h"

namespace romlift {

class SkippedLineListener {
 public:
  virtual ~SkippedLineListener() = default;
  // The whole line without its newline, and its line number.
  virtual void skippedLine(int lineno, PaddedText line) = 0;
};

}  // namespace romlift
