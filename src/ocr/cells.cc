#include "ocr/cells.h"

#include <algorithm>
#include <limits>

namespace romlift::ocr {
namespace {

void take(Cell& cell, const Symbol& s) {
  cell.choices = s.choices;
  cell.c = s.choices[0].c;
  cell.confidence = s.choices[0].confidence;
}

// The symbol goes to its cell unless a more confident one is there already.
void takeIfSurer(Cell& cell, const Symbol& s) {
  if (cell.choices.empty() || cell.choices[0].confidence < s.choices[0].confidence) take(cell, s);
}

}  // namespace

Cells inkedCells(const GrayImage& straight, uint8_t threshold, const PageGeometry& g, const TextRow& row) {
  int columns = std::max(0, static_cast<int>((straight.width - g.left) / g.pitch));
  std::vector<int> ink = cellInk(straight, threshold, g, row, columns);
  double area = g.pitch * g.pitch;
  Cells cells(static_cast<size_t>(columns));
  size_t used = 0;
  for (size_t c = 0; c < cells.size(); ++c) {
    // A full stop holds about a twentieth of the cell's ink; a speck seldom a fortieth.
    cells[c].inked = ink[c] * 40 > area;
    cells[c].faint = !cells[c].inked && ink[c] * 150 > area;
    if (cells[c].inked) used = c + 1;
  }
  cells.resize(used);
  return cells;
}

std::vector<std::pair<int, int>> inkedRuns(const Cells& cells, int from, int to) {
  std::vector<std::pair<int, int>> runs;
  to = std::min(to, static_cast<int>(cells.size()));
  for (int c = std::max(from, 0); c < to;) {
    if (!cells[static_cast<size_t>(c)].inked) {
      ++c;
      continue;
    }
    int end = c;
    while (end < to && cells[static_cast<size_t>(end)].inked) ++end;
    runs.emplace_back(c, end);
    c = end;
  }
  return runs;
}

void placeSymbols(const std::vector<Symbol>& symbols, const PageGeometry& g, int from, int to, Cells& cells) {
  std::vector<const Symbol*> sorted;
  for (const Symbol& s : symbols) sorted.push_back(&s);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Symbol* a, const Symbol* b) { return a->middle() < b->middle(); });
  std::vector<bool> placed(sorted.size(), false);
  for (auto [a, b] : inkedRuns(cells, from, to)) {
    double lo = g.cellLeft(a) - g.pitch / 2, hi = g.cellRight(b - 1) + g.pitch / 2;
    std::vector<size_t> in;
    for (size_t k = 0; k < sorted.size(); ++k)
      if (!placed[k] && sorted[k]->middle() >= lo && sorted[k]->middle() < hi) in.push_back(k);
    for (size_t j = 0; j < in.size(); ++j) {
      const Symbol& s = *sorted[in[j]];
      placed[in[j]] = true;
      if (s.choices.empty()) continue;
      if (static_cast<int>(in.size()) == b - a)
        take(cells[static_cast<size_t>(a) + j], s);
      else
        takeIfSurer(cells[static_cast<size_t>(std::clamp(g.columnAt(s.middle()), a, b - 1))], s);
    }
  }
  for (size_t k = 0; k < sorted.size(); ++k) {
    int c = g.columnAt(sorted[k]->middle());
    if (placed[k] || sorted[k]->choices.empty() || c < from || c >= to || c >= static_cast<int>(cells.size())) continue;
    Cell& cell = cells[static_cast<size_t>(c)];
    if (cell.faint && sorted[k]->choices[0].confidence >= 0.9f) takeIfSurer(cell, *sorted[k]);
  }
}

namespace {

// How likely a printed character is read as a look-alike of this cost, against read as itself.
float lookAlikeWeight(reading::Cost cost) {
  if (cost == 0) return 1;
  if (cost <= reading::kFrequent) return 0.5f;
  if (cost <= reading::kUsual) return 0.25f;
  if (cost <= reading::kRare) return 0.1f;
  return 0.02f;
}

}  // namespace

void keepTo(Cell& cell, reading::Alphabet a) {
  float best = -1;
  for (size_t j = 0; j < cell.choices.size(); ++j) {
    // The engine gives later choices 0 at times: their order still counts.
    float p = std::max(cell.choices[j].confidence, 0.01f / static_cast<float>(j + 1));
    for (const reading::Glyph& g : reading::readingsOf(cell.choices[j].c, a)) {
      float score = p * lookAlikeWeight(g.cost);
      if (score > best) best = score, cell.c = g.c, cell.confidence = g.cost == 0 ? cell.choices[j].confidence : 0;
    }
  }
}

namespace {

// What reading the cell as c costs: nothing for the engine's first choice, a step for another
// of its choices, a look-alike's cost for the rest; kNever beyond a rare look-alike. A cell the
// engine read nothing in may be anything.
reading::Cost letterCost(const Cell& cell, char c) {
  if (cell.choices.empty()) return cell.inked ? reading::kLost : reading::kNever;
  if (cell.choices[0].c == c) return 0;
  for (const Choice& ch : cell.choices)
    if (ch.c == c) return 1;
  reading::Cost m = reading::misreadCost(c, cell.choices[0].c);
  // A comma is small and faint: the engine reads it as many a thing.
  if (c == ',') m = std::min(m, reading::kRare);
  return m <= reading::kRare ? m : reading::kNever;
}

}  // namespace

bool chooseSpelling(Cells& cells, int from, int to, const std::vector<std::string_view>& spellings, bool whole) {
  reading::Cost best = reading::kNever, second = reading::kNever;
  std::string_view chosen;
  for (std::string_view spelling : spellings) {
    int length = static_cast<int>(spelling.size());
    if (whole ? length != to - from : length > to - from) continue;
    reading::Cost cost = 0;
    for (size_t k = 0; k < spelling.size() && cost < reading::kNever; ++k)
      cost = std::min(reading::kNever, cost + letterCost(cells[static_cast<size_t>(from) + k], spelling[k]));
    if (cost < best)
      second = best, best = cost, chosen = spelling;
    else if (cost < second)
      second = cost;
  }
  if (best >= reading::kNever || second == best) return false;  // none fits, or two fit as well
  for (size_t k = 0; k < chosen.size(); ++k) {
    Cell& cell = cells[static_cast<size_t>(from) + k];
    if (cell.c == chosen[k]) continue;
    cell.c = chosen[k];
    cell.confidence = 0;
    for (const Choice& ch : cell.choices)
      if (ch.c == chosen[k]) cell.confidence = ch.confidence;
  }
  return true;
}

void chooseName(Cells& cells, int from, int to, const std::vector<std::string_view>& names) {
  std::string read;
  for (int c = from; c < to; ++c) read += cells[static_cast<size_t>(c)].c;
  if (std::find(names.begin(), names.end(), read) == names.end()) chooseSpelling(cells, from, to, names, true);
}

std::string textOf(const Cells& cells) {
  std::string text;
  for (const Cell& cell : cells) text += cell.c;
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace romlift::ocr
