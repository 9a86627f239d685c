// Body::labelOf and Body::starText: a line's label and a comment line's text as printed, read
// against the names the listing defines.
#include <algorithm>

#include "reading/body.h"
#include "reading/glyphs.h"
#include "reading/layout.h"
#include "reading/words.h"
#include "scanner/rules.h"

namespace romlift::reading {
namespace {

constexpr Cost kLabelLimit = 8;  // a label read this close to a name defined at its address is it

}  // namespace

std::string Body::labelOf(const NumberedLine& n, const Names& names, const std::map<size_t, std::string>& labels) const {
  if (auto settled = labels.find(n.line); settled != labels.end()) return settled->second;
  std::string read = withoutSpecks(n.f.label);
  std::optional<uint16_t> at = n.kind == LineKind::Equ ? n.value : n.address;
  if (read.empty()) return read;
  if (wellFormedName(read)) {
    // A mark dropped from the label may have been one of its characters (| for 1): a name that
    // stands at this address and reads as the label with its marks, character for character,
    // alone of those there, is the label.
    std::string marked;
    for (char c : n.f.label)
      if (c != ' ') marked += c;
    if (marked == read || !at) return read;
    std::string only;
    for (const NameMatch& m : names.withValue(*at, scope_)) {
      if (m.spelling == read || fieldCost(m.spelling, marked, kFrequent) > kFrequent) continue;
      if (!only.empty() && only != m.spelling) return read;
      only = m.spelling;
    }
    return only.empty() ? read : only;
  }
  std::string best;
  Cost bestCost = kNever, second = kNever;
  for (const NameMatch& m : names.near(read, kLabelLimit, scope_)) {
    if (at && m.value != *at) continue;
    if (m.cost < bestCost) {
      second = bestCost;
      bestCost = m.cost;
      best = m.spelling;
    } else if (m.cost < second) {
      second = m.cost;
    }
  }
  if (!best.empty() && second >= bestCost + kMargin) return best;
  // Each character a label cannot hold read as the one label character it looks most like.
  std::string forced;
  for (size_t i = 0; i < read.size(); ++i) {
    std::span<const Glyph> g = readingsOf(read[i], Alphabet::Name);
    auto fits = [i](const Glyph& x) { return x.c != '$' && (i > 0 || (x.c >= 'A' && x.c <= 'Z')); };
    auto first = std::find_if(g.begin(), g.end(), fits);
    if (first == g.end()) return read;
    auto other = std::find_if(first + 1, g.end(), fits);
    if (other != g.end() && other->cost == first->cost) return read;
    forced += first->c;
  }
  return wellFormedName(forced) ? forced : read;
}

// A comment line's text from its star: what stands from the label's column on, with the star
// put back when OCR lost it or read it as something else.
std::string Body::starText(size_t line) const {
  std::string_view text = text_[line];
  // The star stands at the label's column; OCR may have read it a column or two off, as
  // another mark, or not at all.
  constexpr size_t kFrom = col::kLabel - 3, kTo = col::kLabel + 3;
  size_t from = std::min(text.size(), kFrom);
  size_t first = text.find_first_not_of(' ', from);
  if (first == std::string_view::npos) return "*";
  // Specks before the star are no part of the comment.
  while (first < text.size() && first <= kTo && (isSpeck(text[first]) || text[first] == ' ') && text[first] != '*')
    ++first;
  if (first >= text.size()) return "*";
  std::string_view rest = text.substr(first);
  if (first <= kTo && (rest[0] == '*' || rest[0] == 'x' || rest[0] == 'X' || rest[0] == 'K' || rest[0] == '#')) {
    rest.remove_prefix(1);
    return "*" + std::string(rest);
  }
  return "* " + std::string(rest);
}

}  // namespace romlift::reading
