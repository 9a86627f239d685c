// A code line's object code against the bytes its instruction must have, and the message that
// tells a difference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

#include "isa/instruction_set.h"

namespace romlift::verify {

// The listing shows at most this many bytes of a line's object code.
inline constexpr size_t kShownBytes = 3;

// The object code as the listing shows it.
struct Shown {
  uint8_t count = 0;
  uint8_t bytes[kShownBytes] = {};
};

// The 2, 4 or 6 hex digits at the object-code column of an accepted code line.
Shown shownCode(const char* line);

// A line whose object code differs from what is certain about it, as its message tells it.
struct Finding {
  uint32_t lineno = 0;
  uint32_t segment = 0;  // the caller's number for the line's section
  uint16_t address = 0;
  Shown shown;
  uint8_t expectedLength = 0;          // the bytes the line must have; more than shown for a long DB
  uint8_t expected[kShownBytes] = {};  // the first of them
  uint8_t knownMask = 0;               // bit i: expected[i] is certain
  // A line that the learned set judges: like `agreeing` of the `shapeLines` lines of `shape`.
  bool probable = false;
  uint32_t agreeing = 0;
  uint32_t shapeLines = 0;
  std::string_view shape;
  // The first byte shown is the opcode of no form of the line's mnemonic (ORA over 83), whatever
  // the operand, which may be lost.
  char noFormOf[8] = {};
};

// What comparing one line found.
struct Judgement {
  bool checked = false;  // every byte was compared
  bool error = false;    // something certain differs; the finding is filled in then
};

// Compares the shown object code with the expected bytes. A line is checked when all its bytes
// are known and the column can show them all; a longer DB compares the bytes shown.
Judgement judge(const isa::Expected& expected, const Shown& shown, Finding& finding);

// The one compared digit that differs from what is certain, when it is alone and OCR confuses
// the two digits in the object-code column (8 and B, 5 and 6, ...): its 1-based position.
struct MisreadDigit {
  size_t position;
  char read, meant;
};
std::optional<MisreadDigit> misreadDigit(const Finding& finding);

// One line: `<<< Erreur >>> : ligne N segment S adresse A code C attendu E (...)`, or
// `<<< Probable >>> : ...` for a learned-set finding.
void printFinding(FILE* out, const Finding& finding, const char* segment);

}  // namespace romlift::verify
