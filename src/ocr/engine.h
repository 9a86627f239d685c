// The OCR engine (tesseract's LSTM recogniser) as romlift-ocr uses it: a box of the page read as
// one line of text, with the characters it may hold, and for each character read its box and
// the engine's choices.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ocr/page_image.h"

namespace tesseract {
class TessBaseAPI;
}

namespace romlift::ocr {

struct Choice {
  char c = ' ';
  float confidence = 0;  // 0 to 1
};

// A character the engine read: its box's left and right edges and its choices, the engine's
// own first. Choices that are no printable ASCII character are left out, so a symbol may have
// none.
struct Symbol {
  int left = 0;
  int right = 0;
  std::vector<Choice> choices;
  double middle() const { return (left + right) / 2.0; }
};

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom excluded
};

class Engine {
 public:
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Loads the English model. False, with the reason in French, when it cannot.
  bool open(std::string& why);
  // The page that reads look at; it must outlive them. dpi helps the engine size the text.
  void setPage(const GrayImage& page, int dpi);
  // The characters read in the box as a single line, restricted to `allowed`.
  std::vector<Symbol> read(const Box& box, const std::string& allowed);

 private:
  std::unique_ptr<tesseract::TessBaseAPI> api_;
  std::string allowed_;  // the restriction set last
};

}  // namespace romlift::ocr
