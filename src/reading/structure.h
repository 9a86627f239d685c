// The sections of a listing however OCR read their headers: where each starts, the range its
// headers agree on, its later pages, its banner and its symbol table; and the header and banner
// lines as they were printed.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "reading/survey.h"

namespace romlift::reading {

inline constexpr size_t kNone = static_cast<size_t>(-1);

struct Section {
  size_t header = kNone;      // its first-page header; kNone for the lines before any header
  size_t begin = 0, end = 0;  // its lines after the header, up to the next section's header
  std::string range;          // the range its headers agree on; empty when they do not
  std::vector<size_t> pages;  // its later pages' headers
  size_t title = kNone;       // the middle line of its symbol table's banner
  size_t bodyEnd = 0;         // the end of its numbered lines: the banner, or `end`
};

class Structure {
 public:
  Structure(const std::vector<std::string_view>& lines, const std::vector<Surveyed>& shapes);

  const std::vector<Section>& sections() const { return sections_; }
  // The header and banner lines as printed, where they differ from what was read.
  const std::map<size_t, std::string>& rewrites() const { return rewrites_; }

 private:
  void split();
  void decideRange(Section& s);
  void findBanner(Section& s);
  void rewriteHeaders(const Section& s);
  bool startsSection(size_t h, int expectedPage, const std::string& lastRange) const;

  const std::vector<std::string_view>& lines_;
  const std::vector<Surveyed>& shapes_;
  std::vector<Section> sections_;
  std::map<size_t, std::string> rewrites_;
};

}  // namespace romlift::reading
