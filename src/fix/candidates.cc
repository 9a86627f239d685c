#include "fix/candidates.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string_view>
#include <tuple>
#include <utility>

#include "fix/code_line.h"
#include "fix/completion.h"
#include "fix/confusion.h"
#include "scanner/rules.h"

namespace romlift::fix {
namespace {

constexpr size_t kLastJoinColumn = 48;  // a split line's second part stood at most here

bool lookAlike(char a, char b) {
  return a == b || readAs(a).find(b) != std::string_view::npos || readAs(b).find(a) != std::string_view::npos;
}

// How far a line's characters are proofread: up to its comment, if it has one.
size_t proofreadLimit(std::string_view text, Kind kind) {
  switch (kind) {
    case Kind::Code:
    case Kind::Equ:
    case Kind::Ds:
    case Kind::Org:
    case Kind::End:
    case Kind::NumberedEmpty: return col::kComment;
    case Kind::Comment: {
      size_t at = text.find_first_not_of(' ', kNumberWidth);
      return at == std::string_view::npos ? text.size() : at;
    }
    default: return text.size();
  }
}

// The columns of a symbol-table line's entries that give one of labels, with the blanks around
// them; empty when none does.
std::pair<size_t, size_t> entryColumns(const Snapshot& snap, const LineFacts& f, const std::vector<ShortText>& labels) {
  size_t from = SIZE_MAX, to = 0;
  for (uint32_t e = f.firstEntry; e < f.endEntry; ++e) {
    const TableEntry& entry = snap.facts().entries[e];
    if (std::find(labels.begin(), labels.end(), entry.label) == labels.end()) continue;
    from = std::min<size_t>(from, entry.column > 0 ? entry.column - 1 : 0);
    to = std::max<size_t>(to, entry.column + kSymbolEntryWidth + 1);
  }
  return from < to ? std::make_pair(from, to) : std::make_pair(size_t{0}, size_t{0});
}

// The columns of line i to proofread. A symbol-table line is proofread whole only when its
// layout is broken, else in the entries of the labels that problems name.
std::pair<size_t, size_t> proofread(const Snapshot& snap, size_t i, const Suspect& s, const std::vector<const Problem*>& own) {
  const LineFacts& f = snap.facts().lines[i];
  std::string_view text = snap.lines()[i].text;
  if (f.kind == Kind::Table) {
    std::vector<ShortText> labels = s.labels;
    for (const Problem* p : own) {
      if (p->kind != ProblemKind::Label) return {0, text.size()};
      labels.push_back(p->label);
    }
    return entryColumns(snap, f, labels);
  }
  if (s.whole) return {0, proofreadLimit(text, f.kind)};
  return {col::kLabel, std::min(text.size(), col::kLabel + kMaxLabel + 1)};
}

// The lines of the other side (the symbol tables against the code, EQU and DS lines) that give
// the problem's label or a misreading of it, at its address or at a misreading of that: one
// slip on either side may be the damage.
void relatedLabelLines(const Snapshot& snap, const Problem& p, std::map<size_t, Suspect>& out) {
  const LineFacts& f = snap.facts().lines[p.line];
  const SegmentLabels* s = snap.index().segment(snap.facts().segmentText(f));
  if (s == nullptr) return;
  bool fromTable = f.kind == Kind::Table;
  ShortText adr;
  for (const auto* list : {&s->table, &s->code, &s->directives})
    for (const Located& l : *list)
      if (l.line == p.line && l.label == p.label) adr = l.adr;
  auto relate = [&](const Located& l) {
    bool sameLabel = l.label == p.label, sameAdr = l.adr == adr;
    if ((sameLabel && (sameAdr || mayBeMisread(l.adr, adr))) || (sameAdr && mayBeMisread(l.label, p.label)) ||
        (sameLabel && !fromTable)) {
      out[l.line].labels.push_back(l.label);
      out[l.owner].labels.push_back(l.label);
    }
  };
  if (fromTable) {
    for (const Located& l : s->code) relate(l);
    for (const Located& l : s->directives) relate(l);
  } else {
    for (const Located& l : s->table) relate(l);
  }
}

// For a code line whose operand's value is unknown or gives other bytes: the lines that define
// the names it uses (any of their fields may be misread), and those that define a name the
// operand's may be a misreading of (in their labels). Those of the line's own range, if it has
// any: the operand takes its value from the other ranges only when its own defines no such name.
void misreadDefiners(const Snapshot& snap, const Problem& p, std::map<size_t, Suspect>& out) {
  const Facts& facts = snap.facts();
  const LineFacts& f = facts.lines[p.line];
  if (f.kind != Kind::Code) return;
  struct Found {
    size_t line;
    ShortText label;
    bool same;  // the name as the operand spells it
  };
  for (std::string_view name : operandNames(fieldsOf(snap.lines()[p.line].text, f).operand)) {
    ShortText used(std::string(name).c_str());
    std::vector<Found> found;
    for (const auto& [defined, lines] : snap.index().definers()) {
      ShortText label;
      std::memcpy(label.text, &defined, sizeof defined);
      bool same = label == used;
      if (!same && !mayBeMisread(used, label)) continue;
      for (size_t line : lines) found.push_back({line, label, same});
    }
    std::string_view own = facts.segmentText(f);
    bool local = std::any_of(found.begin(), found.end(), [&](const Found& d) { return facts.segmentText(facts.lines[d.line]) == own; });
    for (const Found& d : found) {
      if (local && facts.segmentText(facts.lines[d.line]) != own) continue;
      if (d.same)
        out[d.line].whole = true;
      else
        out[d.line].labels.push_back(d.label);
    }
  }
}

}  // namespace

bool mayBeMisread(const ShortText& a, const ShortText& b) {
  size_t la = std::strlen(a.text), lb = std::strlen(b.text);
  if (la == lb) {
    for (size_t i = 0; i < la; ++i)
      if (!lookAlike(a.text[i], b.text[i])) return false;
    return la > 0;
  }
  if (la + 1 != lb && lb + 1 != la) return false;
  std::string_view longer = la > lb ? a.text : b.text, shorter = la > lb ? b.text : a.text;
  for (size_t skip = 0; skip < longer.size(); ++skip) {
    if (!isStrayMark(longer[skip])) continue;
    std::string rest = std::string(longer.substr(0, skip)) + std::string(longer.substr(skip + 1));
    if (rest == shorter) return true;
  }
  return false;
}

std::map<size_t, Suspect> suspectLines(const Snapshot& snap) {
  const std::vector<LineFacts>& lines = snap.facts().lines;
  std::map<size_t, Suspect> out;
  for (const Problem& p : snap.problems()) {
    if (!makesPlace(p.kind)) continue;
    out[p.line].whole = out[p.blame].whole = true;
    if (p.kind == ProblemKind::Address || p.kind == ProblemKind::Numbering) out[p.previous].whole = true;
    if (p.kind == ProblemKind::Structure && lines[p.line].kind == Kind::LabelOnly) {
      for (size_t j = p.line + 1; j < lines.size(); ++j) {
        out[j].whole = true;
        if (yieldsToken(lines[j])) break;
      }
    }
    if (p.kind == ProblemKind::Label) relatedLabelLines(snap, p, out);
    if (p.kind == ProblemKind::UnknownName || p.kind == ProblemKind::Bytes) misreadDefiners(snap, p, out);
  }
  return out;
}

std::vector<Edit> candidateEdits(const Snapshot& snap, const std::map<size_t, Suspect>& suspects) {
  const Listing& listing = snap.listing();
  std::set<std::tuple<size_t, size_t, std::vector<std::string>>> seen;
  std::vector<Edit> edits;
  auto add = [&](size_t first, size_t count, std::vector<std::string> lines) {
    if (seen.emplace(first, count, lines).second) edits.push_back({first, count, std::move(lines)});
  };
  std::map<size_t, std::vector<const Problem*>> onLine;
  for (const Problem& p : snap.problems()) onLine[p.line].push_back(&p);
  // The second part of a split line fits no layout, or is read as entries in a symbol table.
  auto join = [&](size_t head) {
    Kind tail = snap.facts().lines[head + 1].kind;
    if (tail != Kind::Unreadable && tail != Kind::Table) return;
    // A blank line is no part of a split line: joined, it would vanish from the listing.
    if (listing.readLine(head + 1).find_first_not_of(" \t\r") == std::string_view::npos) return;
    undoSplit(listing.readLine(head), listing.readLine(head + 1), 0, kLastJoinColumn,
              [&](std::string&& s) { add(head, 2, {std::move(s)}); });
  };
  for (const auto& entry : suspects) {
    size_t i = entry.first;  // a plain variable: clang 14 lambdas do not capture bindings
    const Suspect& suspect = entry.second;
    if (!listing.editable(i)) continue;
    std::string_view text = listing.readLine(i);
    auto [from, to] = proofread(snap, i, suspect, onLine[i]);
    undoSlips(text, from, to, [&](std::string&& t) { add(i, 1, {std::move(t)}); });
    if (!suspect.whole) continue;
    completeCut(snap, i, [&](std::string&& t) { add(i, 1, {std::move(t)}); });
    deriveObjectCode(snap, i, [&](std::string&& t) { add(i, 1, {std::move(t)}); });
    undoJoin(text, [&](std::string&& a, std::string&& b) { add(i, 1, {std::move(a), std::move(b)}); });
    if (i > 0 && listing.editable(i - 1)) join(i - 1);
    if (listing.editable(i + 1)) join(i);
  }
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.first < b.first; });
  return edits;
}

}  // namespace romlift::fix
