// What each line of a listing looks like it was on paper, however OCR read it: a section's
// header, a later page's header, a banner line, a numbered line, or something else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace romlift::reading {

enum class Shape : uint8_t {
  Empty,     // nothing but blanks
  Header,    // a page header: PAGE, the page number, KEZ FIRMWARE, the range, the version mark
  Title,     // the middle line of a symbol-table banner
  Numbered,  // starts with a line number
  Other,     // anything else: a symbol-table line, a banner's stars, a line's lost half
};

struct Surveyed {
  Shape shape = Shape::Other;
  int page = -1;      // Header: the page number, when it reads as one
  std::string pageText;  // Header: the page number as read
  std::string range;  // Header: the range as read, blanks and marks taken out
};

// How a line looks, read alone.
Surveyed survey(std::string_view line);

// The readings of a range `[0-3]?hhhh-[0-3]?hhhh` that OCR may have read as `read`, cheapest
// first, with their cost; at most `max` of them.
struct RangeReading {
  std::string range;
  int cost;
};
std::vector<RangeReading> rangeReadings(std::string_view read, size_t max);

// The cost of reading `digits` printed as the number `value` (three digits, or two for a page).
int numberCost(int value, size_t width, std::string_view read);

// The value that a line number reads as with each character taken for its cheapest digit; -1
// when a character stands for no digit.
int readNumber(std::string_view read);

}  // namespace romlift::reading
