// A scanned page as 8-bit gray, and the reading of page images (PNG, TIFF, PNM and the other
// formats leptonica knows) into it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace romlift::ocr {

// 0 is black, 255 white; row by row.
struct GrayImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  GrayImage() = default;
  GrayImage(int w, int h, uint8_t fill) : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
  uint8_t at(int x, int y) const { return pixels[index(x, y)]; }
  uint8_t& at(int x, int y) { return pixels[index(x, y)]; }
  size_t index(int x, int y) const { return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x); }
};

// A page of an image file, or why it could not be read (in French).
struct PageImage {
  GrayImage image;
  std::string failure;  // empty when the page was read
};

// The pages of an image file: one, or each page of a multi-page TIFF, in gray whatever the
// file's colours; a damaged page is kept with its failure. False, with the reason in French,
// when the file cannot be opened or is no image.
bool readPageImages(const char* path, std::vector<PageImage>& pages, std::string& why);

}  // namespace romlift::ocr
