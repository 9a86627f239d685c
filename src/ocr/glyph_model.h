// The page's own glyphs: a listing is one typeface at one pitch, so the cells read for sure
// (a digit in a line number, a hex digit in an address, a letter of a known mnemonic) show what
// each character looks like on this page, and a doubtful cell is read by the glyph it is most
// like. Glyphs are compared as normalised gray patches (correlation), over small shifts.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "ocr/page_geometry.h"

namespace romlift::ocr {

// What earlier pages of the same listing taught: the sum of each character's patches.
struct GlyphMemory {
  std::array<std::vector<float>, 128> sums;
  std::array<int, 128> counts{};
};

class GlyphModel {
 public:
  GlyphModel(const GrayImage& straight, const PageGeometry& geometry);

  // A cell read for sure as c.
  void learn(const TextRow& row, int column, char c);
  // Averages what was learnt into one pattern a character, and adds it to the memory. A
  // character seen fewer than `least` times on this page takes its pattern from the memory,
  // when it was seen that often on the pages before; else it has none.
  void finish(int least, GlyphMemory& memory);
  bool knows(char c) const { return !patterns_[static_cast<unsigned char>(c)].empty(); }

  // How much the cell looks like each of the characters, -1 to 1 (a correlation); -2 for
  // a character the model does not know.
  std::vector<float> scores(const TextRow& row, int column, std::string_view characters) const;

 private:
  using Patch = std::vector<float>;
  Patch patch(const TextRow& row, int column, double dx, double dy) const;

  const GrayImage& page_;
  const PageGeometry& geometry_;
  double capital_ = 0;  // the page's usual capital height, which sizes the patches
  std::array<std::vector<Patch>, 128> samples_;
  std::array<Patch, 128> patterns_;
};

}  // namespace romlift::ocr
