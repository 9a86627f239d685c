#include "reading/table.h"

#include <algorithm>
#include <unordered_set>

#include "reading/glyphs.h"
#include "reading/layout.h"
#include "reading/words.h"
#include "scanner/rules.h"

namespace romlift::reading {
namespace {

constexpr size_t kEntryPitch = kSymbolEntryWidth + 1;  // an entry and the blank after it
constexpr size_t kLabelPart = 7;                       // the label padded to this width
constexpr Cost kSameAddress = kRare;    // a table address read this close to a definition's is it
constexpr Cost kSameLabel = kRare;      // two readings of a label this close may be one label
constexpr Cost kClearly = 2;            // one reading of a character this much cheaper than any other

std::string packed(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && !isSpeck(c)) out += c;
  return out;
}

// A label's characters read as the one label character each looks most like; empty when one
// of them could be two.
std::string forcedName(std::string_view read) {
  std::string out;
  for (size_t i = 0; i < read.size(); ++i) {
    std::span<const Glyph> g = readingsOf(read[i], Alphabet::Name);
    auto fits = [i](const Glyph& x) { return x.c != '$' && (i > 0 || (x.c >= 'A' && x.c <= 'Z')); };
    auto first = std::find_if(g.begin(), g.end(), fits);
    if (first == g.end()) return {};
    auto other = std::find_if(first + 1, g.end(), fits);
    if (other != g.end() && other->cost < first->cost + kClearly) return {};
    out += first->c;
  }
  return out.size() <= kMaxLabel ? out : std::string();
}

// The address a table entry reads as, each character that is no hex digit read as the one it
// looks most like; nothing when it could be two.
std::optional<uint16_t> hexOf(std::string_view read) {
  if (read.size() != kAddressWidth) return std::nullopt;
  unsigned v = 0;
  for (char c : read) {
    std::span<const Glyph> g = readingsOf(c, Alphabet::Hex);
    if (g.empty() || (g.size() > 1 && g[1].cost < g[0].cost + kClearly)) return std::nullopt;
    v = v * 16 + static_cast<unsigned>(g[0].c <= '9' ? g[0].c - '0' : g[0].c - 'A' + 10);
  }
  return static_cast<uint16_t>(v);
}

// The spelling of a label read in two places: the reading both agree on, else the one the
// operands use more, else the one whose misreading to the other reads costs less; nothing when
// neither does.
std::string settledSpelling(const std::string& defName, const std::string& tableName, std::string_view defRead,
                            std::string_view tableRead, const Uses& uses) {
  if (defName.empty() || tableName.empty() || defName == tableName) return defName.empty() ? tableName : defName;
  auto used = [&uses](const std::string& name) {
    auto it = uses.find(name);
    return it == uses.end() ? 0 : it->second;
  };
  if (used(defName) != used(tableName)) return used(defName) > used(tableName) ? defName : tableName;
  Cost asDef = fieldCost(defName, defRead, kNever - 1) + fieldCost(defName, tableRead, kNever - 1);
  Cost asTable = fieldCost(tableName, defRead, kNever - 1) + fieldCost(tableName, tableRead, kNever - 1);
  if (asDef < asTable + kClearly && asTable < asDef + kClearly) return {};
  return asDef < asTable ? defName : tableName;
}

std::string entryText(std::string_view label, uint16_t value) {
  std::string e(label);
  e.resize(kLabelPart, ' ');
  return e + hex4(value);
}

}  // namespace

std::vector<EntryRead> readEntries(const std::vector<std::string_view>& lines, const std::vector<Surveyed>& shapes,
                                   const Section& s) {
  std::vector<EntryRead> out;
  if (s.title == kNone) return out;
  for (size_t i = s.title + 2; i < s.end; ++i) {
    if (shapes[i].shape == Shape::Header || shapes[i].shape == Shape::Empty) continue;
    size_t first = out.size();
    std::string label;
    for (const Word& w : wordsOf(lines[i])) {
      if (isSpeckWord(w.text)) continue;
      std::string_view text = w.text;
      size_t column = w.column;
      while (!text.empty()) {
        if (label.empty()) {
          label = std::string(text.substr(0, std::min(text.size(), kMaxLabel)));
          column += label.size();
          text.remove_prefix(label.size());
          continue;
        }
        // An address, and what follows it run in: the next entry's label, from its column on.
        size_t next = (column / kEntryPitch + 1) * kEntryPitch;
        size_t cut = next > column && next - column >= kAddressWidth && next - column <= kAddressWidth + 1
                         ? next - column
                         : kAddressWidth;
        cut = std::min(cut, text.size());
        out.push_back({i, packed(label), packed(text.substr(0, cut))});
        label.clear();
        column += cut;
        text.remove_prefix(cut);
      }
    }
    // A label left without its address, or a line that starts with what is no label: the line
    // was cut or split, and is not read as entries.
    bool labelFirst = out.size() > first && !out[first].label.empty() && !readingsOf(out[first].label[0], Alphabet::Upper).empty() &&
                      out[first].label[0] > '9';
    if (!label.empty() || !labelFirst)
      for (size_t k = first; k < out.size(); ++k) out[k].partial = true;
  }
  // Every line but the last holds as many entries as the fullest: one with fewer lost some.
  size_t most = 0, count = 0, lastLine = out.empty() ? 0 : out.back().line;
  for (size_t k = 0; k < out.size(); ++k) {
    count = k > 0 && out[k].line == out[k - 1].line ? count + 1 : 1;
    most = std::max(most, count);
  }
  for (size_t k = 0; k < out.size();) {
    size_t end = k;
    while (end < out.size() && out[end].line == out[k].line) ++end;
    if (end - k < most && out[k].line != lastLine)
      for (size_t m = k; m < end; ++m) out[m].partial = true;
    k = end;
  }
  return out;
}

Settled settleTable(const std::vector<std::string_view>& lines, const std::vector<EntryRead>& entries,
                    const std::vector<Definition>& definitions, Scope scope, const Uses& uses) {
  Settled out;
  // A definition that an entry reads exactly is that entry's: no other entry is moved onto it.
  std::unordered_set<std::string> exact;
  for (const EntryRead& e : entries) exact.insert(e.label + '\0' + e.address);
  auto readExactly = [&](const Definition& d) { return exact.count(d.label + '\0' + hex4(d.value)) > 0; };
  // Each entry as printed, when a definition settles it; by line.
  std::map<size_t, std::vector<std::optional<std::string>>> printed;
  for (const EntryRead& e : entries) {
    std::optional<std::string> text;
    std::string tableName = forcedName(e.label);
    const Definition* match = nullptr;
    Cost best = kNever, second = kNever;
    for (const Definition& d : definitions) {
      Cost a = fieldCost(hex4(d.value), e.address, kSameAddress);
      if (a > kSameAddress || ((a > 0 || d.label != e.label) && readExactly(d))) continue;
      Cost l = fieldCost(d.label, e.label, kSameLabel);
      if (l > kSameLabel) continue;
      if (a + l < best) {
        second = best;
        best = a + l;
        match = &d;
      } else if (a + l < second) {
        second = a + l;
      }
    }
    if (second < best + kClearly) match = nullptr;  // two definitions fit the entry
    if (match != nullptr) {
      std::string defName = forcedName(match->label);
      std::string spelling = settledSpelling(defName, tableName, match->label, e.label, uses);
      if (spelling.empty()) {
        out.disputed.push_back(match->line);
        // Two readings that tell nothing between them: each may be what an operand uses.
        for (const std::string& name : {defName, tableName})
          if (!name.empty()) out.unmatched.push_back({name, match->value});
      } else {
        out.confirmed.add(spelling, match->value, scope, true);
        if (spelling != match->label) out.labels[match->line] = spelling;
        text = entryText(spelling, match->value);
      }
    } else if (std::optional<uint16_t> v = hexOf(e.address); v && !tableName.empty()) {
      // No line defines it, or none could be read: the entry as it reads, each character that
      // its field cannot hold read as the one it looks most like.
      out.unmatched.push_back({tableName, *v});
      text = entryText(tableName, *v);
    }
    if (e.partial) text.reset();
    printed[e.line].push_back(std::move(text));
  }
  for (auto& [line, texts] : printed) {
    if (std::any_of(texts.begin(), texts.end(), [](const auto& t) { return !t; })) continue;
    std::string text;
    for (const auto& t : texts) text += (text.empty() ? "" : " ") + *t;
    if (text != lines[line]) out.lines[line] = text;
  }
  return out;
}

}  // namespace romlift::reading
