#include "ocr_rebuild.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace romlift::bench::pages {
namespace {

constexpr size_t kColumns = 12;  // level page block par line word left top width height conf text

std::vector<std::string_view> fieldsOf(std::string_view row) {
  std::vector<std::string_view> out;
  for (size_t at = 0;;) {
    size_t tab = row.find('\t', at);
    out.push_back(row.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
    if (tab == std::string_view::npos) return out;
    at = tab + 1;
  }
}

bool integer(std::string_view text, long& value) {
  std::string s(text);
  char* end = nullptr;
  value = std::strtol(s.c_str(), &end, 10);
  return !s.empty() && *end == '\0';
}

// One word row into w; false when a number does not read.
bool readWord(const std::vector<std::string_view>& f, Word& w) {
  long v[9];  // page block par line word left top width height
  for (size_t k = 0; k < 9; ++k)
    if (!integer(f[k + 1], v[k])) return false;
  w.left = static_cast<int>(v[5]), w.top = static_cast<int>(v[6]);
  w.width = static_cast<int>(v[7]), w.height = static_cast<int>(v[8]);
  w.line = (v[1] * 1000 + v[2]) * 1000 + v[3];
  w.text = f[11];
  return true;
}

struct Point {
  double x, y;
};

// Where a word's left middle stood on the straight page (the inverse of render_pages' tilt).
Point straighten(const Word& w, double degrees, const Geometry& g) {
  double a = degrees * std::acos(-1.0) / 180, c = std::cos(a), s = std::sin(a);
  double cx = g.width / 2.0, cy = g.height / 2.0, x = w.left, y = w.top + w.height / 2.0;
  return {cx + (x - cx) * c - (y - cy) * s, cy + (x - cx) * s + (y - cy) * c};
}

// The least-squares slope of the middles of a line's words, or NaN for a line too short.
double slopeOf(const std::vector<const Word*>& line, int minSpan) {
  if (line.size() < 2 || line.back()->left - line.front()->left < minSpan) return std::nan("");
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const Word* w : line) {
    double x = w->left + w->width / 2.0, y = w->top + w->height / 2.0;
    n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
  }
  return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

}  // namespace

bool parseTsv(std::string_view tsv, std::vector<Word>& words, std::string& error) {
  words.clear();
  std::vector<std::string_view> rows = listingLines(tsv);
  if (rows.empty() || rows[0].substr(0, 6) != "level\t") {
    error = "no TSV header";
    return false;
  }
  for (size_t n = 1; n < rows.size(); ++n) {
    std::vector<std::string_view> f = fieldsOf(rows[n]);
    Word w;
    if (f.size() != kColumns || !readWord(f, w)) {
      error = "row " + std::to_string(n + 1) + " does not read: " + std::string(rows[n]);
      return false;
    }
    if (f[0] == "5" && w.text.find_first_not_of(' ') != std::string::npos) words.push_back(std::move(w));
  }
  return true;
}

double measureSkew(const std::vector<Word>& words, const Geometry& geometry) {
  std::vector<const Word*> sorted;
  for (const Word& w : words) sorted.push_back(&w);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Word* a, const Word* b) {
    return a->line != b->line ? a->line < b->line : a->left < b->left;
  });
  std::vector<double> slopes;
  for (size_t i = 0, j; i < sorted.size(); i = j) {
    for (j = i; j < sorted.size() && sorted[j]->line == sorted[i]->line;) ++j;
    double s = slopeOf({sorted.begin() + static_cast<ptrdiff_t>(i), sorted.begin() + static_cast<ptrdiff_t>(j)},
                       10 * geometry.pitch);
    if (!std::isnan(s)) slopes.push_back(s);
  }
  if (slopes.empty()) return 0;
  std::nth_element(slopes.begin(), slopes.begin() + static_cast<ptrdiff_t>(slopes.size() / 2), slopes.end());
  return -std::atan(slopes[slopes.size() / 2]) * 180 / std::acos(-1.0);
}

namespace {

struct Placed {
  long row;
  double x;
  const Word* word;
};

// How far the words' left edges stand inside their cells (the glyphs' side bearings, and
// tesseract's boxes that start late): the median over the page, between -pitch/2 and pitch/2.
double measureInset(const std::vector<Placed>& placed, const Geometry& g) {
  std::vector<double> insets;
  for (const Placed& p : placed) {
    double from = p.x - g.left;
    insets.push_back(from - g.pitch * std::round(from / g.pitch));
  }
  if (insets.empty()) return 0;
  std::nth_element(insets.begin(), insets.begin() + static_cast<ptrdiff_t>(insets.size() / 2), insets.end());
  return insets[insets.size() / 2];
}

}  // namespace

std::vector<std::string> rebuildPage(const std::vector<Word>& words, const Geometry& geometry, size_t count) {
  double skew = measureSkew(words, geometry);
  std::vector<Placed> placed;
  for (const Word& w : words) {
    Point p = straighten(w, skew, geometry);
    long row = std::lround((p.y - geometry.top - geometry.line / 2.0) / geometry.line);
    if (row >= 0 && static_cast<size_t>(row) < count) placed.push_back({row, p.x, &w});
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const Placed& a, const Placed& b) { return a.row != b.row ? a.row < b.row : a.x < b.x; });
  double left = geometry.left + measureInset(placed, geometry);
  std::vector<std::string> lines(count);
  for (const Placed& p : placed) {
    std::string& line = lines[static_cast<size_t>(p.row)];
    long col = std::max(0L, std::lround((p.x - left) / geometry.pitch));
    if (!line.empty() && static_cast<size_t>(col) < line.size()) col = static_cast<long>(line.size()) + 1;
    line.resize(static_cast<size_t>(col), ' ');
    line += p.word->text;
  }
  return lines;
}

std::string rebuildListing(const std::vector<std::vector<Word>>& pages, const Geometry& geometry) {
  std::string out;
  for (size_t k = 0; k < pages.size() && k < geometry.pages.size(); ++k) {
    for (const std::string& line : rebuildPage(pages[k], geometry, geometry.pages[k].count)) (out += line) += '\n';
  }
  return out;
}

}  // namespace romlift::bench::pages
