// What the object code, mnemonic and operand of a code line were, when OCR read them as some
// texts: the instructions and data directives whose printed fields are near what was read,
// each with the bytes it gives.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reading/glyphs.h"
#include "reading/names.h"

namespace romlift::reading {

struct Instruction {
  std::string object;    // the object code's hex digits, as many as the listing prints
  std::string mnemonic;
  std::string operand;
  uint8_t length = 0;    // the bytes the line gives
  Cost cost = 0;         // of reading the three fields as OCR gave them
  Cost textCost = 0;     // of reading the mnemonic and the operand alone
  bool named = false;    // its bytes take a value from a name the listing defines
};

struct InstructionQuery {
  std::string_view object, mnemonic, operand;  // as read
  std::optional<uint16_t> address;             // the line's, for `$`
  const Names* names = nullptr;
  Scope scope = kAnywhere;
  Cost limit = 24;  // no reading further than this from what was read
  bool guessing = false;  // names and `$` taken as read: for the length alone
};

// The readings, cheapest first, at most `max`.
std::vector<Instruction> readInstruction(const InstructionQuery& q, size_t max);

// The instruction that object code gives, its operand's value written as a hex number: what a
// line cut after its object code is completed with. Nothing for bytes no instruction starts
// with, or that are not as many as it takes.
std::optional<Instruction> disassemble(const std::vector<uint8_t>& bytes);

// The hex digits of bytes.
std::string hexBytes(const uint8_t* bytes, size_t n);

// How many bytes every instruction of the mnemonic gives; 0 when they differ or none has it.
int lengthOf(std::string_view mnemonic);

// True for the mnemonic of an instruction or data directive that gives bytes.
bool givesBytes(std::string_view mnemonic);

}  // namespace romlift::reading
