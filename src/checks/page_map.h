// Where each page's bytes went: one row per page of the listing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "grammar/line_observer.h"

namespace romlift {

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
