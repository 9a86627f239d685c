// What an operand's value was printed as, when OCR read it as some text: numbers, names the
// listing defines, `$`, quoted characters, and sums and differences of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reading/glyphs.h"
#include "reading/names.h"

namespace romlift::reading {

// A text as printed and the value it stands for.
struct Writing {
  std::string text;
  uint16_t value = 0;
  Cost cost = 0;  // of reading the text as what OCR gave
  bool named = false;  // its value comes from a name whose value is not sure
};

class OperandReader {
 public:
  // `here` is the line's address, for `$`; names may be empty. A guessing reader takes every
  // name and `$` as read, worth 0: for the length of an instruction before names are known.
  OperandReader(const Names& names, Scope scope, std::optional<uint16_t> here, bool guessing = false)
      : names_(names), scope_(scope), here_(here), guessing_(guessing) {}

  // The expressions OCR may have read as `read`, each with its value, cheapest first; at most
  // `max`, none more than `limit` away.
  std::vector<Writing> values(std::string_view read, Cost limit, size_t max) const;

  // The ways `value` may have been written that OCR may have read as `read`: as a number in the
  // notations an assembler takes, a name with that value, `$` and an offset, a quoted
  // character, or the names in `read` with the offset that gives the value; cheapest first.
  std::vector<Writing> writingsOf(uint16_t value, std::string_view read, Cost limit) const;

  // The same for a quoted string of the bytes.
  std::optional<Writing> stringOf(const std::vector<uint8_t>& bytes, std::string_view read, Cost limit) const;

 private:
  std::vector<Writing> termValues(std::string_view term, Cost limit) const;
  std::vector<Writing> numbers(std::string_view term, Cost limit) const;

  const Names& names_;
  Scope scope_;
  std::optional<uint16_t> here_;
  bool guessing_;
};

// The items of a DB or DW operand: its parts between commas outside quotes.
std::vector<std::string_view> operandItems(std::string_view operand);

}  // namespace romlift::reading
