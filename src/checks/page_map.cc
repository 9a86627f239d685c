#include "checks/page_map.h"

#include <algorithm>
#include <utility>

#include "checks/listing_text.h"
#include "output/image_writer.h"

namespace romlift {

void PageMap::page(int lineno, const char* seg) {
  Page p;
  p.seg = seg;
  p.lineno = lineno;
  pages_.push_back(std::move(p));
}

void PageMap::codeLine(int, const char*, const char* line, int64_t offset, int bytes) {
  if (pages_.empty()) return;
  Page& p = pages_.back();
  if (p.lines++ == 0) {
    p.first = addressOf(line);
    p.firstOffset = offset;
  }
  p.bytes += bytes;
  if (bytes > 0) p.last = (addressValue(line) + bytes - 1) % kAddressSpace;
}

void PageMap::print(FILE* out) const {
  std::fputs("Segment;Ligne;Lignes;Octets;Debut;Fin;Images\n", out);
  for (const Page& p : pages_) {
    std::string files;
    int64_t from = p.firstOffset, to = p.firstOffset + p.bytes;  // the page's bytes in the stream
    int64_t start = 0;
    for (int k = 0; k < 3 && from < to; ++k) {
      int64_t end = k < 2 ? kImageBreaks[k] : to;
      if (from < end) {
        char part[64];
        std::snprintf(part, sizeof part, "%s%s:%lld-%lld", files.empty() ? "" : " ", kImageNames[k],
                      static_cast<long long>(from - start), static_cast<long long>(std::min(to, end) - 1 - start));
        files += part;
        from = std::min(to, end);
      }
      start = end;
    }
    char last[8] = "-";
    if (p.bytes > 0) std::snprintf(last, sizeof last, "%04X", p.last);
    std::fprintf(out, "%s;%d;%d;%lld;%s;%s;%s\n", p.seg.c_str(), p.lineno, p.lines, static_cast<long long>(p.bytes),
                 p.lines > 0 ? p.first.c_str() : "-", last, files.c_str());
  }
}

}  // namespace romlift
