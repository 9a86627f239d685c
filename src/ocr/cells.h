// The character cells of a printed line, and what the engine read in each: its symbols put in
// the cells by the page's fixed pitch, then each cell's character chosen among the engine's
// choices by what its field can hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ocr/engine.h"
#include "ocr/page_geometry.h"
#include "reading/glyphs.h"

namespace romlift::ocr {

struct Cell {
  bool inked = false;           // holds a character's ink
  bool faint = false;           // holds some ink, too little for a character: a speck or a faint stroke
  char c = ' ';                 // the character written
  float confidence = 1;         // the engine's confidence in c
  std::vector<Choice> choices;  // the engine's, its first first; empty when it read nothing here
  bool unsure() const { return confidence < 0.9f || (!choices.empty() && choices[0].c != c) || (inked && c == ' '); }
};

using Cells = std::vector<Cell>;

// The line's cells from column 0 to the last one with ink, with their ink only.
Cells inkedCells(const GrayImage& straight, uint8_t threshold, const PageGeometry& g, const TextRow& row);

// Puts the symbols read over columns [from, to) in their cells. Each run of inked cells takes
// the symbols whose middle falls in it or within half a cell of it: in order when there are as
// many as cells, else each at its column, the more confident of two in one cell kept. A symbol
// on a blank cell is dropped, and one on a faint cell kept only when the engine is sure of it.
void placeSymbols(const std::vector<Symbol>& symbols, const PageGeometry& g, int from, int to, Cells& cells);

// The cell's character as the alphabet allows: of the engine's choices and their look-alikes
// that it holds, the likeliest, a look-alike counting less than a choice; the cell is left as
// read when the alphabet holds none of them.
void keepTo(Cell& cell, reading::Alphabet a);

// The cells [from, to) as one of the names, when the engine's choices support one: the name of
// that length whose letters are each a choice or a look-alike of the first choice, at the least
// cost. Cells that already spell a name are left as they are.
void chooseName(Cells& cells, int from, int to, const std::vector<std::string_view>& names);

// The cells from `from` on as the spelling the engine's choices support best, among spellings
// as long as [from, to) when whole, no longer when not: each letter a choice or a look-alike
// of the first choice, at the least cost. False, the cells left, when none fits or two fit as
// well.
bool chooseSpelling(Cells& cells, int from, int to, const std::vector<std::string_view>& spellings, bool whole);

// The runs of inked cells in [from, to): their first column and the column after them.
std::vector<std::pair<int, int>> inkedRuns(const Cells& cells, int from, int to);

// The cells' characters, trailing blanks left out.
std::string textOf(const Cells& cells);

}  // namespace romlift::ocr
