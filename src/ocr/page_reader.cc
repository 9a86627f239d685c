#include "ocr/page_reader.h"

#include <algorithm>
#include <cmath>

#include "isa/intel8080.h"
#include "ocr/glyph_model.h"

namespace romlift::ocr {
namespace {

// How much more a cell must look like another digit than like the engine's for the model to
// override the engine.
constexpr float kGlyphMargin = 0.03f;

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
  out.geometry = geometry_;
  return out;
}

namespace {

// A cell the engine read for sure as a character its field holds.
bool sure(const Cell& cell, std::string_view among) {
  return !cell.choices.empty() && cell.choices[0].c == cell.c && cell.choices[0].confidence >= 0.95f &&
         among.find(cell.c) != std::string_view::npos;
}

// The cell's digit by the page's glyphs: the model's when the engine read nothing the field
// holds, or a digit the model knows and finds clearly less alike. True when it changed.
bool checkCell(const GlyphModel& model, const TextRow& row, int column, std::string_view among, Cell& cell) {
  GlyphModel::Verdict v = model.classify(row, column, among);
  if (v.c == 0) return false;
  if (v.c == cell.c) {
    // Two readings agree: the cell is doubtful only when the model hesitated too.
    if (v.score - v.runnerUp >= kGlyphMargin) cell.confidence = std::max(cell.confidence, v.score);
    return false;
  }
  bool held = among.find(cell.c) != std::string_view::npos;
  if (held && !model.knows(cell.c)) return false;
  float own = held ? model.classify(row, column, std::string(1, cell.c)).score : -1;
  if (v.score < 0.5f || v.score - own < kGlyphMargin) return false;
  cell.c = v.c, cell.confidence = v.score;
  return true;
}

}  // namespace

// The digit fields read again by the page's own glyphs: the cells the engine was sure of teach
// the model (and the pages after), which then checks every digit cell.
void PageReader::checkGlyphs(const GrayImage& straight, std::vector<ReadLine>& lines) {
  GlyphModel model(straight, geometry_);
  for (const ReadLine& line : lines)
    for (DigitCell d : digitCells(line.kind, line.cells))
      if (sure(line.cells[static_cast<size_t>(d.column)], d.among))
        model.learn(*line.row, d.column, line.cells[static_cast<size_t>(d.column)].c);
  model.finish(3, memory_);
  for (ReadLine& line : lines) {
    for (DigitCell d : digitCells(line.kind, line.cells)) {
      Cell& cell = line.cells[static_cast<size_t>(d.column)];
      if (checkCell(model, *line.row, d.column, d.among, cell) && static_cast<size_t>(d.column) < line.text.size())
        line.text[static_cast<size_t>(d.column)] = cell.c;
    }
  }
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
