// The listing's text rebuilt from the words that tesseract read on the printed pages (its TSV
// output), each word put back at its line and column by the page geometry (page_layout.h).
//
// The page may have been scanned askew: the skew is measured from tesseract's own text lines
// and taken out, about the image's centre, before the words are placed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "page_layout.h"

namespace romlift::bench::pages {

// A word tesseract read: its box in pixels, its text line (block, paragraph, line) and text.
struct Word {
  int left = 0, top = 0, width = 0, height = 0;
  long line = 0;  // the same number for the words of one of tesseract's text lines
  std::string text;
};

// The words of a TSV (the level-5 rows with text). False, with the reason, when the text
// is not tesseract's TSV.
bool parseTsv(std::string_view tsv, std::vector<Word>& words, std::string& error);

// The page's skew in degrees as render_pages turns a page (positive: counter-clockwise), from
// the slope of tesseract's lines of two words or more that span ten columns; 0 without any.
double measureSkew(const std::vector<Word>& words, const Geometry& geometry);

// The count lines of the page. Each word goes to column round((x - left - inset) / pitch) of
// line round((y - top) / line), x the middle of its left edge and y its middle less half a
// line, both with the skew taken out, and inset the median of how far the page's words start
// inside their cells (the glyphs' side bearings, tesseract's boxes that start late); a word that would overlap the one
// before it on its line goes one blank after it, and one that touches it joins it (tesseract splits "BEEP9" and
// "8BH,4DH" at times). Words that fall on no line of the page are dropped.
std::vector<std::string> rebuildPage(const std::vector<Word>& words, const Geometry& geometry, size_t count);

// The pages one after the other, each line ended by a newline: pages[k] goes with the
// geometry's page k.
std::string rebuildListing(const std::vector<std::vector<Word>>& pages, const Geometry& geometry);

}  // namespace romlift::bench::pages
