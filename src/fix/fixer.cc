#include "fix/fixer.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <string>
#include <utility>

#include "fix/candidates.h"
#include "fix/evaluation.h"

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
  std::vector<Problem> resolved;
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
    for (const Problem& p : goods[g].resolved) {
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

struct Selection {
  std::vector<Edit> edits;
  std::vector<Ambiguity> ambiguities;
};

Selection select(const Snapshot& snap, const std::set<std::string>& vetoed) {
  Evaluator evaluator(snap);
  std::vector<Good> goods;
  for (Edit& e : candidateEdits(snap, suspectLines(snap))) {
    if (vetoed.count(vetoKey(snap, e))) continue;
    if (auto resolved = evaluator.judge(e)) goods.push_back({std::move(e), std::move(*resolved)});
  }
  Selection out;
  for (const std::vector<size_t>& group : conflictGroups(goods)) {
    if (group.size() == 1) {
      out.edits.push_back(goods[group[0]].edit);
      continue;
    }
    Ambiguity a;
    for (size_t g : group) a.edits.push_back(goods[g].edit);
    out.ambiguities.push_back(std::move(a));
  }
  auto byLine = [](const Edit& a, const Edit& b) { return a.first < b.first; };
  std::sort(out.edits.begin(), out.edits.end(), byLine);
  std::sort(out.ambiguities.begin(), out.ambiguities.end(),
            [](const Ambiguity& a, const Ambiguity& b) { return a.edits[0].first < b.edits[0].first; });
  return out;
}

// Makes as many of the edits as the whole listing's checks confirm; those refused are vetoed.
// Returns the snapshot with them, or nothing when none is confirmed.
std::unique_ptr<Snapshot> confirm(const Snapshot& snap, const std::vector<Edit>& edits, std::set<std::string>& vetoed) {
  std::vector<Edit> accepted;
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

Outcome correct(std::string_view bytes) {
  Outcome out(bytes);
  out.last = std::make_unique<Snapshot>(out.original);
  std::set<std::string> vetoed;
  for (int pass = 0;; ++pass) {
    Selection selection = select(*out.last, vetoed);
    out.ambiguities = std::move(selection.ambiguities);
    if (selection.edits.empty() || pass == kMaxPasses) break;
    // When none is confirmed, the refused edits are vetoed and the next pass goes without them.
    if (std::unique_ptr<Snapshot> next = confirm(*out.last, selection.edits, vetoed)) out.last = std::move(next);
  }
  out.corrections = editsBetween(out.original, out.last->listing());
  return out;
}

}  // namespace romlift::fix
