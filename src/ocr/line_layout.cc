#include "ocr/line_layout.h"

#include "bytes/charclass.h"
#include "isa/intel8080.h"
#include "scanner/rules.h"

namespace romlift::ocr {
namespace allowed {

const std::string kDigits = "0123456789";
const std::string kHex = "0123456789ABCDEF";
const std::string kDigitsRead = kDigits + "O";
const std::string kHexRead = kHex + "O";
const std::string kName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789?@_$";
const std::string kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kText = [] {
  std::string s;
  for (char c = '!'; c <= '~'; ++c)
    if (c < 'a' || c > 'z') s += c;
  return s;
}();

}  // namespace allowed

namespace {

using reading::Alphabet;

bool inked(const Cells& cells, int c) { return c >= 0 && c < static_cast<int>(cells.size()) && cells[static_cast<size_t>(c)].inked; }

// How many of the line's first cells have ink as the pattern says ('#' ink, '.' none).
int matching(const Cells& cells, std::string_view pattern) {
  int n = 0;
  for (size_t c = 0; c < pattern.size(); ++c) n += inked(cells, static_cast<int>(c)) == (pattern[c] == '#');
  return n;
}

bool nothingFrom(const Cells& cells, int from) { return static_cast<int>(cells.size()) <= from; }

constexpr std::string_view kStarsPattern = "###########################";
constexpr std::string_view kTitlePattern = "#.#.#.#.#.#.#...#.#.#.#.#.#";
constexpr std::string_view kHeaderPattern = "####.##....###.";

bool isSymbolRow(const Cells& cells) {
  int hex = inked(cells, 7) + inked(cells, 8) + inked(cells, 9) + inked(cells, 10);
  return inked(cells, 0) && !inked(cells, 6) && hex >= 3 && !inked(cells, 11);
}

// A comment line's '*' at the label's column: alone there, its text from two columns on.
bool isStarComment(const Cells& cells) {
  for (int c = 16; c < 20; ++c)
    if (inked(cells, c)) return false;
  return inked(cells, 20) && !inked(cells, 21) && inked(cells, 22);
}

void keepRange(Cells& cells, int from, int to, Alphabet a) {
  for (int c = from; c < to && c < static_cast<int>(cells.size()); ++c) keepTo(cells[static_cast<size_t>(c)], a);
}

// The numbered line's field that a run starting at this column belongs to, and its allowed
// characters for the Cut method.
struct FieldAt {
  Alphabet alphabet;
  const std::string* allowed;
  bool mnemonic;
};
FieldAt fieldAt(int column) {
  if (column < 3) return {Alphabet::Digit, &allowed::kDigitsRead, false};
  if (column < 16) return {Alphabet::Hex, &allowed::kHexRead, false};
  if (column < 26) return {Alphabet::Name, &allowed::kName, false};
  if (column < 33) return {Alphabet::Upper, &allowed::kLetters, true};
  return {Alphabet::Text, &allowed::kText, false};
}

bool standsFor(const Cell& cell, Alphabet a) { return !reading::readingsOf(cell.c, a).empty(); }

// One token of an operand, [from, to): a number ending in H holds hex digits before its H, a
// number starting with a digit holds digits before its suffix letter if any (O or Q octal, B
// binary, D decimal, as read); a lone S is the location counter $, and a $ before a name's
// letters is an S.
void settleToken(Cells& cells, int from, int to) {
  if (to <= from) return;
  auto all = [&](int a, int b, Alphabet alphabet) {
    for (int c = a; c < b; ++c)
      if (!standsFor(cells[static_cast<size_t>(c)], alphabet)) return false;
    return true;
  };
  Cell& first = cells[static_cast<size_t>(from)];
  char last = cells[static_cast<size_t>(to - 1)].c;
  int digits = to - from >= 2 && std::string_view("OQBD").find(last) != std::string_view::npos ? to - 1 : to;
  if (to - from >= 2 && last == 'H' && standsFor(first, Alphabet::Digit) && all(from, to - 1, Alphabet::Hex))
    keepRange(cells, from, to - 1, Alphabet::Hex);
  else if (isDigit(first.c) && all(from, digits, Alphabet::Digit))
    keepRange(cells, from, digits, Alphabet::Digit);
  else if (to - from == 1 && first.c == 'S')
    first.c = '$', first.confidence = 0;
  else if (to - from > 1 && first.c == '$')
    first.c = 'S', first.confidence = 0;
}

// A mark read for a quote where a quoted string starts or ends: at the operand's ends or next
// to a comma. The assembler quotes with ' alone.
void settleQuotes(Cells& cells, int from, int to) {
  auto at = [&](int c) { return c >= from && c < to ? cells[static_cast<size_t>(c)].c : ','; };
  for (int c = from; c < to; ++c) {
    Cell& cell = cells[static_cast<size_t>(c)];
    if (std::string_view("\"!`").find(cell.c) == std::string_view::npos) continue;
    if (at(c - 1) == ',' || at(c + 1) == ',') cell.c = '\'', cell.confidence = 0;
  }
}

// The operand's tokens: separated by , + - * / ( ), text between quotes left as read. Outside
// quotes a semicolon is a comma read wrong: the assembler's operands hold none.
void settleOperand(Cells& cells, int from, int to) {
  settleQuotes(cells, from, to);
  bool quoted = false;
  int start = from;
  for (int c = from; c <= to; ++c) {
    char ch = c < to ? cells[static_cast<size_t>(c)].c : ',';
    bool quote = ch == '\'';
    if (quoted && !quote) continue;
    if (ch == ';') cells[static_cast<size_t>(c)].c = ch = ',', cells[static_cast<size_t>(c)].confidence = 0;
    if (quote || std::string_view(",+-*/()").find(ch) != std::string_view::npos) {
      if (!quoted) settleToken(cells, start, c);
      start = c + 1;
    }
    if (quote) quoted = !quoted;
  }
}

// The spellings an instruction's operand can start with: its registers, and the comma before a
// value that follows them. Empty for an instruction without registers.
std::vector<std::string> operandStarts(const isa::InstructionRow& row) {
  using isa::Regs;
  const std::vector<std::string> regs = {"B", "C", "D", "E", "H", "L", "M", "A"};
  std::vector<std::string> out;
  switch (row.regs) {
    case Regs::kDstSrc:
      for (const std::string& d : regs)
        for (const std::string& s : regs)
          if (d != "M" || s != "M") out.push_back(d + "," + s);
      return out;
    case Regs::kDst:
    case Regs::kSrc: out = regs; break;
    case Regs::kPairSp: out = {"B", "D", "H", "SP"}; break;
    case Regs::kPairPsw: out = {"B", "D", "H", "PSW"}; break;
    case Regs::kPairBD: out = {"B", "D"}; break;
    case Regs::kRst: out = {"0", "1", "2", "3", "4", "5", "6", "7"}; break;
    case Regs::kNone: return out;
  }
  if (row.length > 1)
    for (std::string& r : out) r += ",";
  return out;
}

// The operand [from, to) as its instruction's registers say it starts: the registers and the
// comma, the whole operand when the instruction takes no value.
void settleRegisters(Cells& cells, std::string_view mnemonic, int from, int to) {
  for (const isa::InstructionRow& row : isa::intel8080Rows()) {
    if (row.mnemonic != mnemonic) continue;
    std::vector<std::string> starts = operandStarts(row);
    std::vector<std::string_view> spellings(starts.begin(), starts.end());
    if (!spellings.empty()) chooseSpelling(cells, from, to, spellings, row.length == 1 || row.regs == isa::Regs::kDstSrc);
    return;
  }
}

std::vector<Region> cutNumbered(const Cells& cells) {
  std::vector<Region> regions;
  int end = static_cast<int>(cells.size());
  if (isStarComment(cells)) end = 20;
  for (auto [a, b] : inkedRuns(cells, 0, end)) {
    // The comment is read as one line from its first run on.
    if (a >= static_cast<int>(col::kComment)) {
      regions.push_back({a, static_cast<int>(cells.size()), allowed::kText});
      return regions;
    }
    regions.push_back({a, b, *fieldAt(a).allowed});
  }
  if (end == 20) regions.push_back({20, static_cast<int>(cells.size()), allowed::kText});
  return regions;
}

std::vector<Region> cutSymbolRow(const Cells& cells) {
  std::vector<Region> regions;
  for (auto [a, b] : inkedRuns(cells, 0, static_cast<int>(cells.size())))
    regions.push_back({a, b, a % 12 >= 7 ? allowed::kHexRead : allowed::kName});
  return regions;
}

}  // namespace

LineKind kindOf(const Cells& cells, bool inTable) {
  if (cells.empty()) return LineKind::Empty;
  int width = static_cast<int>(kStarsPattern.size());
  if (nothingFrom(cells, width + 1) && matching(cells, kStarsPattern) >= width - 2) return LineKind::BannerStars;
  if (nothingFrom(cells, width + 1) && matching(cells, kTitlePattern) >= width - 2) return LineKind::BannerTitle;
  if (matching(cells, kHeaderPattern) >= static_cast<int>(kHeaderPattern.size()) - 1) return LineKind::PageHeader;
  if (inTable && isSymbolRow(cells)) return LineKind::SymbolRow;
  if (inked(cells, 0) && inked(cells, 1) && inked(cells, 2) && !inked(cells, 3)) return LineKind::Numbered;
  return LineKind::Other;
}

std::vector<Region> regionsOf(LineKind kind, Method method, const Cells& cells) {
  int end = static_cast<int>(cells.size());
  switch (kind) {
    case LineKind::Numbered:
      if (method == Method::Cut) return cutNumbered(cells);
      return {{0, 16, allowed::kHex}, {16, end, allowed::kText}};
    case LineKind::PageHeader:
      if (method == Method::Cut) return {{5, 7, allowed::kDigitsRead}, {24, end, allowed::kHexRead + "-"}};
      return {{0, end, allowed::kText}};
    case LineKind::SymbolRow:
      if (method == Method::Cut) return cutSymbolRow(cells);
      return {{0, end, allowed::kName}};
    case LineKind::Other: return {{0, end, allowed::kText}};
    default: return {};
  }
}

void settleNumbered(Cells& cells, const std::vector<std::string_view>& names) {
  keepRange(cells, 0, 3, Alphabet::Digit);
  keepRange(cells, 4, 8, Alphabet::Hex);
  keepRange(cells, 9, 15, Alphabet::Hex);
  settleWords(cells, names);
}

void settleWords(Cells& cells, const std::vector<std::string_view>& names) {
  if (isStarComment(cells)) {
    cells[20].c = '*';
    return;
  }
  std::string mnemonic;
  for (auto [a, b] : inkedRuns(cells, 16, static_cast<int>(col::kComment))) {
    FieldAt field = fieldAt(a);
    keepRange(cells, a, b, field.alphabet);
    if (field.mnemonic && !names.empty()) chooseName(cells, a, b, names);
    if (field.mnemonic)
      for (int c = a; c < b; ++c) mnemonic += cells[static_cast<size_t>(c)].c;
    if (field.alphabet != Alphabet::Text) continue;
    if (!names.empty()) settleRegisters(cells, mnemonic, a, b);
    settleOperand(cells, a, b);
    // ORG's operand: a colon and the address in hex digits.
    if (mnemonic == "ORG" && cells[static_cast<size_t>(a)].c == ':') keepRange(cells, a + 1, b, Alphabet::Hex);
  }
}

std::string headerText(Cells& cells) {
  keepRange(cells, 5, 7, Alphabet::Digit);
  std::vector<std::pair<int, int>> runs = inkedRuns(cells, 24, static_cast<int>(cells.size()));
  std::string range;
  if (!runs.empty()) {
    auto [a, b] = runs[0];
    // 0C000-0C7FF or C000-C7FF; with ten characters, the dash is where one was read.
    int dash = b - a == 11 ? a + 5 : b - a == 9 ? a + 4 : -1;
    for (int c = a; c < b && dash < 0; ++c)
      if (cells[static_cast<size_t>(c)].c == '-') dash = c;
    for (int c = a; c < b; ++c) {
      Cell& cell = cells[static_cast<size_t>(c)];
      if (c == dash)
        cell.c = '-', cell.confidence = 1;
      else
        keepTo(cell, Alphabet::Hex);
      range += cell.c;
    }
  }
  std::string page = {cells[5].c, cells[6].c};
  std::string text = "PAGE " + page + std::string(kFirstPageHeader + 7) + range + kVersionMark;
  // The fixed text is no reading: its cells hold what is written, for sure.
  bool inRange = !runs.empty();
  cells.resize(std::max(cells.size(), text.size()));
  for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
    bool read = c == 5 || c == 6 || (inRange && c >= runs[0].first && c < runs[0].second);
    if (!read) cells[static_cast<size_t>(c)] = Cell{false, false, c < static_cast<int>(text.size()) ? text[static_cast<size_t>(c)] : ' ', 1, {}};
  }
  return text;
}

void settleSymbolRow(Cells& cells) {
  for (int entry = 0; entry < static_cast<int>(cells.size()); entry += 12) {
    keepRange(cells, entry, entry + 6, Alphabet::Name);
    keepRange(cells, entry + 7, entry + 11, Alphabet::Hex);
  }
}

std::vector<DigitCell> digitCells(LineKind kind, const Cells& cells) {
  std::vector<DigitCell> out;
  auto add = [&](int from, int to, std::string_view among) {
    for (int c = from; c < to && c < static_cast<int>(cells.size()); ++c)
      if (cells[static_cast<size_t>(c)].inked && cells[static_cast<size_t>(c)].c != '-') out.push_back({c, among});
  };
  if (kind == LineKind::Numbered) {
    add(0, 3, allowed::kDigits);
    add(4, 8, allowed::kHex);
    add(9, 15, allowed::kHex);
  } else if (kind == LineKind::PageHeader) {
    add(5, 7, allowed::kDigits);
    std::vector<std::pair<int, int>> runs = inkedRuns(cells, 24, static_cast<int>(cells.size()));
    if (!runs.empty()) add(runs[0].first, runs[0].second, allowed::kHex);
  } else if (kind == LineKind::SymbolRow) {
    for (int entry = 0; entry < static_cast<int>(cells.size()); entry += 12) add(entry + 7, entry + 11, allowed::kHex);
  }
  return out;
}

std::pair<int, int> mnemonicRun(LineKind kind, const Cells& cells) {
  if (kind != LineKind::Numbered || isStarComment(cells)) return {0, 0};
  for (auto [a, b] : inkedRuns(cells, 16, static_cast<int>(col::kComment)))
    if (fieldAt(a).mnemonic) return {a, b};
  return {0, 0};
}

std::string_view bannerStars() { return "***************************"; }
std::string_view bannerTitle() { return kBannerTitle; }

}  // namespace romlift::ocr
