// At the end of a run, what every section says of the labels that code lines still wait for:
// read from the registers, which hold every code-line and symbol-table label, and from the
// EQU and DS labels that no symbol table gave.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "registers/registers.h"
#include "verify/label_table.h"
#include "verify/pending.h"

namespace romlift::verify {

// An EQU or DS label that its section's symbol table did not give.
struct KeptDirective {
  uint64_t key;
  uint32_t segment;
  uint16_t value;
};

class OtherSections {
 public:
  // Asks for the definitions of a label that an operand names.
  void want(std::string_view name);
  // Reads the definitions of the labels asked for; a label in suspects gives no value from its
  // section's lines.
  void read(const Registers& registers, Segments& segments, const std::vector<KeptDirective>& kept,
            const std::vector<KeptDirective>& suspects);
  // The label's value for a line of the given section: that section's, else that of the one
  // other section that defines it. Nothing when no section or several others define it, or
  // the section that decides knows no single value.
  std::optional<uint16_t> value(std::string_view label, uint32_t segment) const;

 private:
  struct SectionDef {
    uint32_t segment;
    LabelDef def;
  };
  // The definition of a wanted label in a section; nullptr when the label is not wanted.
  LabelDef* defOf(uint64_t key, uint32_t segment);
  void readCodeLabels(const CodeRegister& codes, Segments& segments);
  void readSymbols(const SymbolRegister& symbols, Segments& segments);

  LabelTable<uint32_t> wanted_;  // index in defs_
  std::vector<std::vector<SectionDef>> defs_;
};

}  // namespace romlift::verify
