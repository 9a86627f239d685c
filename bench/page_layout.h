// How a listing falls into printed pages and where its characters stand on them: shared by
// render_pages, which prints the pages, and ocr_rebuild, which puts OCR's words back.
//
// A page starts before each line that begins with "PAGE " (the listing's page headers) and
// after lines_per_page lines. Line r of a page (from 0) has its character of column c in the
// cell whose top left corner is (left + c * pitch, top + r * line), in pixels.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace romlift::bench::pages {

struct PageLines {
  size_t first = 0;  // the page's first listing line, counted from 1
  size_t count = 0;  // listing lines on the page
  bool operator==(const PageLines&) const = default;
};

struct Geometry {
  int dpi = 300;
  int left = 150;  // pixels from the image's left edge to column 0
  int top = 150;   // pixels from the image's top edge to the top of line 0
  int pitch = 30;  // pixels a character
  int line = 50;   // pixels a line
  int width = 0;   // the image, in pixels
  int height = 0;
  size_t linesPerPage = 66;
  std::vector<PageLines> pages;
};

// The listing's lines without their newlines; a last line without a newline counts too.
std::vector<std::string_view> listingLines(std::string_view text);

// The pages of the lines, as described above.
std::vector<PageLines> paginate(const std::vector<std::string_view>& lines, size_t linesPerPage);

// The geometry file: one `NAME VALUE` line per figure, then `page N FIRST COUNT` per page.
std::string formatGeometry(const Geometry& g);
// False, with the reason, when the text is not a geometry file.
bool parseGeometry(std::string_view text, Geometry& g, std::string& error);

}  // namespace romlift::bench::pages
