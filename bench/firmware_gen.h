// The firmware variant's generator: real 8080 code, as its assembler lists it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "firmware_parts.h"
#include "listing_gen.h"
#include "listing_writer.h"

namespace romlift::bench::firmware {

// An operand as written, with the value it stands for.
struct Operand {
  std::string text;
  unsigned value = 0;  // known unless forward is set
  int forward = -1;    // a label defined further down: the value is its address plus addend
  int addend = 0;
  uint8_t uses = 0;  // kUsesLabel, kUsesEqu, kUsesDollar, kUsesExpr
};

// One instruction or data line's object code and operand.
struct Encoded {
  Operand operand;
  std::array<unsigned, 3> bytes{};
  int count = 1;
  int wordAt = -1;  // the byte where a 16-bit operand value starts, low byte first
};

// The name of vector i of section n: V, a letter and four digits, a shape that no other label
// has, so that only section n defines it (for the first 60000 sections).
std::string vectorName(uint64_t section, int i);

// Every section opens with EQU lines and a few JMP vectors that the later sections call. The
// body mixes every instruction form and operand notation with EQU, DS, DB and DW lines;
// labels are used before and after their line and across sections.
class FirmwareGenerator : public ListingWriter {
 public:
  FirmwareGenerator(const GenOptions& options, const std::function<void(std::string_view)>& sink);

 private:
  // Object digits of a 16-bit value at out_[at], waiting for a label's address.
  struct Fixup {
    size_t at;
    int addend;
  };
  struct Forward {
    std::string name;
    std::vector<Fixup> fixups;
  };
  using Symbol = std::pair<std::string, uint16_t>;
  enum class Want : uint8_t { Jump, Pointer, Memory };

  // firmware_gen.cc: the section and its lines.
  void section() override;
  void block();
  void vectors();
  void equLine(bool wide);
  void dsLine();
  void codeLine(const Op& op, bool labelled);
  const Op& pickOp();
  const Op& opNamed(std::string_view mnemonic) const;
  Encoded encode(const Op& op);
  Encoded encodeOneByte(const Op& op);
  Encoded encodeWithValue(const Op& op);
  void writeCodeLine(const std::string& label, const char* mnemonic, const Encoded& e);
  std::string fieldsLine(unsigned address, std::string_view object, std::string_view label, std::string_view mnemonic,
                         std::string_view operand, uint32_t commentPercent);
  // A label for the line at adr_: one already used further up, or a new one.
  std::string takeLabel();
  void countUses(uint8_t uses);

  // firmware_operands.cc: operand values in every notation.
  Operand byteValue(size_t room);
  Operand portValue();
  Operand wordValue(Want want, size_t room);
  void dataBytes(Encoded& e);
  Operand number(unsigned value, bool wide, size_t room, bool allowChar = true);
  bool named(Operand& o, const std::vector<Symbol>& from, uint8_t uses, size_t room, bool expr, unsigned limit);
  bool forwardLabel(Operand& o, size_t room);
  bool otherSection(Operand& o, size_t room);
  bool dollar(Operand& o, size_t room);
  int addend();

  std::deque<std::string> mnemonics_;  // of the families' forms
  std::vector<Op> ops_;                // every form, with its weight
  int totalWeight_ = 0;
  std::vector<Symbol> code_;  // code labels of the section so far
  std::vector<Symbol> data_;  // DS labels
  std::vector<Symbol> equ8_;  // EQU constants of 8 bits
  std::vector<Symbol> equ16_;
  std::vector<Forward> forward_;
  size_t nextForward_ = 0;  // the first forward label not yet given to a line
};

// Hex with a trailing H (a 0 before a leading letter), decimal, binary with B, octal with Q
// or O, or a character in quotes (8-bit values, where allowChar); in at most room
// characters, hex with as few digits as will do when the chosen notation does not fit.
std::string numberText(parts::Rng& rng, unsigned value, bool wide, size_t room, bool allowChar);

// A character constant: 'A', and '''' for the quote itself.
std::string charText(char c);

}  // namespace romlift::bench::firmware

namespace romlift::bench {

GenStats generateFirmware(const GenOptions& options, const std::function<void(std::string_view)>& sink);

}  // namespace romlift::bench
