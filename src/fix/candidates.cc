#include "fix/candidates.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "fix/confusion.h"
#include "scanner/rules.h"

namespace romlift::fix {
namespace {

constexpr size_t kLastJoinColumn = 48;  // a split line's second part stood at most here

bool lookAlike(char a, char b) { return a == b || readAs(a).find(b) != std::string_view::npos || readAs(b).find(a) != std::string_view::npos; }

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
      size_t text_at = text.find_first_not_of(' ', kNumberWidth);
      return text_at == std::string_view::npos ? text.size() : text_at;
    }
    default: return text.size();
  }
}

// Lines of the range whose labels or addresses a label problem on line at may be a misreading of.
void relatedLabelLines(const Snapshot& snap, const Problem& p, std::set<size_t>& out) {
  const LineFacts& f = snap.facts().lines[p.line];
  const SegmentLabels* s = snap.index().segment(snap.facts().segmentText(f));
  if (s == nullptr) return;
  ShortText adr;
  for (const auto* list : {&s->table, &s->code, &s->directives})
    for (const Located& l : *list)
      if (l.line == p.line && l.label == p.label) adr = l.adr;
  for (const auto* list : {&s->table, &s->code, &s->directives}) {
    for (const Located& l : *list) {
      if (l.line == p.line) continue;
      if (mayBeMisread(l.label, p.label) || mayBeMisread(l.adr, adr)) {
        out.insert(l.line);
        out.insert(l.owner);
      }
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
    std::string rest = std::string(longer.substr(0, skip)) + std::string(longer.substr(skip + 1));
    if (rest == shorter) return true;
  }
  return false;
}

std::set<size_t> suspectLines(const Snapshot& snap) {
  const std::vector<LineFacts>& lines = snap.facts().lines;
  std::set<size_t> out;
  for (const Problem& p : snap.problems()) {
    out.insert(p.line);
    out.insert(p.blame);
    if (p.kind == ProblemKind::Address || p.kind == ProblemKind::Numbering) out.insert(p.previous);
    if (p.kind == ProblemKind::Structure && lines[p.line].kind == Kind::LabelOnly) {
      for (size_t j = p.line + 1; j < lines.size(); ++j) {
        out.insert(j);
        if (yieldsToken(lines[j])) break;
      }
    }
    if (p.kind == ProblemKind::Label) relatedLabelLines(snap, p, out);
  }
  return out;
}

std::vector<Edit> candidateEdits(const Snapshot& snap, const std::set<size_t>& suspects) {
  const Listing& listing = snap.listing();
  std::set<std::tuple<size_t, size_t, std::vector<std::string>>> seen;
  std::vector<Edit> edits;
  auto add = [&](size_t first, size_t count, std::vector<std::string> lines) {
    if (seen.emplace(first, count, lines).second) edits.push_back({first, count, std::move(lines)});
  };
  for (size_t i : suspects) {
    if (!listing.editable(i)) continue;
    std::string_view text = listing.readLine(i);
    undoSlips(text, proofreadLimit(text, snap.facts().lines[i].kind), [&](std::string&& t) { add(i, 1, {std::move(t)}); });
    undoJoin(text, [&](std::string&& a, std::string&& b) { add(i, 1, {std::move(a), std::move(b)}); });
    auto join = [&](size_t head) {
      std::string_view h = listing.readLine(head), t = listing.readLine(head + 1);
      undoSplit(h, t, 0, kLastJoinColumn, [&](std::string&& s) { add(head, 2, {std::move(s)}); });
    };
    if (i > 0 && listing.editable(i - 1)) join(i - 1);
    if (listing.editable(i + 1)) join(i);
  }
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.first < b.first; });
  return edits;
}

}  // namespace romlift::fix
