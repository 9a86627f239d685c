#include "reading/operands.h"

#include <algorithm>
#include <cstdio>

#include "isa/value.h"

namespace romlift::reading {
namespace {

constexpr size_t kNumberBeam = 12;     // readings of a number kept while its digits are read
constexpr int kMaxOffset = 255;        // the offset after a name or `$`, as listings write them
constexpr Cost kNameLimit = 8;         // a name read further than this from a defined one is not it
constexpr Cost kKeptLimit = kUsual;    // a name nothing defines takes the value of one this close
constexpr std::string_view kSuffixes = "HBOQD";

void byCost(std::vector<Writing>& w) {
  std::stable_sort(w.begin(), w.end(), [](const Writing& a, const Writing& b) { return a.cost < b.cost; });
}

bool isNameStart(char c) { return c >= 'A' && c <= 'Z'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '?' || c == '@' || c == '_'; }

bool quoteLike(char c) { return c == '\'' || c == '"' || c == '`' || c == '!'; }

std::string hexNumber(unsigned value, int width) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%0*X", width, value);
  std::string text = digits;
  if (text[0] > '9') text.insert(text.begin(), '0');
  return text + 'H';
}

std::string radixNumber(unsigned value, unsigned radix, size_t width) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + value % radix));
    value /= radix;
  } while (value != 0);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::string quoted(const std::vector<uint8_t>& bytes) {
  std::string text = "'";
  for (uint8_t b : bytes) {
    text += static_cast<char>(b);
    if (b == '\'') text += '\'';
  }
  return text + "'";
}

bool printableBytes(const std::vector<uint8_t>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= 0x20 && b < 0x7F; });
}

std::string signedOffset(int offset) { return (offset < 0 ? "-" : "+") + std::to_string(offset < 0 ? -offset : offset); }

}  // namespace

std::vector<std::string_view> operandItems(std::string_view operand) {
  std::vector<std::string_view> items;
  size_t start = 0;
  for (size_t i = 0; i <= operand.size(); ++i) {
    if (i < operand.size() && operand[i] == '\'') {
      size_t len = isa::quotedLength(operand.substr(i));
      if (len > 0) i += len - 1;
      continue;
    }
    if (i == operand.size() || operand[i] == ',') {
      items.push_back(operand.substr(start, i - start));
      start = i + 1;
    }
  }
  return items;
}

std::vector<Writing> OperandReader::numbers(std::string_view term, Cost limit) const {
  std::vector<Writing> beam{{"", 0, 0}};
  for (size_t i = 0; i < term.size(); ++i) {
    std::vector<Writing> next;
    for (const Glyph& r : readingsOf(term[i], Alphabet::Name)) {
      bool digit = r.c >= '0' && r.c <= '9';
      bool hex = digit || (r.c >= 'A' && r.c <= 'F');
      bool suffix = i + 1 == term.size() && kSuffixes.find(r.c) != std::string_view::npos;
      if (i == 0 ? !digit : !(hex || suffix)) continue;
      for (const Writing& w : beam)
        if (w.cost + r.cost <= limit) next.push_back({w.text + r.c, 0, w.cost + r.cost});
    }
    byCost(next);
    if (next.size() > kNumberBeam) next.resize(kNumberBeam);
    beam = std::move(next);
  }
  std::vector<Writing> out;
  for (Writing& w : beam) {
    if (std::optional<uint16_t> v = isa::parseNumber(w.text)) {
      w.value = *v;
      out.push_back(std::move(w));
    }
  }
  return out;
}

std::vector<Writing> OperandReader::termValues(std::string_view term, Cost limit) const {
  std::vector<Writing> out;
  if (term.empty()) return out;
  bool nameRead = isNameStart(term[0]) && std::all_of(term.begin(), term.end(), isNameChar);
  if (guessing_ && (nameRead || (term.size() == 1 && misreadCost('$', term[0]) <= kUsual)))
    return {{std::string(term), 0, 0}};
  // A name read as a name that nothing defines may be the one misread where it is defined:
  // kept as read, with the value of the defined name it looks like.
  if (nameRead && names_.valuesOf(term, scope_).empty())
    for (const NameMatch& m : names_.near(term, std::min(limit, kKeptLimit), scope_)) out.push_back({std::string(term), m.value, kLowerCase, true});
  if (here_ && term.size() == 1 && misreadCost('$', term[0]) <= limit) out.push_back({"$", *here_, misreadCost('$', term[0])});
  if (term.size() == 3 && quoteLike(term[0]) && quoteLike(term[2]))
    out.push_back({std::string("'") + term[1] + "'", static_cast<uint16_t>(static_cast<unsigned char>(term[1])),
                   channelCost(std::string("'") + term[1] + "'", term, limit)});
  std::vector<Writing> n = numbers(term, limit);
  out.insert(out.end(), n.begin(), n.end());
  for (const NameMatch& m : names_.near(term, std::min(limit, kNameLimit), scope_)) out.push_back({std::string(m.spelling), m.value, m.cost, !m.sure});
  std::erase_if(out, [limit](const Writing& w) { return w.cost > limit; });
  byCost(out);
  return out;
}

std::vector<Writing> OperandReader::values(std::string_view read, Cost limit, size_t max) const {
  std::vector<Writing> partial{{"", 0, 0}};
  size_t i = 0;
  char op = '+';
  if (!read.empty() && read[0] == '-') {
    op = '-';
    i = 1;
  }
  while (i <= read.size()) {
    size_t end = i;
    while (end < read.size() && read[end] != '+' && read[end] != '-') {
      if (read[end] == '\'') {
        size_t len = isa::quotedLength(read.substr(end));
        if (len > 0) end += len - 1;
      }
      ++end;
    }
    std::vector<Writing> terms = termValues(read.substr(i, end - i), limit);
    std::vector<Writing> next;
    for (const Writing& p : partial) {
      for (const Writing& t : terms) {
        if (p.cost + t.cost > limit) continue;
        bool first = p.text.empty() && op == '+';
        auto value = static_cast<uint16_t>(op == '+' ? p.value + t.value : p.value - t.value);
        next.push_back({p.text + (first ? "" : std::string(1, op)) + t.text, value, p.cost + t.cost, p.named || t.named});
      }
    }
    byCost(next);
    if (next.size() > max) next.resize(max);
    partial = std::move(next);
    if (end >= read.size()) break;
    op = read[end];
    i = end + 1;
  }
  return partial;
}

std::vector<Writing> OperandReader::writingsOf(uint16_t value, std::string_view read, Cost limit) const {
  std::vector<std::pair<std::string, bool>> texts;  // and whether a name not sure gives the value
  for (int width : {1, 2, 4}) texts.push_back({hexNumber(value, width), false});
  texts.push_back({std::to_string(value), false});
  char last = read.empty() ? ' ' : read.back();
  if (misreadCost('B', last) <= kRare) {
    texts.push_back({radixNumber(value, 2, 0) + 'B', false});
    texts.push_back({radixNumber(value, 2, 8) + 'B', false});
  }
  if (misreadCost('O', last) <= kRare || misreadCost('Q', last) <= kRare) {
    texts.push_back({radixNumber(value, 8, 0) + 'O', false});
    texts.push_back({radixNumber(value, 8, 0) + 'Q', false});
  }
  if (value >= 0x20 && value < 0x7F) texts.push_back({quoted({static_cast<uint8_t>(value)}), false});
  if (here_) {
    int offset = static_cast<int16_t>(static_cast<uint16_t>(value - *here_));
    if (offset == 0) texts.push_back({"$", false});
    if (offset != 0 && offset >= -kMaxOffset && offset <= kMaxOffset) texts.push_back({"$" + signedOffset(offset), false});
  }
  for (const NameMatch& m : names_.withValue(value, scope_)) texts.push_back({std::string(m.spelling), !m.sure});
  // A name in the text, and the offset that gives the value.
  size_t cut = read.find_first_of("+-", 1);
  if (cut != std::string_view::npos) {
    for (const NameMatch& m : names_.near(read.substr(0, cut), std::min(limit, kNameLimit), scope_)) {
      int offset = static_cast<int16_t>(static_cast<uint16_t>(value - m.value));
      if (offset != 0 && offset >= -kMaxOffset && offset <= kMaxOffset)
        texts.push_back({std::string(m.spelling) + signedOffset(offset), !m.sure});
    }
  }
  std::vector<Writing> out;
  for (auto& [text, named] : texts) {
    Cost c = channelCost(text, read, limit);
    if (c <= limit) out.push_back({std::move(text), value, c, named});
  }
  byCost(out);
  return out;
}

std::optional<Writing> OperandReader::stringOf(const std::vector<uint8_t>& bytes, std::string_view read,
                                               Cost limit) const {
  if (bytes.size() < 2 || !printableBytes(bytes)) return std::nullopt;
  std::string text = quoted(bytes);
  Cost c = channelCost(text, read, limit);
  if (c > limit) return std::nullopt;
  return Writing{text, 0, c};
}

}  // namespace romlift::reading
