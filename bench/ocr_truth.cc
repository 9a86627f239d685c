// The truth of the OCR damage model as text, and the listing it gives back.
#include <cstdio>
#include <cstdlib>

#include "ocr_damage.h"

namespace romlift::bench::ocr {
namespace {

constexpr const char* kKindNames[kKinds] = {"lookalike", "blank",     "tab",      "stray",     "split",
                                            "join",      "cut",       "lost",     "mark",      "multi",
                                            "duplicate", "inserted",  "blankline", "banner"};
constexpr char kOriginalMark = '|';

bool parseCount(std::string_view text, size_t& value) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
  value = std::strtoull(std::string(text).c_str(), nullptr, 10);
  return true;
}

// `KIND FIRST COUNT`.
bool parseHeader(std::string_view line, Record& r) {
  size_t a = line.find(' '), b = a == std::string_view::npos ? a : line.find(' ', a + 1);
  if (b == std::string_view::npos) return false;
  return parseKind(line.substr(0, a), r.kind) && parseCount(line.substr(a + 1, b - a - 1), r.first) &&
         parseCount(line.substr(b + 1), r.count) && r.first > 0;
}

}  // namespace

const char* kindName(Kind kind) { return kKindNames[static_cast<size_t>(kind)]; }

bool parseKind(std::string_view name, Kind& kind) {
  for (size_t k = 0; k < kKinds; ++k) {
    if (name == kKindNames[k]) {
      kind = static_cast<Kind>(k);
      return true;
    }
  }
  return false;
}

std::vector<std::string_view> splitLines(std::string_view text, std::string_view& tail) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  for (size_t nl; (nl = text.find('\n', at)) != std::string_view::npos; at = nl + 1)
    lines.push_back(text.substr(at, nl - at));
  tail = text.substr(at);
  return lines;
}

std::string formatTruth(const std::vector<Record>& truth) {
  std::string out =
      "# KIND FIRST COUNT: lines FIRST to FIRST+COUNT-1 of the damaged text (from 1) stand for\n"
      "# the original lines that follow, each after a '|'; a lost line has COUNT 0, and a line put\n"
      "# in has no original line.\n";
  char header[64];
  for (const Record& r : truth) {
    std::snprintf(header, sizeof header, "%s %zu %zu\n", kindName(r.kind), r.first, r.count);
    out += header;
    for (const std::string& line : r.originals) {
      out += kOriginalMark;
      out += line;
      out += '\n';
    }
  }
  return out;
}

bool parseTruth(std::string_view text, std::vector<Record>& truth, std::string& error) {
  std::string_view tail;
  std::vector<std::string_view> lines = splitLines(text, tail);
  if (!tail.empty()) lines.push_back(tail);
  truth.clear();
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string_view line = lines[n];
    if (!line.empty() && line[0] == '#') continue;
    if (!line.empty() && line[0] == kOriginalMark && !truth.empty()) {
      truth.back().originals.emplace_back(line.substr(1));
      continue;
    }
    Record r;
    if (!parseHeader(line, r)) {
      error =
          "line " + std::to_string(n + 1) + " is neither `KIND FIRST COUNT` nor an original line: " + std::string(line);
      return false;
    }
    truth.push_back(std::move(r));
  }
  return true;
}

bool restore(std::string_view damaged, const std::vector<Record>& truth, std::string& original) {
  std::string_view tail;
  std::vector<std::string_view> lines = splitLines(damaged, tail);
  original.clear();
  original.reserve(damaged.size() + damaged.size() / 16);
  size_t next = 0;  // the first damaged line not yet copied, from 0
  auto copyUpTo = [&](size_t end) {
    for (; next < end; ++next) {
      original += lines[next];
      original += '\n';
    }
  };
  for (const Record& r : truth) {
    if (r.first == 0 || r.first - 1 < next || r.first - 1 + r.count > lines.size()) return false;
    copyUpTo(r.first - 1);
    for (const std::string& line : r.originals) {
      original += line;
      original += '\n';
    }
    next += r.count;
  }
  copyUpTo(lines.size());
  original += tail;
  return true;
}

}  // namespace romlift::bench::ocr
