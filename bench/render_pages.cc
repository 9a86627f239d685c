// render_pages: prints a listing as page images, as a line printer's pages scanned.
//
//   render_pages --prefix PREFIX [--scan clean|average|poor] [--seed S] [--font FACE.ttf]
//                [--dpi 300] [--cpi 10] [--lpi 6] [--lines-per-page 66] [LISTING]
//
// Reads LISTING, or standard input, and writes PREFIX-001.pgm, PREFIX-002.pgm, ... (8-bit
// gray PGM), then PREFIX.geom, the geometry that ocr_rebuild reads (see page_layout.h). Half an
// inch of margin all round; every page is as wide as the longest line, 80 columns at least.
// The same listing, options and seed always give the same images.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "page_render.h"
#include "tool_args.h"

namespace {

namespace pages = romlift::bench::pages;
namespace tool = romlift::bench::tool;

constexpr const char* kSynopsis =
    "--prefix PREFIX [--scan clean|average|poor] [--seed S] [--font FACE.ttf] [--dpi 300] [--cpi 10] [--lpi 6] "
    "[--lines-per-page 66] [LISTING]";
constexpr const char* kDefaultFont = "/usr/share/fonts/truetype/freefont/FreeMono.ttf";

int usage(std::string_view why) { return tool::usage("render_pages", kSynopsis, why); }

struct Options {
  const char* prefix = nullptr;
  const char* listing = nullptr;
  const char* font = kDefaultFont;
  pages::Scan scan = pages::Scan::Clean;
  double seed = 1, dpi = 300, cpi = 10, lpi = 6, linesPerPage = 66;
};

// The numeric options: false when the name is none of them or the value is not a number.
bool numberOption(std::string_view name, const char* value, Options& o, bool& known) {
  struct Named {
    const char* name;
    double* value;
  };
  const Named numbers[] = {{"--seed", &o.seed},
                           {"--dpi", &o.dpi},
                           {"--cpi", &o.cpi},
                           {"--lpi", &o.lpi},
                           {"--lines-per-page", &o.linesPerPage}};
  for (const Named& n : numbers) {
    if (name == n.name) {
      known = true;
      return tool::parseNumber(value, *n.value) && *n.value == std::floor(*n.value) &&
             (n.value == &o.seed || *n.value > 0);
    }
  }
  known = false;
  return true;
}

int parseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    bool hasValue = i + 1 < argc, known = false;
    if (arg.substr(0, 2) != "--") {
      if (o.listing != nullptr) return usage("one listing at the most");
      o.listing = argv[i];
    } else if (!hasValue) {
      return usage("unexpected argument " + std::string(arg));
    } else if (!numberOption(arg, argv[i + 1], o, known)) {
      return usage(std::string(arg) + " takes a whole number");
    } else if (known) {
      ++i;
    } else if (arg == "--prefix") {
      o.prefix = argv[++i];
    } else if (arg == "--font") {
      o.font = argv[++i];
    } else if (arg == "--scan") {
      if (!pages::parseScan(argv[++i], o.scan)) return usage("--scan takes clean, average or poor");
    } else {
      return usage("unexpected argument " + std::string(arg));
    }
  }
  return o.prefix == nullptr ? usage("--prefix is required") : 0;
}

pages::Geometry geometryOf(const std::vector<std::string_view>& lines, const Options& o) {
  pages::Geometry g;
  g.dpi = static_cast<int>(o.dpi);
  g.pitch = static_cast<int>(std::lround(o.dpi / o.cpi));
  g.line = static_cast<int>(std::lround(o.dpi / o.lpi));
  g.left = g.top = g.dpi / 2;
  g.linesPerPage = static_cast<size_t>(o.linesPerPage);
  size_t columns = 80;
  for (std::string_view l : lines) columns = std::max(columns, l.size());
  g.width = 2 * g.left + static_cast<int>(columns) * g.pitch;
  g.height = 2 * g.top + static_cast<int>(g.linesPerPage) * g.line;
  g.pages = pages::paginate(lines, g.linesPerPage);
  return g;
}

int fail(const std::string& what) {
  std::fprintf(stderr, "render_pages: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (int status = parseOptions(argc, argv, o); status != 0) return status;
  std::string text;
  bool read = o.listing == nullptr ? tool::readAll(stdin, text) : tool::readFile(o.listing, text);
  if (!read) return fail(std::string("cannot read the listing: ") + std::strerror(errno));
  std::vector<std::string_view> lines = pages::listingLines(text);
  pages::Geometry geometry = geometryOf(lines, o);
  pages::Font font;
  std::string error;
  if (!font.open(o.font, geometry.pitch, error)) return fail(error);
  std::string prefix = o.prefix;
  for (size_t p = 0; p < geometry.pages.size(); ++p) {
    char name[32];
    std::snprintf(name, sizeof name, "-%03zu.pgm", p + 1);
    pages::Image page =
        pages::renderPage(lines, geometry.pages[p], geometry, font, o.scan, static_cast<uint64_t>(o.seed));
    if (!tool::writeFile((prefix + name).c_str(), pages::formatPgm(page)))
      return fail("cannot write " + prefix + name + ": " + std::strerror(errno));
  }
  // Last, so that a geometry file says its pages are all there.
  if (!tool::writeFile((prefix + ".geom").c_str(), pages::formatGeometry(geometry)))
    return fail("cannot write " + prefix + ".geom: " + std::strerror(errno));
  return 0;
}
