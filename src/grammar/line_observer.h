// Hears of the accepted lines that shape the object-code stream, for reports that follow it.
#pragma once

#include <cstdint>

namespace romlift {

class LineObserver {
 public:
  virtual ~LineObserver() = default;
  // A page header, with the line number and the page's address range.
  virtual void page(int /*lineno*/, const char* /*seg*/) {}
  // An accepted ORG line.
  virtual void org(int /*lineno*/) {}
  // An accepted code line: its whole text, where its bytes start in the stream, how many.
  virtual void codeLine(int /*lineno*/, const char* /*seg*/, const char* /*line*/, int64_t /*offset*/,
                        int /*bytes*/) {}
  // A line that the grammar rejected; the lines after it are rejected up to the next page.
  virtual void rejected(int /*lineno*/) {}
};

}  // namespace romlift
