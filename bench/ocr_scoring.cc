#include "ocr_scoring.h"

#include <algorithm>

#include "fix_scoring.h"
#include "page_layout.h"

namespace romlift::bench::ocr {
namespace {

constexpr size_t kFieldsEnd = 44;  // the fields are columns 0 to 43, the comment follows

std::string_view fieldsOf(std::string_view line) {
  std::string_view f = line.substr(0, std::min(line.size(), kFieldsEnd));
  return f.substr(0, f.find_last_not_of(' ') + 1);
}

// The edit distance, and the edits of one cheapest way into confusions when it is given.
size_t align(std::string_view a, std::string_view b, std::map<std::string, uint64_t>* confusions) {
  size_t n = a.size(), m = b.size();
  std::vector<size_t> d((n + 1) * (m + 1));
  auto at = [m](size_t i, size_t j) { return i * (m + 1) + j; };
  for (size_t i = 0; i <= n; ++i) {
    for (size_t j = 0; j <= m; ++j) {
      if (i == 0 || j == 0)
        d[at(i, j)] = i + j;
      else
        d[at(i, j)] =
            std::min({d[at(i - 1, j - 1)] + (a[i - 1] != b[j - 1]), d[at(i - 1, j)] + 1, d[at(i, j - 1)] + 1});
    }
  }
  for (size_t i = n, j = m; confusions != nullptr && (i > 0 || j > 0);) {
    if (i > 0 && j > 0 && d[at(i, j)] == d[at(i - 1, j - 1)] + (a[i - 1] != b[j - 1])) {
      if (a[i - 1] != b[j - 1]) ++(*confusions)[std::string{a[i - 1], '>', b[j - 1]}];
      --i, --j;
    } else if (i > 0 && d[at(i, j)] == d[at(i - 1, j)] + 1) {
      ++(*confusions)[std::string{a[--i], '>'}];
    } else {
      ++(*confusions)[std::string{'>', b[--j]}];
    }
  }
  return d[at(n, m)];
}

// For each truth line, its OCR line or kUnmatched; the OCR lines left over in extra.
std::vector<size_t> pairLines(const std::vector<std::string_view>& t, const std::vector<std::string_view>& o,
                              std::vector<size_t>& extra) {
  std::vector<size_t> match(t.size(), kUnmatched);
  if (t.size() == o.size()) {
    for (size_t i = 0; i < t.size(); ++i) match[i] = i;
    return match;
  }
  match = matchLines(t, o);
  size_t gap = 0, j = 0;  // the first truth line and the first OCR line after the last pair
  for (size_t i = 0; i <= t.size(); ++i) {
    if (i < t.size() && match[i] == kUnmatched) continue;
    size_t end = i == t.size() ? o.size() : match[i];
    for (size_t k = 0; gap + k < i && j + k < end; ++k) match[gap + k] = j + k;
    for (size_t k = j + std::min(i - gap, end - j); k < end; ++k) extra.push_back(k);
    gap = i + 1;
    j = end + 1;
  }
  return match;
}

// The columns [from, to) of a line, trailing blanks left out.
std::string_view columns(std::string_view line, size_t from, size_t to) {
  std::string_view f = from < line.size() ? line.substr(from, to - from) : std::string_view();
  return f.substr(0, f.find_last_not_of(' ') + 1);
}

// A truth code line against its reading: each field's edits, and its hex digits one by one.
void scoreFields(std::string_view truth, std::string_view read, TextScore& s) {
  for (size_t k = 0; k < kScoredFields.size(); ++k) {
    std::string_view a = columns(truth, kScoredFields[k].from, kScoredFields[k].to);
    s.fields[k].chars += a.size();
    s.fields[k].errors += align(a, columns(read, kScoredFields[k].from, kScoredFields[k].to), nullptr);
  }
  for (size_t c = kScoredFields[1].from; c < kScoredFields[2].to && c < truth.size(); ++c) {
    if (truth[c] == ' ') continue;
    ++s.hexDigits;
    s.hexRight += c < read.size() && read[c] == truth[c];
  }
}

}  // namespace

size_t levenshtein(std::string_view a, std::string_view b) { return align(a, b, nullptr); }

TextScore scoreText(std::string_view truth, std::string_view ocr) {
  std::vector<std::string_view> t = pages::listingLines(truth), o = pages::listingLines(ocr);
  for (auto& l : t) l = fieldsOf(l);
  for (auto& l : o) l = fieldsOf(l);
  std::vector<size_t> extra;
  std::vector<size_t> match = pairLines(t, o, extra);
  TextScore s;
  for (size_t i = 0; i < t.size(); ++i) {
    std::string_view read = match[i] == kUnmatched ? std::string_view() : o[match[i]];
    s.chars += t[i].size();
    s.charErrors += align(t[i], read, &s.confusions);
    if (isCodeLine(t[i])) {
      ++s.codeLines;
      s.codeLinesDamaged += read != t[i];
      scoreFields(t[i], read, s);
    }
  }
  for (size_t j : extra) s.charErrors += align({}, o[j], &s.confusions);
  return s;
}

}  // namespace romlift::bench::ocr
