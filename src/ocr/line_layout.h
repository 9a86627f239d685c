// The kinds of printed lines of a listing told apart by which cells hold ink, and for each
// kind the boxes of columns the engine reads (with the characters each may hold) and the
// alphabet of each field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ocr/cells.h"

namespace romlift::ocr {

enum class LineKind : uint8_t {
  Empty,        // no ink
  PageHeader,   // "PAGE NN    KEZ FIRMWARE RANGE  V1.1"
  BannerStars,  // the symbol table's row of 27 stars
  BannerTitle,  // "* S Y M B O L   T A B L E *"
  SymbolRow,    // symbol-table entries of 11 columns, after a banner
  Numbered,     // three digits, a blank, then the numbered line's fields
  Other,        // none of these: read as it stands
};

// The kind by the inked cells; inTable says that a symbol-table banner came before in the
// section.
LineKind kindOf(const Cells& cells, bool inTable);

// How the fields are read: the whole line in two boxes (the hex columns, then the rest) and
// each cell's character chosen among the engine's choices by its field's alphabet (Rank), or
// each field's box read on its own, restricted to the field's characters (Cut).
enum class Method : uint8_t { Rank, Cut };

// Columns [from, to) read as one line, with the characters they may hold.
struct Region {
  int from = 0, to = 0;
  std::string allowed;
};

namespace allowed {
extern const std::string kDigits;  // 0-9
extern const std::string kHex;     // 0-9 A-F
// What the engine may read in a digit field: the digits and the letter O, which the field's
// alphabet then turns into a 0. Restricted to digits alone, the engine reads an O-shaped glyph
// as whatever digit is nearest (a C as often as a 0); allowed I and l as well, it reads them
// for many a worn digit.
extern const std::string kDigitsRead;
extern const std::string kHexRead;
extern const std::string kName;    // a label's: A-Z 0-9 ? @ _ $
extern const std::string kLetters; // A-Z
extern const std::string kText;    // the printable characters but lower-case letters
}  // namespace allowed

// The regions to read for a line of the kind; Cut regions follow the runs of inked cells.
std::vector<Region> regionsOf(LineKind kind, Method method, const Cells& cells);

// The field alphabets on a numbered line's cells, as the engine read them: digits, hex
// digits, the label's, the mnemonic among the names (none when names is empty), the rest as read.
void settleNumbered(Cells& cells, const std::vector<std::string_view>& names);
// The same for the fields from the label on alone.
void settleWords(Cells& cells, const std::vector<std::string_view>& names);
// A page header as its fixed text with the page number and the address range read.
std::string headerText(Cells& cells);
// Symbol-table entries: labels and four hex digits.
void settleSymbolRow(Cells& cells);

// The cells of a read line whose field holds digits or hex digits, with the characters the
// field holds: the line number, address and object code of a numbered line, the page number
// and the address range of a page header, the addresses of symbol-table entries.
struct DigitCell {
  int column;
  std::string_view among;
};
std::vector<DigitCell> digitCells(LineKind kind, const Cells& cells);

// The columns [from, to) of a numbered line's mnemonic; from == to when it has none.
std::pair<int, int> mnemonicRun(LineKind kind, const Cells& cells);

// The banner lines and the fixed parts of a page header.
std::string_view bannerStars();
std::string_view bannerTitle();

}  // namespace romlift::ocr
