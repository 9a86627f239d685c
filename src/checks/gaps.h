// Address continuity: where an accepted code line does not stand at the previous line's address
// plus its byte count.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "checks/directives.h"
#include "grammar/line_observer.h"
#include "scanner/skipped_line.h"

namespace romlift {

// Follows the accepted code lines and the DS lines, and notes every place where one does not
// stand where the run so far says it should. A DS accounts for the bytes it reserves; an ORG
// line starts a new run at the address it sets, a new page or a DS whose size cannot be read
// one that starts wherever its first line stands. A code line printed outside the layout is
// named with the reason, and its bytes, which the images lack, take their room in the run.
// The DS lines among the lines that the grammar rejects are left out with them.
class GapFinder : public LineObserver, public SkippedLineListener {
 public:
  void page(int lineno, const char* seg) override;
  void org(int lineno, PaddedText line) override;
  void codeLine(int lineno, const char* seg, const char* line, int64_t offset, int bytes) override;
  void skippedLine(int lineno, PaddedText line) override;
  void rejected(int lineno) override;

  // One line per break and a closing count; returns the number of breaks.
  int print(FILE* out) const;
  // The input line counter of each break, in listing order.
  std::vector<int> breakLines() const;

 private:
  void follow(int lineno, unsigned found, unsigned length);

  struct Break {
    int lineno;
    std::string seg;
    unsigned expected, found;
    int missing;  // bytes lost before the line; negative when the line overlaps the previous one
    uint8_t outside = 0;  // for a line printed outside the layout: why (OutsideLine::Reason)
  };
  std::vector<Break> breaks_;
  DirectiveReader directives_;
  std::string seg_;
  bool inRun_ = false;
  bool rejecting_ = false;  // after a rejected line, up to the next page
  unsigned next_ = 0;  // the address the next line of the run should stand at
};

}  // namespace romlift
