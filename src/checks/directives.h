// EQU and DS lines: the checks' own reading of lines that give no token and no byte.
//
// `005 0008            BS      EQU   08H` gives a constant its value, printed in the address
// column; `053 C045            BUF     DS    16` reserves space at an address. Neither fits a
// layout of the standard run, which skips them; the checks read them from the skipped lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bytes/padded_text.h"
#include "bytes/short_text.h"
#include "grammar/line_observer.h"
#include "scanner/skipped_line.h"

namespace romlift {

struct Directive {
  enum class Kind : uint8_t { Equ, Ds };
  Kind kind = Kind::Equ;
  int lineno = 0;
  uint16_t value = 0;             // EQU: the constant's value; DS: the address of the space
  ShortText label;                // empty for a DS without label
  std::optional<uint16_t> size;   // DS: the bytes reserved, when the operand's value is known
  const char* name() const { return kind == Kind::Equ ? "EQU" : "DS"; }
};

// Reads the EQU and DS lines of one page after another. A DS size may name a constant that an
// EQU line of the same page defined before it.
class DirectiveReader {
 public:
  // Forgets the constants of the previous page.
  void newPage() { constants_.clear(); }
  // The directive on the line, or nothing when the line is not an EQU or DS line laid out at
  // the listing's columns: number, value or address at 4, label at 20 (none for a DS),
  // EQU or DS at 28, operand at 34, anything after a blank that follows it.
  std::optional<Directive> read(int lineno, PaddedText line);

 private:
  std::unordered_map<std::string, uint16_t> constants_;
};

// Every page header and every EQU and DS line of a run, in listing order, but those among the
// lines the grammar rejects.
class DirectiveLog : public LineObserver, public SkippedLineListener {
 public:
  struct Page {
    std::string seg;
    int lineno;
  };
  struct Entry {
    Directive directive;
    size_t page;  // index in pages(); directives before the first header are not kept
  };

  void page(int lineno, const char* seg) override;
  void skippedLine(int lineno, PaddedText line) override;
  void rejected(int) override { rejecting_ = true; }

  const std::vector<Page>& pages() const { return pages_; }
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  DirectiveReader reader_;
  std::vector<Page> pages_;
  std::vector<Entry> entries_;
  bool rejecting_ = false;
};

}  // namespace romlift
