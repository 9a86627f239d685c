// Checks that help find damaged lines: labels across both registers, address continuity,
// and where each page's bytes went.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "grammar/line_observer.h"
#include "registers/code_lists.h"
#include "registers/symbol_lists.h"

namespace romlift {

// Every code-line label against the symbol tables, then every symbol-table label against the
// code lines, each register newest first. Prints one line per problem and a closing count;
// returns the number of problems.
int xref(FILE* out, const CodeLists& codes, const SymbolLists& symbols);

// Follows the accepted code lines and notes every place where a line does not stand at the
// previous line's address plus its byte count. An ORG line or a new page starts a new run.
class GapFinder : public LineObserver {
 public:
  void page(int lineno, const char* seg) override;
  void org(int lineno) override;
  void codeLine(int lineno, const char* seg, const char* line, int64_t offset, int bytes) override;

  // One line per break and a closing count; returns the number of breaks.
  int print(FILE* out) const;

 private:
  struct Break {
    int lineno;
    std::string seg, found;
    unsigned expected;
    int missing;  // bytes lost before the line; negative when the line overlaps the previous one
  };
  std::vector<Break> breaks_;
  bool inRun_ = false;
  unsigned next_ = 0;  // the address the next line of the run should stand at
};

// One row per page: its segment, header line, accepted code lines and bytes, first and last
// address, and which image files and offsets its bytes went to.
class PageMap : public LineObserver {
 public:
  void page(int lineno, const char* seg) override;
  void codeLine(int lineno, const char* seg, const char* line, int64_t offset, int bytes) override;

  void print(FILE* out) const;

 private:
  struct Page {
    std::string seg;
    int lineno = 0;
    int lines = 0;
    int64_t bytes = 0, firstOffset = 0;
    std::string first;
    unsigned last = 0;  // address of the page's last byte
  };
  std::vector<Page> pages_;
};

}  // namespace romlift
