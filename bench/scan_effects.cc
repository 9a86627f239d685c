#include "scan_effects.h"

#include <algorithm>
#include <cmath>

namespace romlift::bench::pages {
namespace {

std::vector<float> gaussianKernel(double sigma) {
  int radius = static_cast<int>(std::ceil(3 * sigma));
  std::vector<float> k(static_cast<size_t>(2 * radius + 1));
  double sum = 0;
  for (int i = -radius; i <= radius; ++i)
    sum += k[static_cast<size_t>(i + radius)] = static_cast<float>(std::exp(-i * i / (2 * sigma * sigma)));
  for (float& v : k) v = static_cast<float>(v / sum);
  return k;
}

// One pass of the blur along rows (step 1) or columns (step width), ink beyond the edge 0.
void blurPass(InkLayer& layer, const std::vector<float>& k, bool rows) {
  int radius = static_cast<int>(k.size() / 2);
  int n = rows ? layer.width : layer.height, lines = rows ? layer.height : layer.width;
  std::vector<float> in(static_cast<size_t>(n));
  for (int l = 0; l < lines; ++l) {
    for (int i = 0; i < n; ++i) in[static_cast<size_t>(i)] = rows ? layer.at(i, l) : layer.at(l, i);
    for (int i = 0; i < n; ++i) {
      float v = 0;
      for (int d = std::max(-radius, -i); d <= radius && i + d < n; ++d)
        v += k[static_cast<size_t>(d + radius)] * in[static_cast<size_t>(i + d)];
      (rows ? layer.at(i, l) : layer.at(l, i)) = v;
    }
  }
}

void disc(InkLayer& layer, double cx, double cy, double r, float value, bool add) {
  for (int y = static_cast<int>(cy - r); y <= static_cast<int>(cy + r) + 1; ++y) {
    for (int x = static_cast<int>(cx - r); x <= static_cast<int>(cx + r) + 1; ++x) {
      if (x < 0 || y < 0 || x >= layer.width || y >= layer.height) continue;
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > r * r) continue;
      float& v = layer.at(x, y);
      v = add ? std::max(v, value) : std::min(v, value);
    }
  }
}

}  // namespace

void blur(InkLayer& layer, double sigma) {
  if (sigma <= 0) return;
  std::vector<float> k = gaussianKernel(sigma);
  blurPass(layer, k, true);
  blurPass(layer, k, false);
}

void tilt(InkLayer& layer, double degrees) {
  if (degrees == 0) return;
  double a = degrees * std::acos(-1.0) / 180, c = std::cos(a), s = std::sin(a);
  double cx = layer.width / 2.0, cy = layer.height / 2.0;
  InkLayer out{layer.width, layer.height, std::vector<float>(layer.ink.size(), 0.0f)};
  for (int y = 0; y < layer.height; ++y) {
    for (int x = 0; x < layer.width; ++x) {
      // The point of the straight page that lands here, read between its four pixels.
      double sx = cx + (x - cx) * c - (y - cy) * s, sy = cy + (x - cx) * s + (y - cy) * c;
      int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
      if (x0 < 0 || y0 < 0 || x0 + 1 >= layer.width || y0 + 1 >= layer.height) continue;
      float fx = static_cast<float>(sx - x0), fy = static_cast<float>(sy - y0);
      out.at(x, y) = (layer.at(x0, y0) * (1 - fx) + layer.at(x0 + 1, y0) * fx) * (1 - fy) +
                     (layer.at(x0, y0 + 1) * (1 - fx) + layer.at(x0 + 1, y0 + 1) * fx) * fy;
    }
  }
  layer = std::move(out);
}

void speckle(InkLayer& layer, int count, parts::Rng& rng) {
  for (int i = 0; i < count; ++i) {
    double x = between(rng, 0, layer.width), y = between(rng, 0, layer.height);
    disc(layer, x, y, between(rng, 0.8, 2.5), static_cast<float>(between(rng, 0.5, 1)), true);
  }
}

void breakStrokes(InkLayer& layer, int x0, int y0, int x1, int y1, int holes, parts::Rng& rng) {
  for (int i = 0; i < holes; ++i)
    disc(layer, between(rng, x0, x1), between(rng, y0, y1), between(rng, 1.5, 3), 0.0f, false);
}

}  // namespace romlift::bench::pages
