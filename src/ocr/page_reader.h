// One page image read into the lines of the listing: the page measured (skew, pitches, margin),
// each printed line's cells read by the engine in the boxes its kind asks for, and each field
// settled by its alphabet.
#pragma once

#include <optional>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "alternatives/alternatives.h"
#include "ocr/engine.h"
#include "ocr/glyph_model.h"
#include "ocr/line_layout.h"
#include "ocr/page_geometry.h"

namespace romlift::ocr {

// What a page gave: one text per line from its first printed line to its last, blank lines
// kept; and the characters the engine was unsure of, their line counted from 0 on the page.
struct PageText {
  std::vector<std::string> lines;
  std::vector<alternatives::Record> unsure;
};

struct ReaderOptions {
  Method method = Method::Cut;
  std::vector<std::string_view> mnemonics;  // the names a mnemonic may be; empty for any letters
  bool glyphs = true;                       // digits read again by the page's own glyphs
};

// Reads pages one after the other: a symbol table goes on across pages until the next section's
// first page header, and a page of few lines takes its line pitch from the page before.
class PageReader {
 public:
  PageReader(Engine& engine, ReaderOptions options) : engine_(engine), options_(std::move(options)) {}
  PageText read(const GrayImage& page);

 private:
  struct ReadLine {
    const TextRow* row;
    LineKind kind;
    Cells cells;
    std::string text;
  };
  std::string readLine(const TextRow& row, Cells& cells, LineKind& kind);
  static PageText pageText(const std::vector<ReadLine>& lines);
  void checkGlyphs(const GrayImage& straight, std::vector<ReadLine>& lines);
  bool fillMissing(const GlyphModel& model, ReadLine& line) const;
  void readRegion(const TextRow& row, const Region& region, Cells& cells);
  void readMissing(const TextRow& row, LineKind kind, Cells& cells);

  Engine& engine_;
  ReaderOptions options_;
  PageGeometry geometry_;
  uint8_t threshold_ = 128;
  int width_ = 0, height_ = 0;  // the page's, in pixels
  bool inTable_ = false;
  std::optional<PageGeometry> last_;
  GlyphMemory memory_;
};

// The names of the instruction set's instructions and of the assembler's directives, for
// ReaderOptions::mnemonics; "none" gives none. Empty with false for an unknown set's name.
bool mnemonicsOf(std::string_view set, std::vector<std::string_view>& names);

}  // namespace romlift::ocr
