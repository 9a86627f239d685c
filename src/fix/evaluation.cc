#include "fix/evaluation.h"

#include <algorithm>
#include <set>

namespace romlift::fix {
namespace {

constexpr size_t kOutside = static_cast<size_t>(-1);  // a label line outside the range looked at
constexpr size_t kBannerLookahead = 2;                // a banner's first line needs the next two

bool byIdentity(const Problem& a, const Problem& b) { return a.identity() < b.identity(); }

std::vector<Problem> minus(const std::vector<Problem>& a, const std::vector<Problem>& b) {
  std::vector<Problem> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out), byIdentity);
  return out;
}

// Kinds of line that change the labels, the sections or the symbol tables.
bool shapesSections(Kind k) {
  return k == Kind::Header || k == Kind::PageHeader || k == Kind::Banner || k == Kind::Table || k == Kind::Equ ||
         k == Kind::Ds || k == Kind::LabelOnly;
}

// The labels and addresses that code lines give, to tell whether an edit changes them.
std::multiset<std::pair<uint64_t, uint16_t>> codeLabels(const std::vector<LineFacts>& lines, size_t from, size_t to) {
  std::multiset<std::pair<uint64_t, uint16_t>> out;
  for (size_t i = from; i < to; ++i)
    if (lines[i].kind == Kind::Code && lines[i].label.text[0] != '\0') out.insert({lines[i].label.word(), lines[i].value});
  return out;
}

bool wrongAlone(const Problem& p, std::string_view text, const LineFacts& f) {
  if (p.kind == ProblemKind::Column) return true;
  if (p.kind != ProblemKind::Bytes) return false;
  switch (p.verdict) {
    case CodeVerdict::UnknownMnemonic:
    case CodeVerdict::WrongLength:
    case CodeVerdict::BadOperand: return true;
    case CodeVerdict::WrongBytes: return f.kind == Kind::Code && operandNames(fieldsOf(text, f).operand).empty();
    default: return false;
  }
}

}  // namespace

size_t snapshotLine(size_t k, size_t from, const Edit* edit) {
  size_t line = from + k;
  if (edit == nullptr || line < edit->first) return line;
  size_t offset = line - edit->first;
  if (offset < edit->lines.size()) return edit->first + std::min(offset, edit->count - 1);
  return line - edit->lines.size() + edit->count;
}

bool Evaluator::plausible(const Edit& edit) const {
  const std::vector<LineRef>& lines = base_.lines();
  std::vector<LineRef> refs;
  for (const std::string& t : edit.lines) refs.push_back({t, true});
  size_t after = edit.first + edit.count;
  refs.back().newline = lines[after - 1].newline;
  for (size_t k = after; k < lines.size() && k < after + kBannerLookahead; ++k) refs.push_back(lines[k]);
  std::string seg = edit.first > 0 ? base_.facts().segmentText(base_.facts().lines[edit.first - 1]) : "";
  Facts facts = readFacts(refs, seg, base_.facts().lines[edit.first].inTable);
  std::map<std::string, SegmentLabels> none;
  Inspected in{refs, facts, none, base_.index(), nullptr};
  for (size_t k = 0; k < edit.lines.size(); ++k) {
    if (facts.lines[k].kind == Kind::Unreadable) return false;
    std::vector<Problem> problems;
    codeProblems(in, k, problems);
    for (const Problem& p : problems)
      if (wrongAlone(p, refs[k].text, facts.lines[k])) return false;
  }
  return true;
}

Evaluator::Range Evaluator::rangeFor(const Edit& edit) const {
  const std::vector<LineFacts>& lines = base_.facts().lines;
  size_t end = edit.first + edit.count;
  std::vector<LineRef> refs;
  for (const std::string& t : edit.lines) refs.push_back({t, true});
  Facts fresh = readFacts(refs, "", lines[edit.first].inTable);
  bool neutral = codeLabels(lines, edit.first, end) == codeLabels(fresh.lines, 0, fresh.lines.size());
  for (size_t i = edit.first; i < end; ++i) neutral = neutral && !shapesSections(lines[i].kind);
  for (const LineFacts& f : fresh.lines) neutral = neutral && !shapesSections(f.kind);
  if (!neutral)
    return {base_.sectionStart(edit.first > 0 ? edit.first - 1 : 0), base_.sectionEnd(end - 1), true};
  // Nothing but code lines and what lies between them: from the code line before to the one after.
  size_t from = edit.first;
  while (from > 0 && lines[from - 1].kind != Kind::Header && lines[from - 1].kind != Kind::Code) --from;
  if (from > 0) --from;
  size_t to = end;
  while (to < lines.size() && lines[to].kind != Kind::Header && lines[to].kind != Kind::Code) ++to;
  if (to < lines.size() && lines[to].kind == Kind::Code) ++to;
  return {from, to, false};
}

Evaluator::Inspection Evaluator::inspectRange(const Range& range, const Edit* edit) const {
  const std::vector<LineRef>& lines = base_.lines();
  std::vector<LineRef> refs;
  for (size_t i = range.from; i < range.to;) {
    if (edit != nullptr && i == edit->first) {
      for (const std::string& t : edit->lines) refs.push_back({t, true});
      refs.back().newline = lines[i + edit->count - 1].newline;
      i += edit->count;
    } else {
      refs.push_back(lines[i++]);
    }
  }
  const std::vector<LineFacts>& base = base_.facts().lines;
  std::string seg = range.from > 0 ? base_.facts().segmentText(base[range.from - 1]) : "";
  Facts facts = readFacts(refs, seg, base[range.from].inTable);
  Inspection out;
  if (range.labels) {
    std::vector<Located> pending;
    collectLabels(facts, 0, facts.lines.size(), out.labels, pending);
    mergeOutside(range, out.labels);
  }
  std::map<std::string, SegmentLabels> none;
  out.problems = inspect({refs, facts, range.labels ? out.labels : none, base_.index(),
                          range.labels ? &out.labels : nullptr});
  for (Problem& p : out.problems) {
    p.line = snapshotLine(p.line, range.from, edit);
    p.blame = snapshotLine(p.blame, range.from, edit);
  }
  return out;
}

// The labels of lines outside the range that share a range text with lines inside it.
void Evaluator::mergeOutside(const Range& range, std::map<std::string, SegmentLabels>& labels) const {
  const Facts& facts = base_.facts();
  for (size_t i = range.from; i < range.to; ++i) labels[facts.segmentText(facts.lines[i])];
  for (auto& [seg, s] : labels) {
    const SegmentLabels* whole = base_.index().segment(seg);
    if (whole == nullptr) continue;
    auto add = [&](const std::vector<Located>& from, std::vector<Located>& to) {
      for (const Located& l : from) {
        if (l.line >= range.from && l.line < range.to) continue;
        to.push_back({l.label, l.adr, kOutside, kOutside});
        s.give(l.label, hexAddress(l.adr));
      }
    };
    add(whole->table, s.table);
    add(whole->code, s.code);
    add(whole->directives, s.directives);
  }
}

// Code lines elsewhere whose operands name a label that the edit defines another way.
void Evaluator::remoteProblems(const Range& range, const Inspection& before, const Inspection& after,
                               std::vector<Problem>& was, std::vector<Problem>& is) const {
  std::set<std::string> changed;
  auto compare = [&](const std::map<std::string, SegmentLabels>& a, const std::map<std::string, SegmentLabels>& b) {
    for (const auto& [seg, s] : a) {
      auto other = b.find(seg);
      for (const auto& [name, values] : s.values) {
        if (other == b.end() || !other->second.values.count(name) || other->second.values.at(name) != values)
          changed.insert(name);
      }
    }
  };
  compare(before.labels, after.labels);
  compare(after.labels, before.labels);
  std::map<std::string, SegmentLabels> none;
  std::set<size_t> users;
  for (const std::string& name : changed)
    for (size_t u : base_.index().users(name))
      if (u < range.from || u >= range.to) users.insert(u);
  for (size_t u : users) {
    codeProblems({base_.lines(), base_.facts(), none, base_.index(), &before.labels}, u, was);
    codeProblems({base_.lines(), base_.facts(), none, base_.index(), &after.labels}, u, is);
  }
}

std::optional<std::vector<Problem>> Evaluator::judge(const Edit& edit) {
  if (!plausible(edit)) return std::nullopt;
  Range range = rangeFor(edit);
  auto key = std::make_pair(range.from, range.to * 2 + (range.labels ? 1 : 0));
  auto cached = before_.find(key);
  if (cached == before_.end()) cached = before_.emplace(key, inspectRange(range, nullptr)).first;
  Inspection after = inspectRange(range, &edit);
  std::vector<Problem> was = cached->second.problems, is = after.problems;
  if (range.labels) remoteProblems(range, cached->second, after, was, is);
  std::sort(was.begin(), was.end(), byIdentity);
  std::sort(is.begin(), is.end(), byIdentity);
  std::vector<Problem> resolved = minus(was, is);
  if (resolved.empty() || !minus(is, was).empty()) return std::nullopt;
  // The edited lines must come out consistent: nothing is blamed on them any more, and what
  // was blamed on them is gone, or now blamed on another line that was broken already.
  auto onEdit = [&](const Problem& p) { return p.blame >= edit.first && p.blame < edit.first + edit.count; };
  if (std::any_of(is.begin(), is.end(), onEdit)) return std::nullopt;
  std::set<size_t> broken;
  for (const Problem& p : was)
    if (p.kind == ProblemKind::Unreadable || p.kind == ProblemKind::Structure) broken.insert(p.line);
  for (const Problem& p : was) {
    if (!onEdit(p)) continue;
    auto still = std::lower_bound(is.begin(), is.end(), p, byIdentity);
    if (still != is.end() && still->identity() == p.identity() && !broken.count(still->blame)) return std::nullopt;
  }
  return resolved;
}

}  // namespace romlift::fix
