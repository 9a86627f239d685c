// Values of operand expressions, as Intel's 8080 assembler writes and computes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace romlift::isa {

// Gives the value of a label, or nothing when the caller does not know it.
class LabelResolver {
 public:
  virtual std::optional<uint16_t> value(std::string_view label) const = 0;

 protected:
  ~LabelResolver() = default;
};

// A resolver that knows no label.
class NoLabels final : public LabelResolver {
 public:
  std::optional<uint16_t> value(std::string_view) const override { return std::nullopt; }
};

// The value of an operand expression in 16-bit arithmetic: terms (numbers, one quoted
// character, `$` for `here`, labels) joined by + and -, with an optional leading sign. Nothing
// when a label or `here` is not known, or the text is anything else.
std::optional<uint16_t> evaluate(std::string_view text, std::optional<uint16_t> here,
                                 const LabelResolver& labels);

// The value of a number token (it starts with a digit): hex with H, binary with B, octal with
// O or Q, decimal bare or with D. Nothing when it does not parse or exceeds 16 bits.
std::optional<uint16_t> parseNumber(std::string_view token);

// Length of the quoted string that starts at text[0] (a quote), closing quote included; a
// doubled quote inside stands for one quote. 0 when the string is not closed.
size_t quotedLength(std::string_view text);

// Calls emit(c) for each character of a whole quoted string as quotedLength measured it.
template <typename Emit>
void forEachQuotedChar(std::string_view quoted, Emit&& emit) {
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] == '\'') ++i;  // the first of a doubled quote
    emit(quoted[i]);
  }
}

// Characters that may continue a label; it starts with a letter, '?', '@' or '_'.
constexpr bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '?' ||
         c == '@' || c == '_';
}
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace romlift::isa
