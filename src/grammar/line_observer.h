// Hears of the accepted lines that shape the object-code stream, for reports that follow it.
#pragma once

#include <cstdint>

#include "bytes/padded_text.h"
#include "bytes/short_text.h"

namespace romlift {

class LineObserver {
 public:
  virtual ~LineObserver() = default;
  // A page header, with the line number and the page's address range.
  virtual void page(int /*lineno*/, const char* /*seg*/) {}
  // An accepted ORG line, its whole text.
  virtual void org(int /*lineno*/, PaddedText /*line*/) {}
  // An accepted code line: its whole text, where its bytes start in the stream, how many.
  virtual void codeLine(int /*lineno*/, const char* /*seg*/, const char* /*line*/, int64_t /*offset*/,
                        int /*bytes*/) {}
  // The same line again, with its token kind (CODE ... CODELOC) and its length, for reports
  // that read the fields after the object code (codeFields).
  virtual void codeToken(int /*lineno*/, int /*token*/, PaddedText /*line*/) {}
  // An accepted label-only line: its label stands at the next code line's address.
  virtual void labelOnly(int /*lineno*/, const ShortText& /*label*/) {}
  // An accepted symbol-table entry, split as the symbol register keeps it.
  virtual void symbolEntry(const ShortText& /*label*/, const ShortText& /*adr*/) {}
  // A line that the grammar rejected; the lines after it are rejected up to the next page.
  virtual void rejected(int /*lineno*/) {}
};

}  // namespace romlift
