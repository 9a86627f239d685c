// What a damaged code line can only have been: the rest of a line cut short, derived from its
// object code, or the object code derived from the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <string>
#include <vector>

#include "fix/confusion.h"
#include "fix/snapshot.h"

namespace romlift::fix {

// What an opcode decodes to: the mnemonic, the register part of its operand, its length.
struct Decoded {
  std::string_view mnemonic;
  std::string regs;    // "A,B", "SP", "7" for RST 7; empty for none
  uint8_t length = 0;  // 0: no instruction has the opcode
};

// The 8085 instruction whose code starts with opcode.
const Decoded& decoded(uint8_t opcode);

// The ways the assembler writes a value: hex, decimal, binary, octal, a quoted character.
std::vector<std::string> valueWritings(unsigned v);

// Line i completed from its object code, when what is left of it ends inside its mnemonic or
// operand and exactly one instruction fits both: the one its first byte decodes to, with the
// one writing of its value (a number or a label of that value) that starts as the operand left
// does. A line that may be data (DB, DW) or lost its mnemonic whole says too little.
void completeCut(const Snapshot& snap, size_t i, const TextSink& emit);

// Line i with the object code that its mnemonic, operand and the labels give, when its object
// column cannot be read at all (lost, or marks no look-alike explains) and every byte is known.
void deriveObjectCode(const Snapshot& snap, size_t i, const TextSink& emit);

}  // namespace romlift::fix
