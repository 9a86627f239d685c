#include "fix/problems.h"

#include <algorithm>
#include <map>
#include <optional>

#include "bytes/charclass.h"
#include "checks/listing_text.h"
#include "fix/confusion.h"
#include "scanner/token.h"
#include "verify/table_fit.h"

namespace romlift::fix {
namespace {

constexpr size_t kLabelPad = 7;       // a symbol-table entry's address stands after 7 columns
constexpr size_t kPageNumber = 5;     // "PAGE NN": the page number's column
constexpr int kLastNumber = 999;

bool labelled(int token) { return token == CODEL || token == CODELO || token == CODELC || token == CODELOC; }

size_t columnOf(std::string_view field, std::string_view text) { return static_cast<size_t>(field.data() - text.data()); }

bool codeColumnsRight(std::string_view text, const LineFacts& f) {
  CodeFields c = fieldsOf(text, f);
  if (labelled(f.token) && columnOf(c.label, text) != col::kLabel) return false;
  if (columnOf(c.mnemonic, text) != col::kMnemonic) return false;
  if (!c.operand.empty() && columnOf(c.operand, text) != col::kOperand) return false;
  return c.comment.empty() || columnOf(c.comment, text) >= col::kComment;
}

// An EQU or DS line's comment, if any, starts at the comment column.
bool directiveColumnsRight(std::string_view text) {
  size_t end = text.find(' ', col::kOperand);
  if (end == std::string_view::npos) return true;
  size_t comment = text.find_first_not_of(' ', end);
  return comment == std::string_view::npos || comment >= col::kComment;
}

// Every character of a symbol-table line belongs to a well-formed entry or is a blank.
bool tableColumnsRight(std::string_view text, const LineFacts& f, const Facts& facts) {
  size_t covered = 0;
  auto blanks = [&](size_t from, size_t to) { return text.substr(from, to - from).find_first_not_of(' ') == std::string_view::npos; };
  for (uint32_t e = f.firstEntry; e < f.endEntry; ++e) {
    size_t at = facts.entries[e].column;
    if (at < covered || !blanks(covered, at)) return false;
    size_t len = 0;
    while (len < kMaxLabel && isa::isNameChar(text[at + len])) ++len;
    if (len == 0 || !blanks(at + len, at + kLabelPad)) return false;
    for (size_t k = 0; k < kAddressWidth; ++k)
      if (!isHex(text[at + kLabelPad + k])) return false;
    covered = at + kSymbolEntryWidth;
  }
  return f.endEntry > f.firstEntry && blanks(covered, text.size());
}

// A first-page header holds its fixed text, its range and the version mark, and nothing else.
bool headerExact(std::string_view text, std::string_view range) {
  return text.size() == kFirstPageHeaderLen + range.size() + kVersionMarkLen &&
         text.substr(kFirstPageHeaderLen, range.size()) == range &&
         text.substr(kFirstPageHeaderLen + range.size()) == kVersionMark;
}

bool columnsRight(const Inspected& in, size_t i) {
  const LineFacts& f = in.facts.lines[i];
  std::string_view text = in.lines[i].text;
  switch (f.kind) {
    case Kind::Code: return codeColumnsRight(text, f);
    case Kind::Equ:
    case Kind::Ds: return directiveColumnsRight(text);
    case Kind::Table: return tableColumnsRight(text, f, in.facts);
    case Kind::Header: return !f.headerOk || headerExact(text, in.facts.segmentText(f));
    default: return true;
  }
}

}  // namespace

bool looksLikeFirstPage(std::string_view text) {
  auto mayBe = [](char c, char digit) { return c == digit || readAs(c).find(digit) != std::string_view::npos; };
  return text.size() > kPageNumber + 1 && mayBe(text[kPageNumber], '0') && mayBe(text[kPageNumber + 1], '1');
}

namespace {

bool takesLabels(const LineFacts& f) { return f.kind == Kind::LabelOnly || (f.kind == Kind::Code && labelled(f.token)); }

void structureProblems(const Inspected& in, std::vector<Problem>& out) {
  const std::vector<LineFacts>& lines = in.facts.lines;
  bool headerSeen = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const LineFacts& f = lines[i];
    bool wrong = false;
    if (f.kind == Kind::Header) {
      wrong = !f.headerOk;
      headerSeen = true;
    } else if (f.kind == Kind::PageHeader) {
      wrong = looksLikeFirstPage(in.lines[i].text);
    } else if (!headerSeen && yieldsToken(f)) {
      wrong = true;  // the page grammar needs a header first
      headerSeen = true;
    } else if (f.kind == Kind::LabelOnly) {
      size_t j = i + 1;
      while (j < lines.size() && !yieldsToken(lines[j])) ++j;
      wrong = j == lines.size() || !takesLabels(lines[j]);
    }
    if (wrong) out.push_back({ProblemKind::Structure, i, i});
  }
}

// Follows the addresses as gaps does, and the line numbers; a break is blamed on the first
// line between the two that may hold what it misses, if there is one.
class Walker {
 public:
  // A broken line's rank, and whether it holds more than a number.
  static constexpr uint8_t kUnreadableLine = 1, kBrokenStructure = 2, kRanks = 3, kHoldsMore = 4;

  Walker(const Inspected& in, const std::vector<uint8_t>& broken, std::vector<Problem>& out)
      : in_(in), broken_(broken), out_(out) {}

  void addresses() {
    bool inRun = false;
    uint16_t next = 0;
    size_t last = 0;
    auto follow = [&](size_t i, unsigned found, unsigned length) {
      if (inRun && found != next) {
        int missing = static_cast<int>((found - next) % 0x10000u);
        if (missing >= 0x8000) missing -= 0x10000;
        Problem p{ProblemKind::Address, i, blame(last, i, true)};
        p.previous = last;
        p.expected = next;
        p.missing = missing;
        out_.push_back(p);
      }
      inRun = true;
      next = static_cast<uint16_t>(found + length);
      last = i;
    };
    for (size_t i = 0; i < in_.facts.lines.size(); ++i) {
      const LineFacts& f = in_.facts.lines[i];
      if (f.kind == Kind::Org) {
        // The run goes on from the address the ORG sets, if it can be read.
        std::string_view text = in_.lines[i].text;
        std::optional<unsigned> start = orgAddress({text.data(), text.size()});
        inRun = start.has_value();
        next = static_cast<uint16_t>(start.value_or(0));
        last = i;
      } else if ((f.kind == Kind::Header && f.newPage) || (f.kind == Kind::Ds && f.dsSize < 0))
        inRun = false;
      else if (f.kind == Kind::Code)
        follow(i, f.value, f.bytes);
      else if (f.kind == Kind::Ds)
        follow(i, f.value, static_cast<unsigned>(f.dsSize));
    }
  }

  void numbers() {
    int previous = -1;
    size_t last = 0;
    for (size_t i = 0; i < in_.facts.lines.size(); ++i) {
      const LineFacts& f = in_.facts.lines[i];
      if (f.kind == Kind::Header) previous = -1;
      if (f.number < 0) continue;
      bool follows = f.number == previous + 1 || (previous == kLastNumber && f.number <= 1) || continues(last, i);
      if (previous >= 0 && !follows) {
        Problem p{ProblemKind::Numbering, i, blame(last, i, false)};
        p.previous = last;
        out_.push_back(p);
      }
      previous = f.number;
      last = i;
    }
  }

  // A code line that goes on with the bytes of the code line before it under the same number:
  // a statement whose bytes one line cannot hold, printed on several.
  bool continues(size_t before, size_t i) const {
    const LineFacts& a = in_.facts.lines[before];
    const LineFacts& b = in_.facts.lines[i];
    return a.kind == Kind::Code && b.kind == Kind::Code && a.number == b.number &&
           static_cast<uint16_t>(a.value + a.bytes) == b.value;
  }

 private:
  // A line that fits no layout before one that fits no structure: a label-only line is left
  // without its code line when that line is the unreadable one. For missing bytes, only a line
  // with more than its number on it.
  size_t blame(size_t from, size_t to, bool bytes) const {
    for (uint8_t rank : {kUnreadableLine, kBrokenStructure})
      for (size_t k = from + 1; k < to; ++k)
        if ((broken_[k] & kRanks) == rank && (!bytes || (broken_[k] & kHoldsMore))) return k;
    return to;
  }

  const Inspected& in_;
  const std::vector<uint8_t>& broken_;
  std::vector<Problem>& out_;
};

}  // namespace

void codeProblems(const Inspected& in, size_t i, std::vector<Problem>& out) {
  const LineFacts& f = in.facts.lines[i];
  if (!columnsRight(in, i)) out.push_back({ProblemKind::Column, i, i});
  if (f.kind == Kind::Code) {
    std::string_view comment = fieldsOf(in.lines[i].text, f).comment;
    if (!comment.empty() && columnOf(comment, in.lines[i].text) > col::kComment) out.push_back({ProblemKind::Margin, i, i});
  }
  if (f.kind == Kind::Ds && f.dsSize < 0) out.push_back({ProblemKind::UnknownSize, i, i});
  bool defines = f.kind == Kind::Code || f.kind == Kind::Equ || f.kind == Kind::Ds || f.kind == Kind::LabelOnly;
  if (defines && f.label.text[0] != '\0' && !wellFormedLabel(f.label)) out.push_back({ProblemKind::LabelMark, i, i});
  if (f.kind != Kind::Code && f.kind != Kind::Equ) return;
  if (f.kind == Kind::Code && in.foreign != nullptr &&
      std::binary_search(in.foreign->begin(), in.foreign->end(), std::string_view(in.facts.segmentText(f))))
    return;
  RangeResolver labels(in.index, in.facts.segmentText(f), in.overrides);
  CodeVerdict v = f.kind == Kind::Code ? checkCode(in.lines[i].text, f, labels) : checkEqu(in.lines[i].text, f, labels);
  if (v == CodeVerdict::Good || v == CodeVerdict::NotCheckable) return;
  ProblemKind kind = ProblemKind::Form;
  if (v == CodeVerdict::UnknownLabel) kind = ProblemKind::UnknownName;
  if (f.kind == Kind::Code && (v == CodeVerdict::WrongBytes || v == CodeVerdict::WrongLength)) kind = ProblemKind::Bytes;
  Problem p{kind, i, i};
  p.verdict = v;
  out.push_back(p);
}

std::vector<std::string> foreignRanges(const Facts& facts, const std::vector<Problem>& problems) {
  std::map<std::string_view, verify::TableFit> fits;
  for (const LineFacts& f : facts.lines) {
    if (f.kind != Kind::Code) continue;
    verify::TableFit& fit = fits[facts.segmentText(f)];
    ++fit.lines;
    ++fit.tableLines;
  }
  for (const Problem& p : problems) {
    const LineFacts& f = facts.lines[p.line];
    if (f.kind != Kind::Code || (p.kind != ProblemKind::Bytes && p.kind != ProblemKind::Form)) continue;
    verify::TableFit& fit = fits[facts.segmentText(f)];
    ++fit.misfits;
    if (p.verdict == CodeVerdict::UnknownMnemonic) --fit.tableLines;
  }
  verify::TableFit all;
  for (const auto& [range, fit] : fits) all.add(fit);
  std::vector<std::string> out;
  for (const auto& [range, fit] : fits)
    if (fit.foreign(all)) out.emplace_back(range);
  return out;
}

std::vector<Problem> inspect(const Inspected& in) {
  std::vector<Problem> out;
  size_t n = in.facts.lines.size();
  for (size_t i = 0; i < n; ++i) {
    if (in.facts.lines[i].kind == Kind::Unreadable) out.push_back({ProblemKind::Unreadable, i, i});
  }
  structureProblems(in, out);
  // Lines that fit no layout or no structure and start as a numbered line does: they may hold
  // the bytes or the number that a break misses.
  std::vector<uint8_t> broken(n, 0);
  for (const Problem& p : out) {
    std::string_view text = in.lines[p.line].text;
    if (!mayHoldNumber(text)) continue;
    uint8_t rank = p.kind == ProblemKind::Unreadable ? Walker::kUnreadableLine : Walker::kBrokenStructure;
    bool more = text.size() > col::kAddress && text.find_first_not_of(' ', col::kAddress) != std::string_view::npos;
    if (broken[p.line] == 0 || rank < (broken[p.line] & Walker::kRanks))
      broken[p.line] = static_cast<uint8_t>(rank | (more ? Walker::kHoldsMore : 0));
  }
  Walker walker(in, broken, out);
  walker.addresses();
  for (size_t i = 0; i < n; ++i) codeProblems(in, i, out);
  labelProblems(in.labels, out);
  walker.numbers();
  return out;
}

}  // namespace romlift::fix
