// A model of the damage OCR does to a printed listing, which keeps the truth: for every
// damaged place, where it stands in the damaged text, what the lines were and what was done.
//
// The same seed always gives the same damage. Damage falls on an exact share of the lines:
// characters read as look-alikes, a blank lost or added, a tab for blanks, a stray mark, a
// line split in two, two lines run together, a line cut short, a line lost; a byte no printer
// printed, two or three slips on one line, a line printed twice, a line of specks or an empty
// line put in before a line, a banner line read as other marks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace romlift::bench::ocr {

enum class Kind : uint8_t {
  LookAlike,  // a character read as another that looks like it, or lower case for upper case
  Blank,      // a blank lost or added before a field: the field one column off
  Tab,        // a run of blanks read as a tab
  Stray,      // a mark added, in a blank or between characters
  Split,      // the line in two lines
  Join,       // the line and the next one on one line
  Cut,        // the end of the line lost
  Lost,       // the whole line lost
  Mark,       // a byte no printer printed: a non-ASCII mark (UTF-8) or a control character
  Multi,      // two or three look-alikes, stray marks or blanks on one line
  Duplicate,  // the line read twice
  Inserted,   // a line of specks before the line
  BlankLine,  // an empty line before the line
  Banner,     // a banner line's stars read as letters, or its title with its blanks lost
};
inline constexpr size_t kKinds = 14;

// The kind's name in the truth file and the scores: "lookalike", "blank", ...
const char* kindName(Kind kind);
bool parseKind(std::string_view name, Kind& kind);

// One damaged place: lines first to first + count - 1 of the damaged text (counted from 1)
// stand where the original lines stood. A lost line has count 0: it stood before line first;
// a line put in has no original line.
struct Record {
  Kind kind = Kind::LookAlike;
  size_t first = 0;
  size_t count = 0;
  std::vector<std::string> originals;
};

struct Options {
  double percent = 2;  // share of the listing's lines to damage
  uint64_t seed = 1;
};

struct Damaged {
  std::string text;
  std::vector<Record> truth;  // in the order of the text
};

// Damages round(lines * percent / 100) of the listing's newline-terminated lines; a last line
// without a newline is left as it is.
Damaged damage(std::string_view listing, const Options& options);

// The truth as text: per record a line `KIND FIRST COUNT`, then each original line after a
// `|`. Lines that start with `#` are comments.
std::string formatTruth(const std::vector<Record>& truth);
// False, with the reason and the line, when the text is not a truth file.
bool parseTruth(std::string_view text, std::vector<Record>& truth, std::string& error);

// The original listing: the damaged text with every record's lines put back. False when the
// records do not fit the text.
bool restore(std::string_view damaged, const std::vector<Record>& truth, std::string& original);

// The newline-terminated lines of text, without their newlines; tail gets what follows the
// last newline.
std::vector<std::string_view> splitLines(std::string_view text, std::string_view& tail);

}  // namespace romlift::bench::ocr
