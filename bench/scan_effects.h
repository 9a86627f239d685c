// The marks a scanner adds to a printed page, on a layer of ink (0 none, 1 full), for
// page_render.cc.
#pragma once

#include <cstdint>
#include <vector>

#include "listing_parts.h"

namespace romlift::bench::pages {

struct InkLayer {
  int width = 0;
  int height = 0;
  std::vector<float> ink;  // row by row
  float& at(int x, int y) { return ink[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// 0 to 1, excluded.
inline double unit(parts::Rng& rng) { return static_cast<double>(rng.next() >> 11) * 0x1.0p-53; }
inline double between(parts::Rng& rng, double lo, double hi) { return lo + (hi - lo) * unit(rng); }

// Out-of-focus optics: a separable Gaussian blur of the given sigma in pixels.
void blur(InkLayer& layer, double sigma);
// The sheet laid askew on the glass: the layer turned by degrees about its centre (bilinear).
void tilt(InkLayer& layer, double degrees);
// Dust and toner: count dark discs of 0.8 to 2.5 pixels' radius anywhere on the page.
void speckle(InkLayer& layer, int count, parts::Rng& rng);
// Discs of ink lost (worn ribbon, a character struck lightly) inside the box, at the most radius 3.
void breakStrokes(InkLayer& layer, int x0, int y0, int x1, int y1, int holes, parts::Rng& rng);

}  // namespace romlift::bench::pages
