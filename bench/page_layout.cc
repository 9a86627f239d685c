#include "page_layout.h"

#include <cstdio>
#include <cstdlib>

namespace romlift::bench::pages {

std::vector<std::string_view> listingLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  for (size_t nl; (nl = text.find('\n', at)) != std::string_view::npos; at = nl + 1)
    lines.push_back(text.substr(at, nl - at));
  if (at < text.size()) lines.push_back(text.substr(at));
  return lines;
}

std::vector<PageLines> paginate(const std::vector<std::string_view>& lines, size_t linesPerPage) {
  std::vector<PageLines> pages;
  for (size_t i = 0; i < lines.size(); ++i) {
    bool header = lines[i].substr(0, 5) == "PAGE ";
    if (pages.empty() || pages.back().count == linesPerPage || (header && pages.back().count > 0))
      pages.push_back({i + 1, 0});
    ++pages.back().count;
  }
  return pages;
}

namespace {

struct Field {
  const char* name;
  int Geometry::*member;
};
constexpr Field kFields[] = {{"dpi", &Geometry::dpi},      {"left", &Geometry::left}, {"top", &Geometry::top},
                             {"pitch", &Geometry::pitch},  {"line", &Geometry::line}, {"width", &Geometry::width},
                             {"height", &Geometry::height}};

// A whole number of zero or more that fills the text.
bool wholeNumber(std::string_view text, size_t& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
  value = std::strtoul(std::string(text).c_str(), nullptr, 10);
  return true;
}

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  for (size_t at = 0; (at = line.find_first_not_of(' ', at)) != std::string_view::npos;) {
    size_t end = std::min(line.find(' ', at), line.size());
    out.push_back(line.substr(at, end - at));
    at = end;
  }
  return out;
}

// One `NAME VALUE` or `page N FIRST COUNT` line into g.
bool parseGeometryLine(const std::vector<std::string_view>& w, Geometry& g) {
  size_t v[3] = {};
  if (w.size() == 4 && w[0] == "page") {
    for (int k = 0; k < 3; ++k)
      if (!wholeNumber(w[1 + k], v[k])) return false;
    if (v[0] != g.pages.size() + 1 || v[1] == 0 || v[2] == 0) return false;
    g.pages.push_back({v[1], v[2]});
    return true;
  }
  if (w.size() != 2 || !wholeNumber(w[1], v[0])) return false;
  if (w[0] == "lines_per_page") return (g.linesPerPage = v[0]) > 0;
  for (const Field& f : kFields) {
    if (w[0] == f.name) {
      g.*f.member = static_cast<int>(v[0]);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string formatGeometry(const Geometry& g) {
  std::string out =
      "# render_pages: pixels at dpi dots an inch; page N FIRST COUNT: listing lines FIRST (from 1)\n"
      "# to FIRST+COUNT-1 are lines 0 to COUNT-1 of page N\n";
  char buffer[96];
  for (const Field& f : kFields) {
    std::snprintf(buffer, sizeof buffer, "%s %d\n", f.name, g.*f.member);
    out += buffer;
  }
  std::snprintf(buffer, sizeof buffer, "lines_per_page %zu\n", g.linesPerPage);
  out += buffer;
  for (size_t p = 0; p < g.pages.size(); ++p) {
    std::snprintf(buffer, sizeof buffer, "page %zu %zu %zu\n", p + 1, g.pages[p].first, g.pages[p].count);
    out += buffer;
  }
  return out;
}

bool parseGeometry(std::string_view text, Geometry& g, std::string& error) {
  g = Geometry{};
  std::vector<std::string_view> lines = listingLines(text);
  for (size_t n = 0; n < lines.size(); ++n) {
    if (lines[n].empty() || lines[n][0] == '#') continue;
    if (!parseGeometryLine(words(lines[n]), g)) {
      error = "line " + std::to_string(n + 1) + ": " + std::string(lines[n]);
      return false;
    }
  }
  if (g.pitch <= 0 || g.line <= 0 || g.pages.empty()) {
    error = "pitch, line and at least one page are needed";
    return false;
  }
  return true;
}

}  // namespace romlift::bench::pages
