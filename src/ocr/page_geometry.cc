#include "ocr/page_geometry.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>

namespace romlift::ocr {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The value at the share q (0 to 1) of the sorted values; 0 for none.
double quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  size_t k = std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())));
  std::nth_element(v.begin(), v.begin() + static_cast<ptrdiff_t>(k), v.end());
  return v[k];
}

// The typical smallest spacing of the values: the median of those close to their lower
// quartile (the spacing of neighbours, not of neighbours with a gap between).
double smallestSpacing(const std::vector<double>& spacings) {
  double q = quantile(spacings, 0.25);
  std::vector<double> near;
  for (double d : spacings)
    if (d >= 0.85 * q && d <= 1.15 * q) near.push_back(d);
  return quantile(near, 0.5);
}

// Sharpness of the rows' profile when the lines have the slope t: the sum of the squared
// counts of the sample points in each one-pixel row.
double profileSharpness(const std::vector<std::pair<float, float>>& points, double t, int height) {
  std::vector<int> rows(static_cast<size_t>(height) + 1, 0);
  for (auto [x, y] : points) {
    double r = y - t * x;
    if (r >= 0 && r < height) ++rows[static_cast<size_t>(r)];
  }
  double sum = 0;
  for (int n : rows) sum += static_cast<double>(n) * n;
  return sum;
}

// The angle of the sharpest profile among from, from + step, ..., to, refined between its
// neighbours by a parabola.
double sharpestAngle(const std::vector<std::pair<float, float>>& points, int height, double from, double to,
                     double step) {
  std::vector<double> score;
  for (double a = from; a <= to + step / 2; a += step)
    score.push_back(profileSharpness(points, std::tan(a * kPi / 180), height));
  size_t best = static_cast<size_t>(std::max_element(score.begin(), score.end()) - score.begin());
  double angle = from + static_cast<double>(best) * step;
  if (best > 0 && best + 1 < score.size()) {
    double l = score[best - 1], c = score[best], r = score[best + 1], den = l - 2 * c + r;
    if (den < 0) angle += step * 0.5 * (l - r) / den;
  }
  return angle;
}

}  // namespace

namespace {

// Otsu's threshold: the level that splits the histogram into the two most distinct classes.
int otsu(const std::vector<double>& histogram, double total) {
  double sumAll = 0;
  for (int v = 0; v < 256; ++v) sumAll += v * histogram[static_cast<size_t>(v)];
  double below = 0, sumBelow = 0, bestSpread = -1;
  int best = 128;
  for (int t = 0; t < 255; ++t) {
    below += histogram[static_cast<size_t>(t)];
    sumBelow += t * histogram[static_cast<size_t>(t)];
    if (below == 0 || below == total) continue;
    double m0 = sumBelow / below, m1 = (sumAll - sumBelow) / (total - below);
    double spread = below * (total - below) * (m0 - m1) * (m0 - m1);
    if (spread > bestSpread) bestSpread = spread, best = t + 1;
  }
  return best;
}

// The paper's level (the most frequent one) less six times its grain, measured on the levels
// above it, where no ink is: on a page with little ink, Otsu would split the grain.
int belowPaper(const std::vector<double>& histogram) {
  int paper = static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
  double n = 0, squares = 0;
  for (int v = paper + 1; v < 256; ++v) {
    n += histogram[static_cast<size_t>(v)];
    squares += histogram[static_cast<size_t>(v)] * (v - paper) * (v - paper);
  }
  double grain = n > 0 ? std::sqrt(squares / n) : 0;
  return paper - std::max(24, static_cast<int>(std::lround(6 * grain)));
}

}  // namespace

uint8_t inkThreshold(const GrayImage& page) {
  std::vector<double> histogram(256, 0);
  for (uint8_t v : page.pixels) histogram[v] += 1;
  int t = std::min(otsu(histogram, static_cast<double>(page.pixels.size())), belowPaper(histogram));
  return static_cast<uint8_t>(std::clamp(t, 1, 255));
}

double measureSkew(const GrayImage& page, uint8_t threshold) {
  // Every third pixel column is enough to see the lines; every row is needed, or the
  // straight profile alone would have its counts in every other row.
  std::vector<std::pair<float, float>> points;
  float cx = static_cast<float>(page.width) / 2;
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; x += 3)
      if (page.at(x, y) < threshold) points.emplace_back(static_cast<float>(x) - cx, static_cast<float>(y));
  if (points.size() < 16) return 0;
  double coarse = sharpestAngle(points, page.height, -3, 3, 0.1);
  return sharpestAngle(points, page.height, coarse - 0.1, coarse + 0.1, 0.01);
}

GrayImage straighten(const GrayImage& page, double degrees) {
  if (degrees == 0) return page;
  GrayImage out(page.width, page.height, 255);
  double a = degrees * kPi / 180, c = std::cos(a), s = std::sin(a);
  double cx = page.width / 2.0, cy = page.height / 2.0;
  for (int v = 0; v < page.height; ++v) {
    for (int u = 0; u < page.width; ++u) {
      double x = cx + (u - cx) * c - (v - cy) * s, y = cy + (u - cx) * s + (v - cy) * c;
      int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
      if (x0 < 0 || y0 < 0 || x0 + 1 >= page.width || y0 + 1 >= page.height) continue;
      double fx = x - x0, fy = y - y0;
      double top = page.at(x0, y0) * (1 - fx) + page.at(x0 + 1, y0) * fx;
      double bottom = page.at(x0, y0 + 1) * (1 - fx) + page.at(x0 + 1, y0 + 1) * fx;
      out.at(u, v) = static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
    }
  }
  return out;
}

int PageGeometry::columnAt(double x) const { return static_cast<int>(std::floor((x - left) / pitch)); }

namespace {

// A run of rows with ink, and the rows where most of it is.
struct Band {
  int from = 0, to = 0;  // rows [from, to)
  double coreTop = 0, coreBottom = 0;
  double ink = 0;
};

std::vector<int> rowInk(const GrayImage& page, uint8_t threshold) {
  std::vector<int> rows(static_cast<size_t>(page.height), 0);
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) rows[static_cast<size_t>(y)] += page.at(x, y) < threshold;
  return rows;
}

// The band of rows [from, to); its capitals are the rows with a quarter of its peak's ink.
Band bandOf(const std::vector<int>& rows, size_t from, size_t to) {
  auto first = rows.begin() + static_cast<ptrdiff_t>(from), last = rows.begin() + static_cast<ptrdiff_t>(to);
  int peak = *std::max_element(first, last);
  size_t top = from, bottom = to - 1;
  while (rows[top] * 4 < peak) ++top;
  while (rows[bottom] * 4 < peak) --bottom;
  return {static_cast<int>(from), static_cast<int>(to), static_cast<double>(top), static_cast<double>(bottom + 1),
          std::accumulate(first, last, 0.0)};
}

// The usual distance between the middles of neighbouring bands: a line pitch, when a few
// lines at least stand apart; 0 otherwise.
double bandSpacing(const std::vector<Band>& bands) {
  std::vector<double> spacings;
  for (size_t i = 1; i < bands.size(); ++i)
    spacings.push_back((bands[i].coreTop + bands[i].coreBottom - bands[i - 1].coreTop - bands[i - 1].coreBottom) / 2);
  return spacings.size() < 3 ? 0 : smallestSpacing(spacings);
}

// Two lines that touch (descenders, specks between) make one band as tall as both: while a band
// is more than 1.5 line pitches tall, its first line is cut off at the row of least ink one
// pitch down. The pitch comes from the lines that stand apart, which most do.
std::vector<Band> splitTall(const std::vector<int>& rows, const std::vector<Band>& bands, double pitch) {
  std::vector<Band> out;
  for (Band b : bands) {
    while (pitch > 0 && b.to - b.from > 1.5 * pitch) {
      size_t from = static_cast<size_t>(b.from + 0.6 * pitch), to = static_cast<size_t>(b.from + 1.4 * pitch);
      size_t cut = from;
      for (size_t y = from; y < to; ++y)
        if (rows[y] < rows[cut]) cut = y;
      out.push_back(bandOf(rows, static_cast<size_t>(b.from), cut));
      b = bandOf(rows, cut, static_cast<size_t>(b.to));
    }
    out.push_back(b);
  }
  return out;
}

// The bands of rows holding ink, less the specks: much lower than the inkiest bands' and with
// little ink.
std::vector<Band> findBands(const std::vector<int>& rows) {
  std::vector<Band> bands;
  for (size_t y = 0; y < rows.size();) {
    size_t end = y;
    while (end < rows.size() && rows[end] >= 2) ++end;
    if (end > y) bands.push_back(bandOf(rows, y, end));
    y = end + 1;
  }
  double most = 0;
  for (const Band& b : bands) most = std::max(most, b.ink);
  std::vector<double> heights;
  for (const Band& b : bands)
    if (b.ink * 4 >= most) heights.push_back(b.coreBottom - b.coreTop);
  double typical = quantile(heights, 0.5);
  // A line of stars or dashes is lower than capitals, but has far more ink than a speck.
  std::vector<Band> kept;
  for (const Band& b : bands) {
    double height = b.coreBottom - b.coreTop;
    if (height >= 0.5 * typical || (height >= 0.15 * typical && b.ink * 10 >= most)) kept.push_back(b);
  }
  return splitTall(rows, kept, bandSpacing(kept));
}

// Line pitch and each band's line on the page, from the spacing of the bands' middles.
void placeRows(const std::vector<Band>& bands, PageGeometry& g, double fallbackPitch) {
  std::vector<double> middles, spacings;
  for (const Band& b : bands) middles.push_back((b.coreTop + b.coreBottom) / 2);
  for (size_t i = 1; i < middles.size(); ++i) spacings.push_back(middles[i] - middles[i - 1]);
  // Three spacings at least, or two lines with one blank between would make a double pitch.
  double pitch = spacings.size() < 3 ? fallbackPitch : smallestSpacing(spacings);
  std::vector<int> index(bands.size(), 0);
  for (size_t i = 1; i < bands.size(); ++i)
    index[i] = index[i - 1] + std::max(1, static_cast<int>(std::lround(spacings[i - 1] / pitch)));
  // The least-squares pitch over the whole page, as a line's middle = a + pitch * index.
  if (spacings.size() >= 3) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < bands.size(); ++i) {
      double x = index[i], y = middles[i];
      n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    pitch = (n * sxy - sx * sy) / (n * sxx - sx * sx);
  }
  g.linePitch = pitch;
  for (size_t i = 0; i < bands.size(); ++i) g.rows.push_back({index[i], bands[i].coreTop, bands[i].coreBottom});
}

// The ink of each pixel column over the capitals of the rows.
std::vector<double> columnProfile(const GrayImage& page, uint8_t threshold, const std::vector<TextRow>& rows) {
  std::vector<double> columns(static_cast<size_t>(page.width), 0);
  for (const TextRow& r : rows)
    for (int y = static_cast<int>(r.top); y < static_cast<int>(r.bottom); ++y)
      for (int x = 0; x < page.width; ++x) columns[static_cast<size_t>(x)] += page.at(x, y) < threshold;
  return columns;
}

// A run of inked pixel columns in one line: mostly one character.
struct Run {
  double middle, width;
};

std::vector<std::vector<Run>> characterRuns(const GrayImage& page, uint8_t threshold, const PageGeometry& g) {
  std::vector<std::vector<Run>> lines;
  for (const TextRow& r : g.rows) {
    std::vector<double> ink = columnProfile(page, threshold, {r});
    lines.emplace_back();
    for (size_t x = 0; x < ink.size();) {
      size_t end = x;
      while (end < ink.size() && ink[end] > 0) ++end;
      if (end > x) lines.back().push_back({(static_cast<double>(x) + static_cast<double>(end - 1)) / 2, static_cast<double>(end - x)});
      x = end + 1;
    }
  }
  return lines;
}

// The usual distance between neighbouring characters' middles.
double characterSpacing(const std::vector<std::vector<Run>>& lines, double linePitch) {
  std::vector<double> spacings;
  for (const std::vector<Run>& runs : lines) {
    for (size_t i = 1; i < runs.size(); ++i) {
      double d = runs[i].middle - runs[i - 1].middle;
      if (d > 0.3 * linePitch && d < 1.2 * linePitch) spacings.push_back(d);
    }
  }
  return smallestSpacing(spacings);
}

// The profile's component of the period: its strength and phase.
std::complex<double> component(const std::vector<double>& profile, double period) {
  std::complex<double> sum = 0, turn = std::polar(1.0, -2 * kPi / period), at = 1;
  for (double v : profile) {
    sum += v * at;
    at *= turn;
  }
  return sum;
}

// Pitch and the middle of a column, refined by least squares over the middles of the runs as
// wide as one character (narrow ones and joined ones left out), each at the column that the
// rough figures give it. Characters are set in the middle of their cells.
void fitColumns(const std::vector<std::vector<Run>>& lines, double& pitch, double& middle) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const std::vector<Run>& runs : lines) {
    for (const Run& r : runs) {
      if (r.width < 0.3 * pitch || r.width >= pitch) continue;
      double c = std::round((r.middle - middle) / pitch);
      n += 1, sx += c, sy += r.middle, sxx += c * c, sxy += c * r.middle;
    }
  }
  if (n < 2 || n * sxx - sx * sx <= 0) return;
  pitch = (n * sxy - sx * sy) / (n * sxx - sx * sx);
  middle = (sy - pitch * sx) / n;
}

// Column 0's left edge, from the middle of any column: the first cell that holds a
// character's ink in a quarter of the lines (line numbers, symbol-table labels and page
// headers start there); specks are not so many in one column.
double findLeft(const GrayImage& page, uint8_t threshold, const PageGeometry& g, double middle) {
  double first = middle - g.pitch * std::floor(middle / g.pitch) - g.pitch / 2;  // a cell's left edge >= -pitch/2
  PageGeometry probe = g;
  probe.left = first;
  int cells = static_cast<int>((page.width - first) / g.pitch);
  std::vector<int> lines(static_cast<size_t>(std::max(cells, 0)), 0);
  for (const TextRow& r : g.rows) {
    std::vector<int> ink = cellInk(page, threshold, probe, r, cells);
    for (int c = 0; c < cells; ++c) lines[static_cast<size_t>(c)] += ink[static_cast<size_t>(c)] * 20 > g.pitch * g.pitch;
  }
  int needed = std::max(1, static_cast<int>(g.rows.size() / 4));
  for (int c = 0; c < cells; ++c)
    if (lines[static_cast<size_t>(c)] >= needed) return first + c * g.pitch;
  return first;
}

}  // namespace

PageGeometry measureGeometry(const GrayImage& straight, uint8_t threshold, const PageGeometry* fallback) {
  PageGeometry g;
  std::vector<Band> bands = findBands(rowInk(straight, threshold));
  // Without a page measured before, capitals are about 0.55 of the line pitch.
  double fallbackLine = fallback != nullptr ? fallback->linePitch
                        : bands.empty()     ? 50
                                            : (bands[0].coreBottom - bands[0].coreTop) / 0.55;
  placeRows(bands, g, fallbackLine);
  std::vector<std::vector<Run>> runs = characterRuns(straight, threshold, g);
  g.pitch = characterSpacing(runs, g.linePitch);
  if (g.pitch <= 0) g.pitch = fallback != nullptr ? fallback->pitch : 0.6 * g.linePitch;
  // The phase of the ink's repeat gives a column's middle; the runs refine both figures.
  double middle = -std::arg(component(columnProfile(straight, threshold, g.rows), g.pitch)) * g.pitch / (2 * kPi);
  for (int pass = 0; pass < 2; ++pass) fitColumns(runs, g.pitch, middle);
  g.left = findLeft(straight, threshold, g, middle);
  return g;
}

std::vector<int> cellInk(const GrayImage& straight, uint8_t threshold, const PageGeometry& g, const TextRow& row,
                         int columns) {
  std::vector<int> ink(static_cast<size_t>(std::max(columns, 0)), 0);
  double margin = 0.15 * (row.bottom - row.top);
  int y0 = std::max(0, static_cast<int>(row.top - margin));
  int y1 = std::min(straight.height, static_cast<int>(row.bottom + margin) + 1);
  for (int c = 0; c < columns; ++c) {
    int x0 = std::max(0, static_cast<int>(std::lround(g.cellLeft(c))));
    int x1 = std::min(straight.width, static_cast<int>(std::lround(g.cellRight(c))));
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += straight.at(x, y) < threshold;
    ink[static_cast<size_t>(c)] = n;
  }
  return ink;
}

}  // namespace romlift::ocr
