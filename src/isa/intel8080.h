// The Intel 8080 and 8085 instructions as one table, and the instruction set it drives.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "isa/instruction_set.h"

namespace romlift::isa {

// The register part of an instruction's operand, before any immediate value.
enum class Regs : uint8_t {
  kNone,     // no register
  kDstSrc,   // MOV d,s: 8*d + s, where M,M does not exist (76H is HLT)
  kDst,      // B C D E H L M A (0-7) times 8
  kSrc,      // B C D E H L M A (0-7)
  kPairSp,   // B D H SP (0-3) times 16
  kPairPsw,  // B D H PSW (0-3) times 16
  kPairBD,   // B D (0-1) times 16
  kRst,      // restart number 0-7 times 8
};

// One instruction: the opcode with every register field 0, and its length in bytes. The
// bytes after the opcode are the operand's value (after any register part), low byte first.
struct InstructionRow {
  std::string_view mnemonic;
  Regs regs;
  uint8_t opcode;
  uint8_t length;
  bool only8085;
};

// Every instruction of the 8085; the 8080 has all but those marked only8085.
std::span<const InstructionRow> intel8080Rows();

// True for the mnemonic of an 8085 instruction or of one of its assembler's directives.
bool isMnemonic(std::string_view word);

// A mnemonic of up to four upper-case letters as one number, 0 for anything else.
constexpr uint32_t packMnemonic(std::string_view m) {
  constexpr unsigned kBitsPerLetter = 5;
  if (m.empty() || m.size() > 4) return 0;
  uint32_t key = 0;
  for (char c : m) {
    if (c < 'A' || c > 'Z') return 0;
    key = key << kBitsPerLetter | static_cast<uint32_t>(c - 'A' + 1);
  }
  return key;
}

// The 8080 or 8085 table with Intel's assembler syntax and data directives.
class Intel8080Set final : public InstructionSet {
 public:
  explicit Intel8080Set(bool with8085) : with8085_(with8085) {}
  std::string_view name() const override { return with8085_ ? "8085" : "8080"; }
  Expected expected(const SourceLine& line, const LabelResolver& labels) const override;
  bool mayStartWith(std::string_view mnemonic, uint8_t opcode) const override;

 private:
  const InstructionRow* find(uint32_t key) const;

  bool with8085_;
};

}  // namespace romlift::isa
