// A code line's fields and whether its object code is the one its instruction must have.
#pragma once

#include <string_view>

#include "fix/line_facts.h"
#include "isa/value.h"
#include "scanner/rules.h"

namespace romlift::fix {

// Gives every name a value: what then fails to evaluate is malformed, whatever the labels.
class AnyLabel final : public isa::LabelResolver {
 public:
  std::optional<uint16_t> value(std::string_view) const override { return 0; }
};

// The fields after the object code of a code line, as its token's layout places them.
CodeFields fieldsOf(std::string_view text, const LineFacts& f);

enum class CodeVerdict : uint8_t {
  Good,             // the bytes are the ones the instruction and operand give
  NotCheckable,     // nothing sure can be said of them
  UnknownMnemonic,  // no instruction or directive of the 8080/8085 has the mnemonic
  BadOperand,       // the operand does not fit the instruction, or is no expression
  WrongLength,      // the instruction gives another number of bytes
  WrongBytes,       // the instruction and its operand give other bytes
  UnknownLabel,     // the operand names a label that the listing does not define
};

// The verdict on code line f (its text) with the operand's labels from labels.
CodeVerdict checkCode(std::string_view text, const LineFacts& f, const isa::LabelResolver& labels);

// The verdict on an EQU line: its value against what its operand gives.
CodeVerdict checkEqu(std::string_view text, const LineFacts& f, const isa::LabelResolver& labels);

}  // namespace romlift::fix
