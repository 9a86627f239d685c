// Code lines that wait for label values, kept compactly, and the sections' names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "isa/instruction_set.h"
#include "verify/judgement.h"

namespace romlift::verify {

// A code line whose operand names a label: what judging it needs, in 28 bytes.
struct PendingLine {
  static constexpr size_t kMnemonic = 4;  // the scanner takes 2 to 4 letters
  static constexpr size_t kOperand = 8;   // and at most 8 operand characters

  uint32_t lineno = 0;
  uint32_t segment = 0;
  uint16_t address = 0;
  Shown shown;
  uint8_t mnemonicLength = 0;
  uint8_t operandLength = 0;
  char mnemonic[kMnemonic] = {};
  char operand[kOperand] = {};

  // False when the fields are longer than a code line's can be.
  bool assign(const isa::SourceLine& source);
  isa::SourceLine source() const {
    return {{mnemonic, mnemonicLength}, {operand, operandLength}, address};
  }
};

// The sections' names (the segment text of their first-page headers), numbered from 0 in the
// order they first appear.
class Segments {
 public:
  uint32_t id(std::string_view text);
  const char* text(uint32_t id) const { return texts_[id].c_str(); }
  // The number of a segment text that the registers hold, looked up by its text when its
  // address differs from the last one asked.
  uint32_t idOf(const char* registerCopy);

 private:
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::vector<std::string> texts_;
  std::unordered_map<std::string, uint32_t, TextHash, std::equal_to<>> ids_;
  const char* lastCopy_ = nullptr;
  uint32_t lastId_ = 0;
};

}  // namespace romlift::verify

