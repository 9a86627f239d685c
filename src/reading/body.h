// The numbered lines of one section read together: their line numbers follow on from 001, the
// addresses of their code follow on from the ORG, and each line's fields are what the numbers,
// the addresses, the instruction and the listing's names leave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reading/instruction.h"
#include "reading/names.h"
#include "reading/reader.h"
#include "reading/structure.h"
#include "reading/table.h"
#include "reading/words.h"

namespace romlift::reading {

enum class LineKind : uint8_t { Code, Equ, Ds, Org, End, StarComment, ColumnComment, LabelOnly, NumberOnly };

// The best reading of a line must be this much cheaper than the next for the line to take it.
inline constexpr Cost kMargin = 3;

struct NumberedLine {
  size_t line = 0;
  NumberedFields f;
  LineKind kind = LineKind::Code;
  int number = -1;                  // as the run of numbers gives it
  int length = -1;                  // Code: the bytes it gives; Ds: the bytes it reserves
  std::optional<uint16_t> address;  // Code, Ds, End: as the run of addresses gives it
  int span = -1;                    // Code, Ds: how far the next line's address is from this one's
  std::optional<uint16_t> value;    // Equ: its value; Org: the address it sets
  bool duplicate = false;           // the line before it printed again
};

class Body {
 public:
  Body(const std::vector<std::string_view>& lines, const std::vector<Surveyed>& shapes, const Section& s, Scope scope,
       const alternatives::Index* alternatives = nullptr);

  // The labels the section's lines define, at their values.
  void defineNames(Names& names) const;
  std::vector<Definition> definitions() const;
  // Counts the names the operands use, as read.
  void countUses(Uses& uses) const;
  // The lines as printed, where the listing forces a reading other than what OCR gave; labels
  // gives the label of the lines whose label the symbol table settled.
  void decide(const Names& names, const std::map<size_t, std::string>& labels, const std::vector<size_t>& disputed,
              std::map<size_t, std::string>& rewrites, std::vector<size_t>& deleted, Reading& out) const;

  const std::vector<NumberedLine>& lines() const { return numbered_; }
  // True when most of the section's code is another processor's: its lines are left as read.
  bool foreign() const { return foreign_; }

 private:
  void guessKinds();
  void judgeForeign();
  void runNumbers();
  void runAddresses();
  bool gapAfter(size_t j) const;
  // True for a data line that goes on with the bytes of the one before under the same number.
  bool continues(size_t before, size_t j) const;
  std::optional<uint16_t> readAddress(const NumberedLine& n, Cost& cost) const;
  // The label of a line as printed: as read when it is a well-formed name, else the one name
  // near it that stands at the line's address.
  std::string labelOf(const NumberedLine& n, const Names& names, const std::map<size_t, std::string>& labels) const;
  std::string starText(size_t line) const;
  bool mayBeCut(const NumberedFields& f, const std::vector<Instruction>& readings) const;
  bool readsAsPrinted(const NumberedLine& n, const Names& names) const;
  bool directiveAsPrinted(const NumberedLine& n, const Names& names) const;
  bool numberHolds(size_t j) const;
  bool harmlessComment(const NumberedLine& n) const;
  // True for a labelled line after a label-only line: left unread, it costs the section.
  bool closesLabelRun(size_t j) const;
  // The line cut right after its object code, completed from it; empty when it cannot be.
  std::string completed(const NumberedLine& n, const std::string& label) const;
  // A line romlift cannot read, whose operand no reading takes: written from its object code
  // when the value's digits read as printed and the mnemonic and register as read give the
  // opcode; empty when they do not.
  std::string spokenByObject(const NumberedLine& n, const std::string& label) const;
  std::string writtenFrom(const NumberedLine& n, const std::string& label, const Instruction& ins) const;
  // A data line romlift cannot read whose operand no reading takes, with object code read as
  // the hex digits of as many bytes as the run of addresses gives it: its number and address
  // as the runs give them, the rest as read, so that its printed bytes reach the image. Empty
  // when it is not such a line.
  std::string withRunFields(const NumberedLine& n, const std::string& label) const;
  // Empty lines between a label-only line and the labelled code line it goes with: none was
  // printed there, and romlift would take the label-only line for one without its code line.
  void emptyLinesInLabelRuns(std::vector<size_t>& deleted) const;

  const std::vector<std::string_view>& text_;
  const Section& section_;
  std::vector<NumberedLine> numbered_;
  Scope scope_;
  const alternatives::Index* alternatives_;  // the OCR engine's choices, when given
  bool foreign_ = false;
};

// A label as this listing's assembler writes one: a letter, then letters, digits and ? @ _,
// six characters at most.
bool wellFormedName(std::string_view s);

}  // namespace romlift::reading
