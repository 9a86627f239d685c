// Where the characters of a printed listing page stand: the page's skew, its line pitch and the
// printed lines, its character pitch and the left edge of column 0, all measured on the ink
// (projection profiles), so that every character has a cell of its own.
#pragma once

#include <cstdint>
#include <vector>

#include "ocr/page_image.h"

namespace romlift::ocr {

// Darker than this is ink: Otsu's threshold of the page's gray levels, kept well below the
// paper's.
uint8_t inkThreshold(const GrayImage& page);

// The angle a, in degrees, of the printed lines: a line through (x, y) runs on to
// (x + cos a, y + sin a) in the image, y growing downwards. From -3 to 3 degrees; 0 on a page
// without ink.
double measureSkew(const GrayImage& page, uint8_t threshold);

// The page turned back by `degrees` about its centre (bilinear), white where nothing was.
GrayImage straighten(const GrayImage& page, double degrees);

// A printed line found on the straightened page.
struct TextRow {
  int index = 0;     // its line on the page, the first line with ink being 0
  double top = 0;    // the top and bottom of the rows where most of its ink is (capitals)
  double bottom = 0;
  double middle() const { return (top + bottom) / 2; }
};

struct PageGeometry {
  double skew = 0;       // degrees, as measureSkew gives it
  double linePitch = 0;  // pixels from one printed line to the next
  double pitch = 0;      // pixels a column
  double left = 0;       // x of column 0's left edge on the straightened page
  std::vector<TextRow> rows;
  // The left and right edges of column c.
  double cellLeft(int c) const { return left + c * pitch; }
  double cellRight(int c) const { return left + (c + 1) * pitch; }
  // The column of x, from 0; negative left of column 0.
  int columnAt(double x) const;
};

// The lines and columns of a straightened page. A page of fewer than four lines takes its line
// pitch from the fallback (a page measured before), else from the height of its capitals.
PageGeometry measureGeometry(const GrayImage& straight, uint8_t threshold, const PageGeometry* fallback);

// The ink of each cell of a line: dark pixels in its column's box over the line's capitals,
// for the columns 0 to columns-1.
std::vector<int> cellInk(const GrayImage& straight, uint8_t threshold, const PageGeometry& g, const TextRow& row,
                         int columns);

}  // namespace romlift::ocr
