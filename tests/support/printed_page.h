// Listing lines printed as a scanned page at test time, with the benchmark's renderer
// (FreeType, FreeMono, 300 dpi, 10 characters and 6 lines an inch, half an inch of margin).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ocr/page_image.h"
#include "page_layout.h"
#include "page_render.h"

namespace romlift::test {

inline constexpr const char* kFreeMono = "/usr/share/fonts/truetype/freefont/FreeMono.ttf";

struct PrintedPage {
  bench::pages::Geometry geometry;  // where the renderer put each character
  ocr::GrayImage image;
  std::string pgm;  // the same image as a PGM file's bytes
};

// The lines on one page at the scan level, with the seed, `line` pixels from one line to the
// next (50 is 6 lines an inch). Empty image when the face is missing.
PrintedPage printPage(const std::vector<std::string>& lines, bench::pages::Scan scan, uint64_t seed, int line = 50);

}  // namespace romlift::test
