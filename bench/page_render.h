// Printed listing pages as a scanner sees them: the lines set in a fixed-pitch face with
// FreeType, one character per column cell (see page_layout.h), then the marks of the ribbon,
// the paper and the scanner, at three levels of scan quality.
//
// The same lines, face, level and seed always give the same image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "page_layout.h"

namespace romlift::bench::pages {

enum class Scan : uint8_t { Clean, Average, Poor };
bool parseScan(std::string_view name, Scan& scan);

// What each level does to the page; scanLevel() gives the figures of each.
struct ScanLevel {
  double ink;         // darkness of a character at its darkest, 1 = black
  double inkSpread;   // each character is lighter by up to this share
  double ribbonWave;  // share of darkness lost where the ribbon is worn, varying along the line
  int holes;          // broken strokes: discs of missing ink a character
  double blur;        // Gaussian sigma, pixels; 0 for none
  double tiltMin;     // the page turned by this much to tiltMax degrees, either way
  double tiltMax;
  int specks;          // dark specks a page
  int baselineJitter;  // each character up or down by up to this many pixels
  double paper;        // the paper's brightness, 1 = white
  double noise;        // sigma of the paper's grain
};
const ScanLevel& scanLevel(Scan scan);

// A gray page: 0 is black, 255 white.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // row by row
};

// One character's coverage as FreeType renders it, placed from the pen on the baseline.
struct Glyph {
  int left = 0;  // from the cell's left edge to the bitmap's
  int top = 0;   // from the baseline up to the bitmap's top row
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> coverage;  // 0 to 255, row by row
};

// A fixed-pitch face scaled so that its advance is one column cell.
class Font {
 public:
  Font();
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // False, with the reason, when FreeType cannot open the face or it has no digits.
  bool open(const char* path, int pitch, std::string& error);
  const Glyph& glyph(unsigned char c);
  // Pixels from a line cell's top to the baseline: capitals stand in the middle of the cell.
  int baseline(int line);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The page holding lines[first-1 .. first-1+count) of the listing, at the level, with the seed.
Image renderPage(const std::vector<std::string_view>& lines, const PageLines& page, const Geometry& geometry,
                 Font& font, Scan scan, uint64_t seed);

// The image as a binary PGM (P5, 8-bit gray).
std::string formatPgm(const Image& image);

}  // namespace romlift::bench::pages
