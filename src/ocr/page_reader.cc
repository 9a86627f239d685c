#include "ocr/page_reader.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "isa/intel8080.h"
#include "ocr/glyph_model.h"

namespace romlift::ocr {
namespace {

// How much more a cell must look like another digit than like the engine's for the model to
// override the engine.
constexpr float kGlyphMargin = 0.03f;
// The score, and the lead over the next character, of a glyph the model is sure of.
constexpr float kSureGlyph = 0.9f;
constexpr float kSureGlyphMargin = 0.3f;

bool missing(const Cell& cell) { return cell.inked && cell.choices.empty(); }

// The written character first, then the engine's other choices, in percent.
alternatives::Record recordOf(size_t line, size_t column, const Cell& cell) {
  auto percent = [](float confidence) { return static_cast<int>(std::lround(100 * confidence)); };
  alternatives::Record r{line, column, {{cell.c, percent(cell.confidence)}}};
  for (const Choice& ch : cell.choices)
    if (ch.c != cell.c) r.choices.push_back({ch.c, percent(ch.confidence)});
  return r;
}

}  // namespace

bool mnemonicsOf(std::string_view set, std::vector<std::string_view>& names) {
  names.clear();
  if (set == "none") return true;
  if (set != "8080" && set != "8085") return false;
  for (const isa::InstructionRow& row : isa::intel8080Rows())
    if (set == "8085" || !row.only8085) names.push_back(row.mnemonic);
  for (std::string_view directive : {"DB", "DW", "DS", "EQU", "SET", "ORG", "END"}) names.push_back(directive);
  return true;
}

PageText PageReader::read(const GrayImage& page) {
  threshold_ = inkThreshold(page);
  double skew = measureSkew(page, threshold_);
  GrayImage straight = straighten(page, skew);
  geometry_ = measureGeometry(straight, threshold_, last_ ? &*last_ : nullptr);
  geometry_.skew = skew;
  if (geometry_.rows.size() >= 4) last_ = geometry_;
  // A fixed-pitch printer sets 10 characters an inch, which tells the engine the resolution.
  width_ = straight.width, height_ = straight.height;
  engine_.setPage(straight, std::clamp(static_cast<int>(std::lround(10 * geometry_.pitch)), 70, 2400));
  std::vector<ReadLine> lines;
  for (const TextRow& row : geometry_.rows) {
    ReadLine line{&row, LineKind::Empty, inkedCells(straight, threshold_, geometry_, row), {}};
    line.text = readLine(row, line.cells, line.kind);
    lines.push_back(std::move(line));
  }
  if (options_.glyphs) checkGlyphs(straight, lines);
  return pageText(lines);
}

// The lines at their places on the page, blank ones between, and the unsure characters of the
// text as written.
PageText PageReader::pageText(const std::vector<ReadLine>& lines) {
  PageText out;
  for (const ReadLine& read : lines) {
    size_t at = static_cast<size_t>(read.row->index);
    const std::string& text = read.text;
    out.lines.resize(at);
    out.lines.push_back(text);
    for (size_t c = 0; c < read.cells.size() && c < text.size(); ++c) {
      const Cell& cell = read.cells[c];
      if (cell.inked && cell.c == text[c] && cell.unsure()) out.unsure.push_back(recordOf(at, c, cell));
    }
  }
  return out;
}

namespace {

// A cell the engine read for sure as a character its field holds.
bool sure(const Cell& cell, std::string_view among) {
  return !cell.choices.empty() && cell.choices[0].c == cell.c && cell.choices[0].confidence >= 0.95f &&
         among.find(cell.c) != std::string_view::npos;
}

using reading::Alphabet;

Alphabet alphabetOf(std::string_view among) { return among == allowed::kDigits ? Alphabet::Digit : Alphabet::Hex; }

// The look-alike of a digit the field holds that a letter is, when OCR often reads one for
// the other (O for 0, I for 1); 0 for none.
char frequentLookAlike(char letter, Alphabet a) {
  std::span<const reading::Glyph> looks = reading::readingsOf(letter, a);
  return !reading::holds(a, letter) && !looks.empty() && looks[0].cost <= reading::kFrequent ? looks[0].c : 0;
}

// The field's characters and the letters the model knows that look much like one of them:
// what a cell of the field is compared with.
std::string candidates(const GlyphModel& model, std::string_view among) {
  std::string out(among);
  for (char c = 'A'; c <= 'Z'; ++c)
    if (model.knows(c) && frequentLookAlike(c, alphabetOf(among)) != 0) out += c;
  return out;
}

// The cell's digit by the page's glyphs. Each character the field holds scores the best of its
// own pattern and of its look-alike letters'; the model's best replaces the engine's reading
// when the engine read nothing the field holds, or when the model knows the engine's digit and
// finds it clearly less alike. True when it changed.
bool checkCell(const GlyphModel& model, const TextRow& row, int column, std::string_view among, Cell& cell) {
  Alphabet a = alphabetOf(among);
  std::string tried = candidates(model, among);
  std::vector<float> scores = model.scores(row, column, tried);
  std::array<float, 128> group;
  group.fill(-2);
  for (size_t k = 0; k < tried.size(); ++k) {
    char to = reading::holds(a, tried[k]) ? tried[k] : frequentLookAlike(tried[k], a);
    group[static_cast<unsigned char>(to)] = std::max(group[static_cast<unsigned char>(to)], scores[k]);
  }
  char best = 0;
  float top = -2, second = -2;
  for (char c : among) {
    float g = group[static_cast<unsigned char>(c)];
    if (g > top) second = top, top = g, best = c;
    else if (g > second) second = g;
  }
  if (top < -1) return false;
  char engine = cell.choices.empty() ? 0 : cell.choices[0].c;
  // The engine saw a letter that looks much like a digit the field holds (an O), and the model
  // cannot judge it.
  if (engine != 0 && !model.knows(engine) && frequentLookAlike(engine, a) != 0) return false;
  if (best == cell.c) {
    // Two readings agree: the cell is doubtful only when the model hesitated too.
    if (top - second >= kGlyphMargin) cell.confidence = std::max(cell.confidence, top);
    return false;
  }
  float own = reading::holds(a, cell.c) ? group[static_cast<unsigned char>(cell.c)] : -1;
  // A digit the model does not know gives way only to a glyph the model is sure of.
  bool sureOfBest = top >= kSureGlyph && top - second >= kSureGlyphMargin;
  if ((own < -1 && !sureOfBest) || top < 0.5f || top - own < kGlyphMargin) return false;
  cell.c = best, cell.confidence = top;
  return true;
}

}  // namespace

// The digit fields read again by the page's own glyphs: the cells the engine was sure of (and
// the letters of mnemonics it read as names of the instruction set) teach the model and the
// pages after; the model then checks every digit cell.
void PageReader::checkGlyphs(const GrayImage& straight, std::vector<ReadLine>& lines) {
  GlyphModel model(straight, geometry_);
  for (const ReadLine& line : lines) {
    for (DigitCell d : digitCells(line.kind, line.cells))
      if (sure(line.cells[static_cast<size_t>(d.column)], d.among))
        model.learn(*line.row, d.column, line.cells[static_cast<size_t>(d.column)].c);
    auto [from, to] = mnemonicRun(line.kind, line.cells);
    std::string name;
    for (int c = from; c < to; ++c) name += line.cells[static_cast<size_t>(c)].c;
    if (from >= to || std::find(options_.mnemonics.begin(), options_.mnemonics.end(), name) == options_.mnemonics.end())
      continue;
    for (int c = from; c < to; ++c)
      if (sure(line.cells[static_cast<size_t>(c)], allowed::kLetters)) model.learn(*line.row, c, line.cells[static_cast<size_t>(c)].c);
  }
  model.finish(3, memory_);
  for (ReadLine& line : lines) {
    for (DigitCell d : digitCells(line.kind, line.cells)) {
      Cell& cell = line.cells[static_cast<size_t>(d.column)];
      if (checkCell(model, *line.row, d.column, d.among, cell) && static_cast<size_t>(d.column) < line.text.size())
        line.text[static_cast<size_t>(d.column)] = cell.c;
    }
    if (fillMissing(model, line)) line.text = textOf(line.cells);
  }
}

// The cells of a numbered line's words or a symbol-table row that hold ink but where the
// engine read nothing, from the page's glyphs when the model is sure of them; then the words
// settled again (a mnemonic among the names, an operand's registers). True when a cell was
// filled.
bool PageReader::fillMissing(const GlyphModel& model, ReadLine& line) const {
  if (line.kind != LineKind::Numbered && line.kind != LineKind::SymbolRow) return false;
  bool filled = false;
  for (size_t c = line.kind == LineKind::Numbered ? 16 : 0; c < line.cells.size(); ++c) {
    Cell& cell = line.cells[c];
    if (!cell.inked || !cell.choices.empty()) continue;
    std::vector<float> scores = model.scores(*line.row, static_cast<int>(c), allowed::kName);
    auto best = std::max_element(scores.begin(), scores.end());
    if (*best < kSureGlyph) continue;
    char found = allowed::kName[static_cast<size_t>(best - scores.begin())];
    cell.choices = {{found, *best}};
    cell.c = found, cell.confidence = *best;
    filled = true;
  }
  if (filled && line.kind == LineKind::Numbered) settleWords(line.cells, options_.mnemonics);
  return filled;
}

std::string PageReader::readLine(const TextRow& row, Cells& cells, LineKind& kind) {
  kind = kindOf(cells, inTable_);
  if (kind == LineKind::Empty) return {};
  if (kind == LineKind::BannerStars || kind == LineKind::BannerTitle) {
    inTable_ = true;
    return std::string(kind == LineKind::BannerStars ? bannerStars() : bannerTitle());
  }
  for (const Region& region : regionsOf(kind, options_.method, cells)) readRegion(row, region, cells);
  readMissing(row, kind, cells);
  if (kind == LineKind::PageHeader) {
    std::string text = headerText(cells);
    if (text.compare(0, 7, "PAGE 01") == 0) inTable_ = false;  // a new section
    return text;
  }
  if (kind == LineKind::Numbered) settleNumbered(cells, options_.mnemonics);
  if (kind == LineKind::SymbolRow) settleSymbolRow(cells);
  for (Cell& cell : cells)
    if (missing(cell)) cell.c = '?', cell.confidence = 0;
  return textOf(cells);
}

void PageReader::readRegion(const TextRow& row, const Region& region, Cells& cells) {
  const PageGeometry& g = geometry_;
  auto pixel = [](double v, int size) { return std::clamp(static_cast<int>(std::lround(v)), 0, size); };
  Box box{pixel(g.cellLeft(region.from) - g.pitch / 2, width_), pixel(row.middle() - g.linePitch / 2, height_),
          pixel(g.cellLeft(region.to) + g.pitch / 2, width_), pixel(row.middle() + g.linePitch / 2, height_)};
  if (box.right <= box.left || box.bottom <= box.top) return;
  placeSymbols(engine_.read(box, region.allowed), g, region.from, region.to, cells);
}

// A cell with ink where the engine read nothing: its field read again on its own, restricted
// to the field's characters, fills it when that reading puts a character there.
void PageReader::readMissing(const TextRow& row, LineKind kind, Cells& cells) {
  for (const Region& region : regionsOf(kind, Method::Cut, cells)) {
    bool any = false;
    for (int c = region.from; c < region.to && c < static_cast<int>(cells.size()); ++c) any = any || missing(cells[static_cast<size_t>(c)]);
    if (!any) continue;
    Cells again = cells;
    for (Cell& cell : again) cell.choices.clear();
    readRegion(row, region, again);
    for (int c = region.from; c < region.to && c < static_cast<int>(cells.size()); ++c)
      if (missing(cells[static_cast<size_t>(c)])) cells[static_cast<size_t>(c)] = again[static_cast<size_t>(c)];
  }
}

}  // namespace romlift::ocr
