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

// The value of an operand expression in 16-bit arithmetic, as Intel's assembler computes it:
// numbers, a one-character string in either quotes, `$` for `here`, and names, with
// parentheses and the operators from the tightest binding: HIGH LOW; * / MOD SHL SHR; + -
// (also leading); EQ NE LT LE GT GE; NOT; AND; OR XOR. Blanks may stand between the parts.
// Nothing when a name or `here` is not known, a division is by zero, or the text is anything
// else.
std::optional<uint16_t> evaluate(std::string_view text, std::optional<uint16_t> here,
                                 const LabelResolver& labels);

// Where the next name of an operand starts at or after `from`, with the name in *name; npos
// when there is none. A name starts with a letter, '?', '@' or '_' and runs up to a blank, a
// quote, a comma, a parenthesis or an arithmetic sign, whatever its other characters (OP.TPC,
// LRA.); the operator words are no names and strings are passed over.
size_t nextName(std::string_view operand, size_t from, std::string_view* name);

// Length of the operand at the start of text, where a listing prints it as its source was
// typed (DB 011H, 0CAH; CPI ' '; LXI H,1 SHL 8) and a comment may follow: any blank stands
// inside quotes; outside, a single blank after a comma, an operator or an opening
// parenthesis, or before a comma, a binary operator or a closing parenthesis; a control
// character or any other blank ends it.
size_t operandLength(std::string_view text);

// Whether each part of the operand between commas (outside quotes and parentheses) is an
// expression that evaluate reads, whatever values its names have.
bool wellFormedOperand(std::string_view operand);

// Calls f(name) for each name in an operand, as evaluate reads them.
template <typename F>
void forEachName(std::string_view operand, F&& f) {
  std::string_view name;
  for (size_t at = nextName(operand, 0, &name); at != std::string_view::npos; at = nextName(operand, at + name.size(), &name))
    f(name);
}

// The value of a number token (it starts with a digit): hex with H, binary with B, octal with
// O or Q, decimal bare or with D. Nothing when it does not parse or exceeds 16 bits.
std::optional<uint16_t> parseNumber(std::string_view token);

// Strings stand between single or double quotes.
constexpr bool isQuote(char c) { return c == '\'' || c == '"'; }

// Length of the quoted string that starts at text[0] (a quote), closing quote included; the
// same quote doubled inside stands for one. 0 when the string is not closed.
size_t quotedLength(std::string_view text);

// Calls emit(c) for each character of a whole quoted string as quotedLength measured it.
template <typename Emit>
void forEachQuotedChar(std::string_view quoted, Emit&& emit) {
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] == quoted[0]) ++i;  // the first of a doubled quote
    emit(quoted[i]);
  }
}

// Characters of a name as Intel's assembler spells it (evaluate reads wider names); it starts
// with a letter, '?', '@' or '_'.
constexpr bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '?' ||
         c == '@' || c == '_';
}
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace romlift::isa
