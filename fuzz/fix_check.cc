#include "fuzz/fix_check.h"

#include <cstdio>
#include <vector>

#include "fix/fix_tool.h"
#include "fix/snapshot.h"
#include "fuzz/report_text.h"

namespace romlift {
namespace {

constexpr std::string_view kNoNewline = "\\ No newline at end of file";

// The lines of text, each with its newline when it has one.
std::vector<std::string_view> linesWithEnds(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < text.size();) {
    size_t nl = text.find('\n', at);
    size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  return lines;
}

struct HunkLine {
  char mark;
  std::string text;  // with its newline, unless the diff says the file has none there
};

struct Hunk {
  size_t oldStart = 0, oldCount = 0;
  std::vector<HunkLine> lines;
};

bool parseHeader(std::string_view line, Hunk& h) {
  unsigned long a = 0, b = 0, c = 0, d = 0;
  return std::sscanf(std::string(line).c_str(), "@@ -%lu,%lu +%lu,%lu @@", &a, &b, &c, &d) == 4 &&
         (h.oldStart = a, h.oldCount = b, true);
}

std::optional<std::vector<Hunk>> parseDiff(std::string_view diff) {
  std::vector<Hunk> hunks;
  for (std::string_view line : linesWithEnds(diff)) {
    if (line.starts_with("--- ") || line.starts_with("+++ ")) continue;
    if (line.starts_with("@@")) {
      hunks.emplace_back();
      if (!parseHeader(line, hunks.back())) return std::nullopt;
    } else if (line.starts_with(kNoNewline)) {
      if (hunks.empty() || hunks.back().lines.empty() || !hunks.back().lines.back().text.ends_with('\n'))
        return std::nullopt;
      hunks.back().lines.back().text.pop_back();
    } else if (!hunks.empty() && !line.empty() && (line[0] == ' ' || line[0] == '-' || line[0] == '+')) {
      hunks.back().lines.push_back({line[0], std::string(line.substr(1))});
    } else {
      return std::nullopt;
    }
  }
  return hunks;
}

// What the checks report of a listing, and the bytes romlift writes from it.
fix::Tally checked(const std::string& text) {
  fix::Tally tally;
  fix::runChecks(text, tally);
  return tally;
}

}  // namespace

std::optional<std::string> applyUnifiedDiff(std::string_view text, std::string_view diff) {
  std::optional<std::vector<Hunk>> hunks = parseDiff(diff);
  if (!hunks) return std::nullopt;
  std::vector<std::string_view> lines = linesWithEnds(text);
  std::string out;
  size_t at = 0;
  for (const Hunk& h : *hunks) {
    size_t start = h.oldCount == 0 ? h.oldStart : h.oldStart - 1;
    if (start < at || start > lines.size()) return std::nullopt;
    for (; at < start; ++at) out += lines[at];
    for (const HunkLine& l : h.lines) {
      if (l.mark != '+') {
        if (at == lines.size() || lines[at] != l.text) return std::nullopt;
        ++at;
      }
      if (l.mark != '-') out += l.text;
    }
  }
  for (; at < lines.size(); ++at) out += lines[at];
  return out;
}

std::string checkFix(std::string_view bytes) {
  MemoryStream patch, told;
  int status = fix::runFix(bytes, fix::kDefaultName, patch.file(), told.file());
  long corrections = 0, rewritten = 0, ambiguous = 0, left = 0;
  std::string_view text = told.text();
  size_t closing = text.rfind("Nb corrections : ");
  if (closing == std::string_view::npos) return "fix's closing counts missing";
  // The rewrites of lines printed outside the layout have a closing line of their own, when
  // there are some.
  const char* kRewritten = "Nb lignes hors format r\xC3\xA9\xC3\xA9" "crites : ";
  bool layout = text.find(kRewritten, closing) != std::string_view::npos;
  std::string format = std::string("Nb corrections : %ld\n") + (layout ? std::string(kRewritten) + "%ld\n" : "") +
                       "Nb cas ambigus : %ld\nNb dommages non r\xC3\xA9parables : %ld\n";
  int read = layout ? std::sscanf(text.data() + closing, format.c_str(), &corrections, &rewritten, &ambiguous, &left)
                    : std::sscanf(text.data() + closing, format.c_str(), &corrections, &ambiguous, &left);
  if (read != (layout ? 4 : 3) || countLines(text.substr(closing)) != (layout ? 4u : 3u) || (layout && rewritten == 0))
    return "fix's closing counts missing";
  if (linesStarting(text, "<<< Cas ambigu >>> : ") != static_cast<size_t>(ambiguous) ||
      linesStarting(text, "<<< Non r\xC3\xA9parable >>> : ") != static_cast<size_t>(left) ||
      linesStarting(text, "<<< Hors format >>> : ") != static_cast<size_t>(rewritten))
    return "fix's counts differ from its lines";
  if ((corrections + rewritten == 0) != patch.text().empty()) return "fix's patch and its count of corrections disagree";
  if (status == 0 && (ambiguous > 0 || left > 0)) return "fix calls a listing clean with something left";
  std::optional<std::string> patched = applyUnifiedDiff(bytes, patch.text());
  if (!patched) return "fix's patch does not apply";
  fix::Tally before = checked(std::string(bytes)), after = checked(*patched);
  if (after.runProblems() > before.runProblems()) return "fix's patch gives a listing with more problems";
  if (after.written < before.written) return "fix's patch gives a listing with fewer code-line bytes";
  return {};
}

}  // namespace romlift
