#include "ocr/glyph_model.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace romlift::ocr {
namespace {

constexpr int kGrid = 16;  // a patch is kGrid x kGrid samples
constexpr double kShift = 2;  // pixels a cell is looked at off its place, each way

// Mean 0, length 1: faded and dark strikes of one glyph compare alike.
void normalise(std::vector<float>& v) {
  double mean = 0, squares = 0;
  for (float x : v) mean += x;
  mean /= static_cast<double>(v.size());
  for (float& x : v) x = static_cast<float>(x - mean), squares += static_cast<double>(x) * x;
  float scale = squares > 0 ? static_cast<float>(1 / std::sqrt(squares)) : 0;
  for (float& x : v) x *= scale;
}

float dot(const std::vector<float>& a, const std::vector<float>& b) {
  float sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += a[i] * b[i];
  return sum;
}

}  // namespace

GlyphModel::GlyphModel(const GrayImage& straight, const PageGeometry& geometry) : page_(straight), geometry_(geometry) {
  std::vector<double> heights;
  for (const TextRow& r : geometry.rows) heights.push_back(r.bottom - r.top);
  if (!heights.empty()) {
    std::nth_element(heights.begin(), heights.begin() + static_cast<ptrdiff_t>(heights.size() / 2), heights.end());
    capital_ = heights[heights.size() / 2];
  }
}

// The cell's ink on a kGrid square: a box a little wider than the cell and taller than a
// capital, around the line's middle, each sample the mean of its pixels.
GlyphModel::Patch GlyphModel::patch(const TextRow& row, int column, double dx, double dy) const {
  double width = 1.3 * geometry_.pitch, height = 1.5 * capital_;
  double x0 = geometry_.cellLeft(column) - 0.15 * geometry_.pitch + dx, y0 = row.middle() - height / 2 + dy;
  Patch p(kGrid * kGrid, 0);
  for (int gy = 0; gy < kGrid; ++gy) {
    int ya = static_cast<int>(y0 + gy * height / kGrid), yb = static_cast<int>(y0 + (gy + 1) * height / kGrid);
    for (int gx = 0; gx < kGrid; ++gx) {
      int xa = static_cast<int>(x0 + gx * width / kGrid), xb = static_cast<int>(x0 + (gx + 1) * width / kGrid);
      double sum = 0;
      int n = 0;
      for (int y = std::max(ya, 0); y < std::max(yb, ya + 1) && y < page_.height; ++y)
        for (int x = std::max(xa, 0); x < std::max(xb, xa + 1) && x < page_.width; ++x) sum += 255 - page_.at(x, y), ++n;
      p[static_cast<size_t>(gy * kGrid + gx)] = n > 0 ? static_cast<float>(sum / n) : 0;
    }
  }
  normalise(p);
  return p;
}

void GlyphModel::learn(const TextRow& row, int column, char c) {
  if (c <= ' ' || c > '~' || capital_ <= 0) return;
  samples_[static_cast<unsigned char>(c)].push_back(patch(row, column, 0, 0));
}

void GlyphModel::finish(int least, GlyphMemory& memory) {
  for (size_t c = 0; c < samples_.size(); ++c) {
    Patch mean(kGrid * kGrid, 0);
    for (const Patch& s : samples_[c])
      for (size_t i = 0; i < mean.size(); ++i) mean[i] += s[i];
    std::vector<float>& sum = memory.sums[c];
    sum.resize(mean.size(), 0);
    for (size_t i = 0; i < mean.size(); ++i) sum[i] += mean[i];
    memory.counts[c] += static_cast<int>(samples_[c].size());
    if (static_cast<int>(samples_[c].size()) < least) {
      if (memory.counts[c] < least) continue;
      mean = sum;
    }
    normalise(mean);
    patterns_[c] = std::move(mean);
  }
}

std::vector<float> GlyphModel::scores(const TextRow& row, int column, std::string_view characters) const {
  std::vector<Patch> views;
  for (double dy = -kShift; dy <= kShift; dy += kShift)
    for (double dx = -kShift; dx <= kShift; dx += kShift) views.push_back(patch(row, column, dx, dy));
  std::vector<float> out;
  for (char c : characters) {
    const Patch& pattern = patterns_[static_cast<unsigned char>(c)];
    float best = pattern.empty() ? -2 : -1;
    for (size_t v = 0; v < views.size() && !pattern.empty(); ++v) best = std::max(best, dot(views[v], pattern));
    out.push_back(best);
  }
  return out;
}

}  // namespace romlift::ocr
