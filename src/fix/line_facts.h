// What each line of a listing is, read the way romlift's scanner reads it but without the page
// grammar: a line is what its layout makes it wherever it stands, so that every line can be
// checked, also those that a syntax error would hide.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/short_text.h"

namespace romlift::fix {

enum class Kind : uint8_t {
  Empty,          // an empty line
  Blank,          // blanks and tabs only: no token, and nothing to read on paper
  Header,         // a first-page header
  PageHeader,     // a later page's header, which romlift passes over
  Banner,         // one of the three lines of a symbol-table banner
  Table,          // a line of symbol-table entries
  Code,           // a code line
  LabelOnly,      // a numbered line holding only a label
  Org,
  End,
  Comment,        // a numbered comment line
  NumberedEmpty,  // a numbered line holding only blanks
  Equ,            // an EQU line
  Ds,             // a DS line
  Unreadable,     // a line that fits no layout
};

// One symbol-table entry as the scanner splits it: the label and the address text.
struct TableEntry {
  ShortText label;
  ShortText adr;
  uint16_t column = 0;  // where the entry starts on its line
};

struct LineFacts {
  Kind kind = Kind::Unreadable;
  int token = 0;          // Code: its token, CODE to CODELOC
  int number = -1;        // the line number of a numbered line
  int segment = -1;       // the range in force (index in Facts::segments); -1 before any
  uint16_t value = 0;     // Code and Ds: the address; Equ: the constant
  uint8_t bytes = 0;      // Code: how many bytes the object code gives
  uint8_t object[3] = {};
  int32_t dsSize = -1;    // Ds: the bytes reserved, -1 when the size cannot be read
  ShortText label;        // Code, LabelOnly, Equ, Ds: the label as the run records it
  bool headerOk = false;  // Header: a range, then the version mark, and nothing else
  bool newPage = false;   // Header: it gives a range, which starts a new page for the checks
  bool inTable = false;   // the line starts inside a symbol table
  bool mayHoldLine = false;  // Unreadable: it starts as a numbered line, so it may be one misread
  uint32_t firstEntry = 0, endEntry = 0;  // Table: its entries in Facts::entries
};

// A line of text and whether a newline ends it.
struct LineRef {
  std::string_view text;
  bool newline = true;
};

struct Facts {
  std::vector<LineFacts> lines;
  std::vector<TableEntry> entries;
  std::vector<std::string> segments;

  const char* segmentText(const LineFacts& f) const { return f.segment < 0 ? "" : segments[f.segment].c_str(); }
};

// Reads lines the way the scanner does from a line start, inside a symbol table or not; the
// range in force is `segment` (empty for none) until a header gives another.
Facts readFacts(const std::vector<LineRef>& lines, const std::string& segment = {}, bool inTable = false);

// True for a line that gives the page grammar a token.
bool yieldsToken(const LineFacts& f);

// The line number at the start of a line: three digits and a blank or the end; -1 for none.
int lineNumber(std::string_view text);

// The address of a numbered line: four hex digits at the address column, then a blank or the
// end; nothing when they do not stand there.
std::optional<uint16_t> printedAddress(std::string_view text);

}  // namespace romlift::fix
