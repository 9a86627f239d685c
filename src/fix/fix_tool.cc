#include "fix/fix_tool.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fix/fixer.h"
#include "fix/unified_diff.h"

namespace romlift::fix {
namespace {

// Which problem a message tells about first, when a damaged line shows several.
int precedence(const Problem& p) {
  if (p.kind == ProblemKind::Address) return 0;
  return 1 + static_cast<int>(p.kind);
}

std::string where(const Snapshot& s, size_t line) {
  const char* seg = s.facts().segmentText(s.facts().lines[line]);
  return "ligne " + std::to_string(s.listing().line(line).origin) + " segment " + (*seg != '\0' ? seg : "-");
}

std::string bytesMessage(const Snapshot& s, const Problem& p) {
  const LineFacts& f = s.facts().lines[p.line];
  std::string_view text = s.lines()[p.line].text;
  CodeFields c = fieldsOf(text, f);
  std::string operand(c.operand);
  return "code objet " + std::string(text.substr(col::kObject, 2 * f.bytes)) + " refus\xC3\xA9 pour " +
         std::string(c.mnemonic) + (operand.empty() ? "" : " " + operand);
}

// The end of a message about what could not be repaired on a line.
std::string unrepaired(const Snapshot& s, const Problem& p) {
  const LineFacts& f = s.facts().lines[p.line];
  char text[160];
  switch (p.kind) {
    case ProblemKind::Address: {
      int n = p.missing < 0 ? -p.missing : p.missing;
      const char* what = p.missing < 0 ? (n > 1 ? "octets en trop" : "octet en trop")
                                       : (n > 1 ? "octets manquants" : "octet manquant");
      std::snprintf(text, sizeof text, " adresse %04X : %d %s", p.expected, n, what);
      return text;
    }
    case ProblemKind::Unreadable: return " : ligne illisible";
    case ProblemKind::Structure:
      if (f.kind == Kind::LabelOnly) return " : label " + std::string(f.label.c_str()) + " sans ligne de code apr\xC3\xA8s lui";
      if (f.kind == Kind::Header || f.kind == Kind::PageHeader) return " : en-t\xC3\xAAte de section illisible";
      return " : ligne avant le premier en-t\xC3\xAAte de section";
    case ProblemKind::Bytes: return " : " + bytesMessage(s, p);
    case ProblemKind::Label:
      if (f.kind == Kind::Table) return " : label " + std::string(p.label.c_str()) + " des tables de symboles absent des lignes";
      return " : label " + std::string(p.label.c_str()) + " absent des tables de symboles";
    default: return {};
  }
}

// The problems left, by the line blamed for them; a symbol-table entry's problem goes with
// the line that gives its label, when that line has problems too.
std::map<size_t, std::vector<Problem>> problemsLeft(const Snapshot& s, const std::set<size_t>& ambiguous) {
  std::map<size_t, std::vector<Problem>> byLine;
  std::vector<Problem> entries;
  for (const Problem& p : s.problems()) {
    if (!isReported(p.kind) || ambiguous.count(p.blame)) continue;
    if (p.kind == ProblemKind::Label && s.facts().lines[p.line].kind == Kind::Table)
      entries.push_back(p);
    else
      byLine[p.blame].push_back(p);
  }
  for (const Problem& p : entries) {
    auto giver = std::find_if(byLine.begin(), byLine.end(), [&](const auto& group) {
      return std::any_of(group.second.begin(), group.second.end(), [&](const Problem& q) { return q.label == p.label; }) ||
             s.facts().lines[group.first].label == p.label;
    });
    (giver != byLine.end() ? giver->second : byLine[p.blame]).push_back(p);
  }
  return byLine;
}

void printAmbiguity(const Snapshot& s, const Ambiguity& a, FILE* err) {
  const Listing& l = s.listing();
  std::fprintf(err, "<<< Cas ambigu >>> : ligne %zu : %zu corrections possibles, aucune n'est faite\n",
               l.line(a.edits[0].first).origin, a.edits.size());
  for (const Edit& e : a.edits) {
    size_t first = l.line(e.first).origin, last = l.line(e.first + e.count - 1).origin;
    for (const std::string& text : e.lines) {
      if (first == last)
        std::fprintf(err, "ligne %zu : %s\n", first, text.c_str());
      else
        std::fprintf(err, "lignes %zu-%zu : %s\n", first, last, text.c_str());
    }
  }
}

}  // namespace

int runFix(std::string_view bytes, std::string_view name, FILE* out, FILE* err, const alternatives::Index* alternatives) {
  Outcome outcome = correct(bytes, alternatives);
  std::string patch = unifiedDiff(outcome.original, outcome.corrections, name);
  std::fwrite(patch.data(), 1, patch.size(), out);
  const Snapshot& s = *outcome.last;
  auto lineOf = [&s](size_t origin) {
    size_t line = 0;
    while (line + 1 < s.listing().size() && s.listing().line(line).origin < origin) ++line;
    return line;
  };
  for (const LayoutRewrite& r : outcome.layout) {
    size_t line = lineOf(outcome.original.line(r.edit.first).origin);
    std::fprintf(err, "<<< Hors format >>> : %s %s\n", where(s, line).c_str(), layoutMessage(r).c_str());
  }
  for (const auto& [origin, text] : outcome.completions)
    std::fprintf(err, "<<< Ligne compl\xC3\xA9t\xC3\xA9" "e >>> : %s : %s\n", where(s, lineOf(origin)).c_str(), text.c_str());
  std::set<size_t> ambiguous;
  for (const Ambiguity& a : outcome.ambiguities) {
    printAmbiguity(s, a, err);
    for (const Edit& e : a.edits)
      for (size_t i = e.first; i < e.first + e.count; ++i) ambiguous.insert(i);
  }
  size_t left = 0;
  for (auto& [line, problems] : problemsLeft(s, ambiguous)) {
    const Problem& first = *std::min_element(problems.begin(), problems.end(), [](const Problem& a, const Problem& b) {
      return precedence(a) < precedence(b);
    });
    std::fprintf(err, "<<< Non r\xC3\xA9parable >>> : %s%s\n", where(s, line).c_str(), unrepaired(s, first).c_str());
    ++left;
  }
  std::fprintf(err, "Nb corrections : %zu\n", outcome.corrected);
  if (!outcome.layout.empty()) std::fprintf(err, "Nb lignes hors format r\xC3\xA9\xC3\xA9" "crites : %zu\n", outcome.layout.size());
  std::fprintf(err, "Nb cas ambigus : %zu\nNb dommages non r\xC3\xA9parables : %zu\n", outcome.ambiguities.size(), left);
  bool clean = s.tally().clean() && outcome.ambiguities.empty() && left == 0;
  return clean ? 0 : 1;
}

}  // namespace romlift::fix
