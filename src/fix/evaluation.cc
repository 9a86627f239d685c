#include "fix/evaluation.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "scanner/rules.h"

namespace romlift::fix {
namespace {

bool byIdentity(const Problem& a, const Problem& b) { return a.identity() < b.identity(); }

std::vector<Problem> minus(const std::vector<Problem>& a, const std::vector<Problem>& b) {
  std::vector<Problem> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out), byIdentity);
  return out;
}

// Kinds of line whose labels the checks compare.
bool givesLabels(Kind k) { return k == Kind::Table || k == Kind::Equ || k == Kind::Ds || k == Kind::LabelOnly; }

// Kinds of line that change how the lines after them are read, or which section they are in.
bool shapesReading(Kind k) { return k == Kind::Header || k == Kind::PageHeader || k == Kind::Banner; }

bool bannerText(std::string_view text) { return text == kBannerTitle || isBannerStars(text.data(), text.size()); }

// The labels and addresses that code lines give, and the EQU constants, which later DS lines
// may be sized by: to tell whether an edit changes them.
std::multiset<std::tuple<Kind, uint64_t, uint16_t>> labelsOf(const std::vector<LineFacts>& lines, size_t from, size_t to) {
  std::multiset<std::tuple<Kind, uint64_t, uint16_t>> out;
  for (size_t i = from; i < to; ++i) {
    const LineFacts& f = lines[i];
    if ((f.kind == Kind::Code || f.kind == Kind::Equ) && f.label.text[0] != '\0') out.insert({f.kind, f.label.word(), f.value});
  }
  return out;
}

bool wrongAlone(const Problem& p, std::string_view text, const LineFacts& f) {
  if (p.kind == ProblemKind::Column) return true;
  if (p.kind != ProblemKind::Bytes && p.kind != ProblemKind::Form) return false;
  switch (p.verdict) {
    case CodeVerdict::UnknownMnemonic:
    case CodeVerdict::WrongLength:
    case CodeVerdict::BadOperand: return true;
    case CodeVerdict::WrongBytes: return f.kind == Kind::Code && operandNames(fieldsOf(text, f).operand).empty();
    default: return false;
  }
}

}  // namespace

Evaluator::Evaluator(const Snapshot& base) : base_(base) {
  for (const Problem& p : base.problems()) {
    if (p.kind == ProblemKind::Address) {
      breaks_.push_back(p.line);
      breaks_.push_back(p.previous);
    }
    if (p.kind == ProblemKind::Bytes || p.kind == ProblemKind::UnknownName) disputed_.push_back(p.line);
  }
  for (std::vector<size_t>* lines : {&breaks_, &disputed_}) {
    std::sort(lines->begin(), lines->end());
    lines->erase(std::unique(lines->begin(), lines->end()), lines->end());
  }
}

size_t snapshotLine(size_t k, size_t from, const Edit* edit) {
  size_t line = from + k;
  if (edit == nullptr || line < edit->first) return line;
  size_t offset = line - edit->first;
  if (offset < edit->lines.size()) return edit->first + std::min(offset, edit->count - 1);
  return line - edit->lines.size() + edit->count;
}

// The new lines read where they stand, with the two lines after them when one may open a
// banner.
Facts Evaluator::freshFacts(const Edit& edit) const {
  const std::vector<LineRef>& lines = base_.lines();
  std::vector<LineRef> refs;
  for (const std::string& t : edit.lines) refs.push_back({t, true});
  size_t after = edit.first + edit.count;
  refs.back().newline = lines[after - 1].newline;
  if (std::any_of(edit.lines.begin(), edit.lines.end(), [](const std::string& t) { return bannerText(t); }))
    for (size_t k = after; k < lines.size() && k < after + 2; ++k) refs.push_back(lines[k]);
  const LineFacts& at = base_.facts().lines[edit.first];
  Facts fresh = readFacts(refs, edit.first > 0 ? base_.facts().segmentText(base_.facts().lines[edit.first - 1]) : "",
                          at.inTable);
  fresh.lines.resize(edit.lines.size());
  return fresh;
}

bool Evaluator::plausible(const Edit& edit, const Facts& fresh) const {
  std::vector<LineRef> refs;
  for (const std::string& t : edit.lines) refs.push_back({t, true});
  static const Labels kNone;
  Inspected in{refs, fresh, kNone, base_.index(), nullptr, &base_.foreign()};
  for (size_t k = 0; k < edit.lines.size(); ++k) {
    if (fresh.lines[k].kind == Kind::Unreadable) return false;
    // Where a section's first header stands, only a first-page header is the kind expected:
    // another page's header would leave the section unread as before.
    if (edit.count == edit.lines.size() && base_.lines()[edit.first + k].text.starts_with("PAGE ") &&
        looksLikeFirstPage(base_.lines()[edit.first + k].text) && fresh.lines[k].kind != Kind::Header)
      return false;
    std::vector<Problem> problems;
    codeProblems(in, k, problems);
    for (const Problem& p : problems)
      if (wrongAlone(p, refs[k].text, fresh.lines[k])) return false;
  }
  return mayMendLabels(edit, fresh);
}

// True when the edit may change how the lines after it are read, or which section they are in:
// it writes or makes a header or a banner line, other than a header kept as it reads.
bool Evaluator::reshapes(const Edit& edit, const Facts& fresh) const {
  const Facts& base = base_.facts();
  for (size_t i = edit.first; i < edit.first + edit.count; ++i)
    if (bannerText(base_.lines()[i].text)) return true;
  auto kept = [&](const LineFacts& was, const LineFacts& now) {
    if (was.kind != now.kind) return false;
    if (was.kind == Kind::PageHeader) return true;
    return was.kind == Kind::Header && was.headerOk == now.headerOk && was.newPage == now.newPage &&
           std::string_view(base.segmentText(was)) == fresh.segmentText(now);
  };
  bool shaping = false;
  for (size_t i = edit.first; i < edit.first + edit.count; ++i) shaping = shaping || shapesReading(base.lines[i].kind);
  for (const LineFacts& f : fresh.lines) shaping = shaping || shapesReading(f.kind);
  if (!shaping) return false;
  if (edit.count != fresh.lines.size()) return true;
  for (size_t k = 0; k < edit.count; ++k)
    if (!kept(base.lines[edit.first + k], fresh.lines[k])) return true;
  return false;
}

// True when a DS line from `from` to `to` names a constant in its size: an EQU edit may resize it.
bool Evaluator::sizedByName(size_t from, size_t to) const {
  for (size_t i = from; i < to; ++i) {
    if (base_.facts().lines[i].kind != Kind::Ds) continue;
    std::string_view text = base_.lines()[i].text;
    std::string_view operand = text.size() > col::kOperand ? text.substr(col::kOperand) : std::string_view();
    if (!operandNames(operand.substr(0, operand.find(' '))).empty()) return true;
  }
  return false;
}

Evaluator::Scope Evaluator::scopeFor(const Edit& edit, const Facts& fresh) const {
  const std::vector<LineFacts>& lines = base_.facts().lines;
  size_t end = edit.first + edit.count;
  Scope scope;
  scope.sectionFrom = base_.sectionStart(edit.first > 0 ? edit.first - 1 : 0);
  scope.sectionTo = base_.sectionEnd(end - 1);
  scope.labels = labelsOf(lines, edit.first, end) != labelsOf(fresh.lines, 0, fresh.lines.size());
  // A banner is read from three lines: one edited below or in it may make or break it.
  for (size_t i = edit.first >= 2 ? edit.first - 2 : 0; i < edit.first; ++i)
    scope.reread = scope.reread || bannerText(base_.lines()[i].text);
  scope.reread = scope.reread || reshapes(edit, fresh);
  for (size_t i = edit.first; i < end; ++i) scope.labels = scope.labels || givesLabels(lines[i].kind);
  for (const LineFacts& f : fresh.lines) scope.labels = scope.labels || givesLabels(f.kind);
  // EQU constants size the DS lines after them that name one.
  bool constants = std::any_of(lines.begin() + edit.first, lines.begin() + end, [](const LineFacts& f) { return f.kind == Kind::Equ; }) ||
                   std::any_of(fresh.lines.begin(), fresh.lines.end(), [](const LineFacts& f) { return f.kind == Kind::Equ; });
  if (scope.reread || (constants && scope.labels && sizedByName(edit.first, scope.sectionTo))) {
    scope.reread = scope.labels = true;
    scope.from = scope.sectionFrom;
    scope.to = scope.sectionTo;
    return scope;
  }
  // From the code line before to the code line after: what an address or a number follows on from.
  scope.from = edit.first;
  while (scope.from > 0 && lines[scope.from - 1].kind != Kind::Header && lines[scope.from - 1].kind != Kind::Code) --scope.from;
  if (scope.from > 0) --scope.from;
  scope.to = end;
  while (scope.to < lines.size() && lines[scope.to].kind != Kind::Header && lines[scope.to].kind != Kind::Code) ++scope.to;
  if (scope.to < lines.size() && lines[scope.to].kind == Kind::Code) ++scope.to;
  return scope;
}

// The facts of the scope's lines with the edit (or without, for none): the lines it keeps copied
// from the snapshot's, or all read again.
Facts Evaluator::scopeFacts(const Scope& scope, const Edit* edit, const Facts* fresh, std::vector<LineRef>& refs) const {
  const std::vector<LineRef>& lines = base_.lines();
  for (size_t i = scope.from; i < scope.to;) {
    if (edit != nullptr && i == edit->first) {
      for (const std::string& t : edit->lines) refs.push_back({t, true});
      refs.back().newline = lines[i + edit->count - 1].newline;
      i += edit->count;
    } else {
      refs.push_back(lines[i++]);
    }
  }
  const Facts& base = base_.facts();
  if (scope.reread) {
    std::string seg = scope.from > 0 ? base.segmentText(base.lines[scope.from - 1]) : "";
    return readFacts(refs, seg, base.lines[scope.from].inTable);
  }
  Facts f;
  f.segments = base.segments;
  f.lines.reserve(refs.size());
  auto copy = [&f](LineFacts line, const Facts& from) {
    uint32_t first = static_cast<uint32_t>(f.entries.size());
    f.entries.insert(f.entries.end(), from.entries.begin() + line.firstEntry, from.entries.begin() + line.endEntry);
    line.firstEntry = first;
    line.endEntry = static_cast<uint32_t>(f.entries.size());
    f.lines.push_back(line);
  };
  size_t first = edit != nullptr ? edit->first : scope.to;
  for (size_t i = scope.from; i < first; ++i) copy(base.lines[i], base);
  if (edit == nullptr) return f;
  for (LineFacts line : fresh->lines) {
    line.segment = base.lines[edit->first].segment;
    copy(line, *fresh);
  }
  for (size_t i = edit->first + edit->count; i < scope.to; ++i) copy(base.lines[i], base);
  return f;
}

// The labels of the scope's section with the edit (or without), at the snapshot's lines; lines
// of other sections that share a range are kOutside.
Evaluator::Labels Evaluator::sectionLabels(const Scope& scope, const Edit* edit, const Facts* fresh) const {
  const Facts& base = base_.facts();
  Labels labels;
  std::vector<Located> pending;
  size_t first = edit != nullptr ? edit->first : scope.sectionTo;
  collectLabels(base, scope.sectionFrom, first, labels, pending);
  if (edit != nullptr) {
    collectLabels(*fresh, 0, fresh->lines.size(), labels, pending, edit->first, edit->first + edit->count - 1);
    collectLabels(base, edit->first + edit->count, scope.sectionTo, labels, pending);
  }
  for (size_t i = scope.sectionFrom; i < scope.sectionTo; ++i)
    if (i == scope.sectionFrom || base.lines[i].segment != base.lines[i - 1].segment)  // runs of lines share one
      labels[base.segmentText(base.lines[i])];
  for (auto& [seg, segment] : labels) {
    SegmentLabels& s = segment;  // a plain reference: clang 14 lambdas do not capture bindings
    if (const SegmentLabels* whole = base_.index().segment(seg)) {
      auto add = [&](const std::vector<Located>& from, std::vector<Located>& to) {
        for (const Located& l : from) {
          if (l.line != kOutside && l.line >= scope.sectionFrom && l.line < scope.sectionTo) continue;
          to.push_back({l.label, l.adr, kOutside, kOutside});
          s.give(l.label, verify::hexAddress(l.adr));
        }
      };
      add(whole->table, s.table);
      add(whole->code, s.code);
      add(whole->directives, s.directives);
    }
    s.seal();
  }
  return labels;
}

// The problems of the scope's lines, at the snapshot's lines. The labels give the operands'
// values; a scope read again gets them, and its label problems, from what it reads.
std::vector<Problem> Evaluator::scopeProblems(const Scope& scope, const Edit* edit, const Facts* fresh,
                                              const Labels& given, Labels* read) const {
  std::vector<LineRef> refs;
  Facts facts = scopeFacts(scope, edit, fresh, refs);
  static const Labels kNone;
  const Labels* labels = &given;
  if (scope.reread) {
    std::vector<Located> pending;
    collectLabels(facts, 0, facts.lines.size(), *read, pending);
    for (auto& [seg, s] : *read) s.seal();
    labels = read;
  }
  std::vector<Problem> problems =
      inspect({refs, facts, scope.reread ? *labels : kNone, base_.index(), scope.labels ? labels : nullptr,
               &base_.foreign()});
  for (Problem& p : problems) {
    p.line = snapshotLine(p.line, scope.from, edit);
    p.blame = snapshotLine(p.blame, scope.from, edit);
    p.previous = snapshotLine(p.previous, scope.from, edit);
  }
  if (scope.labels && !scope.reread) labelProblems(*labels, problems);
  return problems;
}

const Evaluator::Before& Evaluator::before(const Scope& scope) {
  auto key = std::make_tuple(scope.from, scope.to, scope.labels ? scope.sectionFrom : 0,
                             scope.labels ? scope.sectionTo : 0, scope.reread);
  auto it = before_.find(key);
  if (it != before_.end()) return it->second;
  Before b;
  if (scope.labels && !scope.reread) {
    // One copy of a section's labels for all the windows in it.
    std::shared_ptr<const Labels>& labels = labelsBefore_[{scope.sectionFrom, scope.sectionTo}];
    if (!labels) labels = std::make_shared<const Labels>(sectionLabels(scope, nullptr, nullptr));
    b.labels = labels;
    b.problems = scopeProblems(scope, nullptr, nullptr, *labels, nullptr);
  } else {
    auto read = std::make_shared<Labels>();
    b.problems = scopeProblems(scope, nullptr, nullptr, *read, read.get());
    b.labels = std::move(read);
  }
  return before_.emplace(key, std::move(b)).first->second;
}

// Code lines outside the scope whose operands name a label that the edit gives another value.
void Evaluator::remoteProblems(const Scope& scope, const Labels& was, const Labels& is, std::vector<Problem>& before,
                               std::vector<Problem>& after) const {
  std::map<uint64_t, std::set<std::string_view>> changed;  // the names, and the ranges they change in
  auto compare = [&](const Labels& a, const Labels& b) {
    static const SegmentLabels kEmpty;
    for (const auto& [seg, s] : a) {
      auto other = b.find(seg);
      const SegmentLabels& t = other == b.end() ? kEmpty : other->second;
      std::vector<std::pair<uint64_t, uint16_t>> differ;
      std::set_symmetric_difference(s.values.begin(), s.values.end(), t.values.begin(), t.values.end(),
                                    std::back_inserter(differ));
      for (const auto& d : differ) changed[d.first].insert(seg);
    }
  };
  compare(was, is);
  compare(is, was);
  // A use in a range that defines the name itself, elsewhere than where it changes, keeps its value.
  const Facts& facts = base_.facts();
  std::map<int, const SegmentLabels*> ownLabels;
  std::set<size_t> users;
  for (const auto& [name, ranges] : changed)
    for (size_t u : base_.index().users(name)) {
      if (u >= scope.from && u < scope.to) continue;
      int id = facts.lines[u].segment;
      auto own = ownLabels.find(id);
      if (own == ownLabels.end()) own = ownLabels.emplace(id, base_.index().segment(facts.segmentText(facts.lines[u]))).first;
      if (ranges.count(facts.segmentText(facts.lines[u])) || own->second == nullptr || !own->second->defines(name))
        users.insert(u);
    }
  static const Labels kNone;
  for (size_t u : users) {
    codeProblems({base_.lines(), base_.facts(), kNone, base_.index(), &was, &base_.foreign()}, u, before);
    codeProblems({base_.lines(), base_.facts(), kNone, base_.index(), &is, &base_.foreign()}, u, after);
  }
}

// The labels of the symbol-table entries that the edit changes, before and after it; all of
// them when it changes how many entries a line has.
std::set<uint64_t> Evaluator::changedEntries(const Edit& edit, const Facts& fresh) const {
  const Facts& base = base_.facts();
  std::vector<TableEntry> was, now;
  for (size_t i = edit.first; i < edit.first + edit.count; ++i)
    was.insert(was.end(), base.entries.begin() + base.lines[i].firstEntry, base.entries.begin() + base.lines[i].endEntry);
  for (const LineFacts& f : fresh.lines)
    now.insert(now.end(), fresh.entries.begin() + f.firstEntry, fresh.entries.begin() + f.endEntry);
  std::set<uint64_t> out;
  for (size_t k = 0; k < std::max(was.size(), now.size()); ++k) {
    bool same = was.size() == now.size() && was[k].label == now[k].label && was[k].adr == now[k].adr;
    if (same) continue;
    if (k < was.size()) out.insert(was[k].label.word());
    if (k < now.size()) out.insert(now[k].label.word());
  }
  return out;
}

Evaluator::Comparison Evaluator::compare(const Edit& edit, const Facts& fresh) {
  Scope scope = scopeFor(edit, fresh);
  const Before& b = before(scope);
  Comparison c;
  c.was = b.problems;
  Labels labels;
  if (scope.labels && !scope.reread) labels = sectionLabels(scope, &edit, &fresh);
  c.is = scopeProblems(scope, &edit, &fresh, labels, &labels);
  if (scope.labels) remoteProblems(scope, *b.labels, labels, c.was, c.is);
  std::sort(c.was.begin(), c.was.end(), byIdentity);
  std::sort(c.is.begin(), c.is.end(), byIdentity);
  c.resolved = minus(c.was, c.is);
  for (const Problem& p : c.was)
    if (p.kind == ProblemKind::Unreadable || p.kind == ProblemKind::Structure) c.broken.insert(p.line);
  return c;
}

bool Evaluator::consistent(const Edit& edit, const Facts& fresh, const Comparison& c) const {
  auto written = [&](size_t line) { return line >= edit.first && line < edit.first + edit.count; };
  // No new problem, but a break now blamed on a line broken already: what that line holds was
  // missing all along, and a good edit may only show it.
  for (const Problem& p : minus(c.is, c.was)) {
    bool shown = (p.kind == ProblemKind::Address || p.kind == ProblemKind::Numbering) && c.broken.count(p.blame) &&
                 !written(p.blame);
    if (!shown) return false;
  }
  // The edited lines must come out consistent: nothing is blamed on them any more, and what
  // was blamed on them is gone, or now blamed on another line that was broken already.
  // On a symbol-table line, only the entries the edit changes are its own.
  std::set<uint64_t> entries = changedEntries(edit, fresh);
  auto onEdit = [&](const Problem& p) {
    if (!written(p.blame)) return false;
    bool entry = p.kind == ProblemKind::Label && base_.facts().lines[p.line].kind == Kind::Table;
    return !entry || entries.count(p.label.word());
  };
  // A break before a line whose number or address the edit keeps is no problem of the edit:
  // it counts from the lines before.
  auto keptBreak = [&](const Problem& p) {
    if (edit.count != 1 || fresh.lines.size() != 1 || p.line != edit.first) return false;
    const LineFacts& was = base_.facts().lines[edit.first];
    const LineFacts& now = fresh.lines[0];
    if (p.kind == ProblemKind::Numbering) return was.number == now.number;
    return p.kind == ProblemKind::Address && was.kind == now.kind && was.value == now.value;
  };
  if (std::any_of(c.is.begin(), c.is.end(), [&](const Problem& p) { return onEdit(p) && !keptBreak(p); })) return false;
  // A break blamed on a broken line elsewhere is that line's to mend: an edit that closes it
  // otherwise would hide what the broken line holds.
  for (const Problem& p : c.resolved)
    if ((p.kind == ProblemKind::Address || p.kind == ProblemKind::Numbering) && p.blame != p.line && !onEdit(p) &&
        c.broken.count(p.blame))
      return false;
  for (const Problem& p : c.was) {
    if (!onEdit(p) || keptBreak(p)) continue;
    auto still = std::lower_bound(c.is.begin(), c.is.end(), p, byIdentity);
    if (still != c.is.end() && still->identity() == p.identity() && !c.broken.count(still->blame)) return false;
  }
  return true;
}

// The END line gives the address after the section's last line, which the breaks do not look
// at: an edit must not make the line before it stop following on to it.
bool Evaluator::leavesEnd(const Edit& edit, const Facts& fresh) const {
  if (edit.count != 1 || fresh.lines.size() != 1) return false;
  const Facts& base = base_.facts();
  auto passedOver = [](Kind k) {
    return k == Kind::Empty || k == Kind::Blank || k == Kind::PageHeader || k == Kind::Comment ||
           k == Kind::NumberedEmpty || k == Kind::LabelOnly || k == Kind::Equ;
  };
  size_t next = edit.first + 1;
  while (next < base.lines.size() && passedOver(base.lines[next].kind)) ++next;
  if (next == base.lines.size() || base.lines[next].kind != Kind::End) return false;
  std::optional<uint16_t> end = printedAddress(base_.lines()[next].text);
  auto reaches = [&](const LineFacts& f) {
    int size = f.kind == Kind::Code ? f.bytes : f.kind == Kind::Ds ? f.dsSize : -1;
    return size >= 0 && end && static_cast<uint16_t>(f.value + size) == *end;
  };
  return reaches(base.lines[edit.first]) && !reaches(fresh.lines[0]);
}

bool Evaluator::closesBreakInDoubt(const Edit& edit, const Comparison& c) const {
  // An address that the edit writes must follow on from the line before it too: checked from
  // the line after alone, it may only make room for a line that was lost.
  bool rewritesAddress = edit.count == 1 && edit.lines.size() == 1 &&
                         edit.lines[0].substr(0, col::kObject) != base_.lines()[edit.first].text.substr(0, col::kObject);
  auto breakHere = [&](const Problem& p) { return p.kind == ProblemKind::Address && p.line == edit.first; };
  if (rewritesAddress && std::any_of(c.is.begin(), c.is.end(), breakHere)) return true;
  // A break in the addresses that the edit closes where a numbered line is still missing
  // between the two lines: the missing line may hold the missing bytes.
  auto stillMissing = [&](const Problem& r) {
    return r.kind == ProblemKind::Address && std::any_of(c.is.begin(), c.is.end(), [&](const Problem& p) {
             return p.kind == ProblemKind::Numbering && p.line > r.previous && p.line <= r.line;
           });
  };
  return std::any_of(c.resolved.begin(), c.resolved.end(), stillMissing);
}

std::optional<Verdict> Evaluator::judge(const Edit& edit) {
  Facts fresh = freshFacts(edit);
  if (!plausible(edit, fresh)) return std::nullopt;
  Comparison c = compare(edit, fresh);
  if (c.resolved.empty() || !consistent(edit, fresh, c)) return std::nullopt;
  bool doubtful = closesBreakInDoubt(edit, c) || leavesEnd(edit, fresh) || keepsUnknownNames(edit, fresh) || disputesName(edit, c.resolved) ||
                  leansOnUnconfirmed(edit, fresh) || followsBrokenAddress(edit, fresh) ||
                  respellsWithoutWitness(edit, fresh) || mayBeCutShort(edit, fresh) ||
                  rewritesUnjudged(edit, fresh) || bendsOperandToCode(edit, fresh) ||
                  joinsANumberedLine(edit);
  return Verdict{std::move(c.resolved), doubtful};
}

}  // namespace romlift::fix
