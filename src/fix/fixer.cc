#include "fix/fixer.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "fix/candidates.h"
#include "fix/evaluation.h"
#include "reading/reader.h"

namespace romlift::fix {
namespace {

constexpr int kMaxPasses = 12;

// An edit as the input lines it replaces and what it writes: the same across passes.
std::string vetoKey(const Snapshot& snap, const Edit& e) {
  std::string key = std::to_string(snap.listing().line(e.first).origin) + ':' + std::to_string(e.count);
  for (const std::string& l : e.lines) key += '\n' + l;
  return key;
}

struct Good {
  Edit edit;
  Verdict verdict;
};

// Groups of good edits that take away the same problem or write the same lines: a group of
// one is a correction, a larger one an ambiguity.
std::vector<std::vector<size_t>> conflictGroups(const std::vector<Good>& goods) {
  std::vector<size_t> parent(goods.size());
  std::iota(parent.begin(), parent.end(), 0);
  auto root = [&](size_t x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
  };
  std::map<std::tuple<ProblemKind, size_t, uint64_t>, size_t> byProblem;
  std::map<size_t, size_t> byLine;
  for (size_t g = 0; g < goods.size(); ++g) {
    for (const Problem& p : goods[g].verdict.resolved) {
      auto [it, fresh] = byProblem.emplace(p.identity(), g);
      if (!fresh) parent[root(g)] = root(it->second);
    }
    const Edit& e = goods[g].edit;
    for (size_t line = e.first; line < e.first + e.count; ++line) {
      auto [it, fresh] = byLine.emplace(line, g);
      if (!fresh) parent[root(g)] = root(it->second);
    }
  }
  std::map<size_t, std::vector<size_t>> groups;
  for (size_t g = 0; g < goods.size(); ++g) groups[root(g)].push_back(g);
  std::vector<std::vector<size_t>> out;
  for (auto& [r, members] : groups) out.push_back(std::move(members));
  return out;
}

// The one edit of a group that takes away every problem that any other of the group takes
// away, and one more that a check reports: the others leave that check unsatisfied. Nothing when
// there is no such edit, and then the group's edits are equally good.
std::optional<size_t> strictlyBest(const std::vector<Good>& goods, const std::vector<size_t>& group) {
  using Id = std::tuple<ProblemKind, size_t, uint64_t>;
  auto identities = [&](size_t g) {
    std::map<Id, bool> ids;  // and whether a check reports the problem
    for (const Problem& p : goods[g].verdict.resolved) ids[p.identity()] = isReported(p.kind);
    return ids;
  };
  std::optional<size_t> best;
  for (size_t c : group) {
    auto mine = identities(c);
    bool beatsAll = std::all_of(group.begin(), group.end(), [&](size_t o) {
      if (o == c) return true;
      auto theirs = identities(o);
      bool covers = std::all_of(theirs.begin(), theirs.end(), [&](const auto& id) { return mine.count(id.first) != 0; });
      return covers && std::any_of(mine.begin(), mine.end(), [&](const auto& id) { return id.second && !theirs.count(id.first); });
    });
    if (beatsAll) best = c;
  }
  return best;
}

struct Selection {
  std::vector<Edit> edits;
  std::vector<Ambiguity> ambiguities;
};

// The good edits on suspect lines of the regions to look at, told apart into corrections and
// ambiguities.
Selection select(const Snapshot& snap, const std::set<std::string>& vetoed, const std::vector<bool>& look,
                 const std::set<size_t>& doubted) {
  Evaluator evaluator(snap);
  std::vector<Good> goods;
  std::map<size_t, Suspect> suspects = suspectLines(snap);
  std::erase_if(suspects, [&](const auto& s) { return !look[s.first] || doubted.count(snap.listing().line(s.first).origin); });
  for (Edit& e : candidateEdits(snap, suspects)) {
    if (vetoed.count(vetoKey(snap, e))) continue;
    if (auto verdict = evaluator.judge(e)) goods.push_back({std::move(e), std::move(*verdict)});
  }
  Selection out;
  for (const std::vector<size_t>& group : conflictGroups(goods)) {
    std::optional<size_t> best = strictlyBest(goods, group);
    if (best) {
      if (!goods[*best].verdict.doubtful) out.edits.push_back(goods[*best].edit);
      continue;
    }
    Ambiguity a;
    for (size_t g : group) a.edits.push_back(goods[g].edit);
    out.ambiguities.push_back(std::move(a));
  }
  auto byLine = [](const Edit& a, const Edit& b) { return a.first < b.first; };
  std::sort(out.edits.begin(), out.edits.end(), byLine);
  return out;
}

// Makes as many of the edits as the whole listing's checks confirm; those refused are vetoed.
// Returns the snapshot with them, or nothing when none is confirmed; accepted gets them.
std::unique_ptr<Snapshot> confirm(const Snapshot& snap, const std::vector<Edit>& edits, std::set<std::string>& vetoed,
                                  std::vector<Edit>& accepted) {
  accepted.clear();
  std::unique_ptr<Snapshot> best;
  const Tally* current = &snap.tally();
  auto tryGroup = [&](auto& self, std::vector<Edit> group) -> void {
    if (group.empty()) return;
    std::vector<Edit> merged = accepted;
    merged.insert(merged.end(), group.begin(), group.end());
    std::sort(merged.begin(), merged.end(), [](const Edit& a, const Edit& b) { return a.first < b.first; });
    auto next = std::make_unique<Snapshot>(snap.listing().applied(merged));
    if (next->tally().betterThan(*current)) {
      accepted = std::move(merged);
      best = std::move(next);
      current = &best->tally();
      return;
    }
    if (group.size() == 1) {
      vetoed.insert(vetoKey(snap, group[0]));
      return;
    }
    size_t half = group.size() / 2;
    self(self, std::vector<Edit>(group.begin(), group.begin() + static_cast<ptrdiff_t>(half)));
    self(self, std::vector<Edit>(group.begin() + static_cast<ptrdiff_t>(half), group.end()));
  };
  tryGroup(tryGroup, edits);
  return best;
}

// Where the pass after `accepted` must look again: the sections the edits wrote in, those whose
// code lines use a label that the edited lines define or give, and those of the ambiguities
// that such a section breaks up. Ambiguities elsewhere stand as they were, renumbered.
class Revisit {
 public:
  Revisit(const Snapshot& before, const Snapshot& after, const std::vector<Edit>& accepted)
      : before_(before), after_(after), accepted_(accepted), look_(after.facts().lines.size(), false) {}

  std::vector<bool> run(std::vector<Ambiguity>& carried) {
    std::set<uint64_t> names;
    for (const Edit& e : accepted_) {
      size_t first = moved(e.first), end = first + e.lines.size();
      size_t oldFrom = e.first, oldTo = e.first + e.count;
      if (reshapes(e)) {
        // A header or banner changes which range and table the lines around it belong to.
        first = after_.sectionStart(first > 0 ? first - 1 : 0);
        end = after_.sectionEnd(std::min(end, look_.size()) - 1);
        oldFrom = before_.sectionStart(oldFrom > 0 ? oldFrom - 1 : 0);
        oldTo = before_.sectionEnd(oldTo - 1);
      }
      markSections(first, end);
      labelsOf(before_.facts(), oldFrom, oldTo, names);
      labelsOf(after_.facts(), first, end, names);
    }
    for (uint64_t name : names) {
      for (size_t u : after_.index().users(name)) markSections(u, u + 1);
      for (size_t u : before_.index().users(name)) markSections(moved(u), moved(u) + 1);
    }
    for (bool more = true; more;) {
      more = false;
      for (Ambiguity& a : carried) {
        if (a.edits.empty() || !touched(a)) continue;
        for (const Edit& e : a.edits) markSections(moved(e.first), moved(e.first) + 1);
        a.edits.clear();
        more = true;
      }
    }
    std::erase_if(carried, [](const Ambiguity& a) { return a.edits.empty(); });
    for (Ambiguity& a : carried)
      for (Edit& e : a.edits) e.first = moved(e.first);
    return look_;
  }

 private:
  // The line of the new listing that line i (outside the edits) of the old one became.
  size_t moved(size_t i) const {
    size_t at = i;
    for (const Edit& e : accepted_) {
      if (e.first + e.count > i) break;
      at = at + e.lines.size() - e.count;
    }
    return std::min(at, look_.size() > 0 ? look_.size() - 1 : 0);
  }

  bool reshapes(const Edit& e) const {
    auto shaping = [](Kind k) { return k == Kind::Header || k == Kind::PageHeader || k == Kind::Banner; };
    for (size_t i = e.first; i < e.first + e.count; ++i)
      if (shaping(before_.facts().lines[i].kind)) return true;
    size_t first = moved(e.first);
    for (size_t i = first; i < first + e.lines.size() && i < look_.size(); ++i)
      if (shaping(after_.facts().lines[i].kind)) return true;
    return false;
  }

  void markSections(size_t from, size_t to) {
    if (from >= look_.size()) return;
    size_t end = after_.sectionEnd(std::min(to, look_.size()) - 1);
    for (size_t i = after_.sectionStart(from); i < end; ++i) look_[i] = true;
  }

  bool touched(const Ambiguity& a) const {
    for (const Edit& e : a.edits) {
      for (const Edit& done : accepted_)
        if (e.first < done.first + done.count && done.first < e.first + e.count) return true;
      if (look_[moved(e.first)]) return true;
    }
    return false;
  }

  static void labelsOf(const Facts& facts, size_t from, size_t to, std::set<uint64_t>& names) {
    for (size_t i = from; i < to && i < facts.lines.size(); ++i) {
      const LineFacts& f = facts.lines[i];
      if (f.label.text[0] != '\0') names.insert(verify::labelKey(f.label));
      for (uint32_t e = f.firstEntry; e < f.endEntry; ++e) names.insert(verify::labelKey(facts.entries[e].label));
    }
  }

  const Snapshot& before_;
  const Snapshot& after_;
  const std::vector<Edit>& accepted_;
  std::vector<bool> look_;
};

// What reading each line by its fields against the whole listing rewrites: the start of the
// corrections, which the passes after it take further.
std::vector<Edit> readingEdits(const Listing& listing, const std::set<size_t>& kept, const alternatives::Index* alternatives,
                               std::vector<reading::Note>& notes, std::vector<reading::Doubt>& doubts) {
  std::vector<std::string_view> lines;
  for (size_t i = 0; i < listing.readLines(); ++i) lines.push_back(listing.readLine(i));
  reading::Reading read = reading::readListing(lines, alternatives);
  std::vector<Edit> edits;
  for (reading::Rewrite& r : read.rewrites) {
    bool editable = true;
    for (size_t i = r.first; i < r.first + r.count; ++i)
      editable = editable && listing.editable(i) && !kept.count(listing.line(i).origin);
    if (editable) edits.push_back({r.first, r.count, std::move(r.lines)});
  }
  notes = std::move(read.notes);
  for (reading::Doubt& d : read.doubts)
    if (listing.editable(d.line)) doubts.push_back(std::move(d));
  return edits;
}

// The reading's edits that leave the checks no more to report and romlift no fewer bytes to
// write: all of them when they do together, else those of each half that do, and so on.
std::unique_ptr<Snapshot> confirmedReading(const Listing& original, const std::set<size_t>& kept,
                                           const alternatives::Index* alternatives,
                                           std::vector<std::pair<size_t, std::string>>& completions,
                                           std::vector<reading::Doubt>& doubts) {
  std::vector<reading::Note> notes;
  std::vector<Edit> edits = readingEdits(original, kept, alternatives, notes, doubts);
  if (edits.empty()) return std::make_unique<Snapshot>(original);
  Tally before, last;
  runChecks(original.readText(), before);
  auto holds = [&](const std::vector<Edit>& trial) {
    Tally after;
    runChecks(original.applied(trial).readText(), after);
    bool good = after.runProblems() <= before.runProblems() && after.written >= before.written;
    if (good) last = std::move(after);
    return good;
  };
  std::vector<Edit> made;
  auto tryGroup = [&](auto& self, std::vector<Edit> group) -> void {
    if (group.empty()) return;
    std::vector<Edit> merged = made;
    merged.insert(merged.end(), group.begin(), group.end());
    std::sort(merged.begin(), merged.end(), [](const Edit& a, const Edit& b) { return a.first < b.first; });
    if (holds(merged)) {
      made = std::move(merged);
      return;
    }
    if (group.size() == 1) return;
    size_t half = group.size() / 2;
    self(self, std::vector<Edit>(group.begin(), group.begin() + static_cast<ptrdiff_t>(half)));
    self(self, std::vector<Edit>(group.begin() + static_cast<ptrdiff_t>(half), group.end()));
  };
  tryGroup(tryGroup, std::move(edits));
  for (const reading::Note& note : notes)
    if (std::any_of(made.begin(), made.end(), [&](const Edit& e) { return e.first == note.line; }))
      completions.push_back({original.line(note.line).origin, note.text});
  if (made.empty()) return std::make_unique<Snapshot>(original, std::move(before));
  return std::make_unique<Snapshot>(original.applied(made), std::move(last));
}

// The doubts of the reading on lines that still stand as read and that a check blames: each
// an ambiguity between its readings.
void addDoubts(const std::vector<reading::Doubt>& doubts, const Listing& read, const Outcome& out,
               std::vector<Ambiguity>& ambiguities) {
  const Snapshot& s = *out.last;
  std::map<size_t, size_t> byOrigin;  // original line -> line of the last listing, unchanged
  for (size_t i = 0; i < s.listing().size(); ++i) {
    size_t origin = s.listing().line(i).origin;
    if (origin >= 1 && s.listing().line(i).text == out.original.line(origin - 1).text) byOrigin[origin] = i;
  }
  std::set<size_t> blamed;
  for (const Problem& p : s.problems())
    if (isReported(p.kind)) blamed.insert(p.blame);
  for (const reading::Doubt& d : doubts) {
    auto at = byOrigin.find(read.line(d.line).origin);
    if (d.readings.size() < 2 || at == byOrigin.end() || !blamed.count(at->second)) continue;
    Ambiguity a;
    for (const std::string& text : d.readings) a.edits.push_back({at->second, 1, {text}});
    ambiguities.push_back(std::move(a));
  }
}

}  // namespace

std::vector<Edit> editsBetween(const Listing& original, const Listing& changed) {
  std::vector<std::vector<size_t>> byOrigin(original.size() + 1);
  for (size_t j = 0; j < changed.size(); ++j) byOrigin[changed.line(j).origin].push_back(j);
  auto same = [&](size_t o) {
    const std::vector<size_t>& now = byOrigin[o];
    return now.size() == 1 && changed.line(now[0]).text == original.line(o - 1).text;
  };
  std::vector<Edit> edits;
  for (size_t o = 1; o <= original.size();) {
    if (same(o)) {
      ++o;
      continue;
    }
    Edit e{o - 1, 0, {}};
    for (; o <= original.size() && !same(o); ++o, ++e.count)
      for (size_t j : byOrigin[o]) e.lines.push_back(changed.line(j).text);
    edits.push_back(std::move(e));
  }
  return edits;
}

Outcome correct(std::string_view bytes, const alternatives::Index* alternatives) {
  Outcome out(bytes);
  // Lines printed outside the layout are written inside it first: they are no damage, and
  // nothing else must take them for some.
  out.layout = layoutRewrites(out.original);
  std::vector<Edit> rewrites;
  std::set<size_t> kept;  // original lines that no edit touches, by origin
  for (const LayoutRewrite& r : out.layout) {
    rewrites.push_back(r.edit);
    kept.insert(out.original.line(r.edit.first).origin);
  }
  const Listing read = rewrites.empty() ? out.original : out.original.applied(rewrites);
  std::vector<reading::Doubt> doubts;
  out.last = confirmedReading(read, kept, alternatives, out.completions, doubts);
  std::set<size_t> doubted = kept;
  for (const reading::Doubt& d : doubts) doubted.insert(read.line(d.line).origin);
  std::set<std::string> vetoed;
  std::vector<bool> look(out.last->facts().lines.size(), true);
  for (int pass = 0;; ++pass) {
    Selection selection = select(*out.last, vetoed, look, doubted);
    out.ambiguities.insert(out.ambiguities.end(), selection.ambiguities.begin(), selection.ambiguities.end());
    if (selection.edits.empty() || pass == kMaxPasses) break;
    // When none is confirmed, the refused edits are vetoed and the places are looked at again.
    std::vector<Edit> accepted;
    std::unique_ptr<Snapshot> next = confirm(*out.last, selection.edits, vetoed, accepted);
    if (!next) {
      out.ambiguities.clear();
      look.assign(look.size(), true);
      continue;
    }
    look = Revisit(*out.last, *next, accepted).run(out.ambiguities);
    out.last = std::move(next);
  }
  addDoubts(doubts, read, out, out.ambiguities);
  std::sort(out.ambiguities.begin(), out.ambiguities.end(),
            [](const Ambiguity& a, const Ambiguity& b) { return a.edits[0].first < b.edits[0].first; });
  out.corrections = editsBetween(out.original, out.last->listing());
  // Each run of changed lines that are not lines outside the layout is one correction.
  for (const Edit& e : out.corrections)
    for (size_t i = e.first; i < e.first + e.count; ++i)
      if (!kept.count(i + 1) && (i == e.first || kept.count(i))) ++out.corrected;
  return out;
}

}  // namespace romlift::fix
