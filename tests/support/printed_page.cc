#include "support/printed_page.h"

#include <string_view>

namespace romlift::test {

PrintedPage printPage(const std::vector<std::string>& lines, bench::pages::Scan scan, uint64_t seed, int line) {
  namespace pages = bench::pages;
  PrintedPage p;
  pages::Geometry& g = p.geometry;
  g.line = line;
  g.linesPerPage = lines.size();
  g.width = 2 * g.left + 80 * g.pitch;
  g.height = 2 * g.top + static_cast<int>(lines.size()) * g.line;
  pages::Font font;
  std::string error;
  if (!font.open(kFreeMono, g.pitch, error)) return p;
  std::vector<std::string_view> views(lines.begin(), lines.end());
  pages::Image image = pages::renderPage(views, {1, lines.size()}, g, font, scan, seed);
  p.image.width = image.width, p.image.height = image.height, p.image.pixels = image.pixels;
  p.pgm = pages::formatPgm(image);
  return p;
}

}  // namespace romlift::test
