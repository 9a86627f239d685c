// What object code a line of assembler source must have, for a processor chosen by name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "isa/value.h"

namespace romlift::isa {

// One source line as the encoder sees it: its mnemonic and operand fields without blanks, and
// its address.
struct SourceLine {
  std::string_view mnemonic;
  std::string_view operand;
  uint16_t address = 0;
};

enum class Verdict : uint8_t {
  kUnknownMnemonic,  // not in the instruction set: only a learned set can judge the line
  kExpected,         // length and bytes[0] are certain, the other bytes when operandKnown
  kNotCheckable,     // a known mnemonic whose bytes cannot be predicted for sure
  kOtherForm,        // a known mnemonic with an operand of a form its instruction never takes
};

// The longest byte sequence one line is expected to give; a longer DB is not checkable.
inline constexpr size_t kMaxExpectedBytes = 64;

// The object code that a line must have. A listing shows at most three bytes of it.
struct Expected {
  Verdict verdict = Verdict::kNotCheckable;
  bool operandKnown = false;
  uint8_t length = 0;
  std::array<uint8_t, kMaxExpectedBytes> bytes;  // the first `length` are set

  static Expected unknownMnemonic() { return Expected{Verdict::kUnknownMnemonic, false, 0, {}}; }
  static Expected notCheckable() { return Expected{}; }
  static Expected otherForm() { return Expected{Verdict::kOtherForm, false, 0, {}}; }
};

// A processor's instructions together with its assembler's data directives.
class InstructionSet {
 public:
  virtual ~InstructionSet() = default;
  virtual std::string_view name() const = 0;
  // The bytes that line must have, with label values from labels.
  virtual Expected expected(const SourceLine& line, const LabelResolver& labels) const = 0;
  // False when no instruction of the mnemonic, whatever its operand, starts with the opcode;
  // true when one may, or when the set cannot tell.
  virtual bool mayStartWith(std::string_view /*mnemonic*/, uint8_t /*opcode*/) const { return true; }
};

// The name a caller gets when it does not choose one.
inline constexpr std::string_view kDefaultInstructionSet = "8085";

// The set named "8085" (8080 with RIM and SIM), "8080", or "none" (knows no mnemonic);
// nullptr for any other name. The sets are immutable and live as long as the program.
const InstructionSet* findInstructionSet(std::string_view name);

}  // namespace romlift::isa
