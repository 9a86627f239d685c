#include "isa/value.h"

namespace romlift::isa {
namespace {

constexpr uint32_t kMaxValue = 0xFFFF;
constexpr uint32_t kNotADigit = 16;

// Value of one upper-case digit in any base up to 16.
uint32_t digitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
  return kNotADigit;
}

// Base that a number's last character gives it; 0 when that is no suffix.
uint32_t baseOfSuffix(char c) {
  switch (c) {
    case 'H': return 16;
    case 'B': return 2;
    case 'O':
    case 'Q': return 8;
    case 'D': return 10;
    default: return 0;
  }
}

// The character of a one-character quoted string.
std::optional<uint16_t> quotedChar(std::string_view quoted) {
  size_t count = 0;
  char only = 0;
  forEachQuotedChar(quoted, [&](char c) {
    ++count;
    only = c;
  });
  if (quoted.empty() || count != 1) return std::nullopt;
  return static_cast<uint8_t>(only);
}

// Reads the term at text[i], moving i past it.
std::optional<uint16_t> readTerm(std::string_view text, size_t& i, std::optional<uint16_t> here,
                                 const LabelResolver& labels) {
  std::string_view rest = text.substr(i);
  if (rest.empty()) return std::nullopt;
  if (rest[0] == '\'') {
    size_t len = quotedLength(rest);
    i += len;
    return quotedChar(rest.substr(0, len));
  }
  if (rest[0] == '$') {
    ++i;
    return here;
  }
  size_t len = 0;
  while (len < rest.size() && isNameChar(rest[len])) ++len;
  if (len == 0) return std::nullopt;
  i += len;
  std::string_view token = rest.substr(0, len);
  if (isDigit(token[0])) return parseNumber(token);
  return labels.value(token);
}

}  // namespace

std::optional<uint16_t> parseNumber(std::string_view token) {
  if (token.empty() || !isDigit(token[0])) return std::nullopt;
  uint32_t base = 10;
  if (!isDigit(token.back())) {
    base = baseOfSuffix(token.back());
    if (base == 0) return std::nullopt;
    token.remove_suffix(1);
  }
  uint32_t value = 0;
  for (char c : token) {
    uint32_t d = digitValue(c);
    if (d >= base) return std::nullopt;
    value = value * base + d;
    if (value > kMaxValue) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

size_t quotedLength(std::string_view text) {
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '\'') continue;
    if (i + 1 < text.size() && text[i + 1] == '\'') {
      ++i;
      continue;
    }
    return i + 1;
  }
  return 0;
}

std::optional<uint16_t> evaluate(std::string_view text, std::optional<uint16_t> here,
                                 const LabelResolver& labels) {
  size_t i = 0;
  bool minus = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    minus = text[0] == '-';
    i = 1;
  }
  uint16_t sum = 0;
  for (;;) {
    std::optional<uint16_t> term = readTerm(text, i, here, labels);
    if (!term) return std::nullopt;
    sum = static_cast<uint16_t>(minus ? sum - *term : sum + *term);
    if (i == text.size()) return sum;
    if (text[i] != '+' && text[i] != '-') return std::nullopt;
    minus = text[i] == '-';
    ++i;
  }
}

}  // namespace romlift::isa
