// The labels of a listing as its symbol tables, code lines, EQU and DS lines give them, per
// section range, and the values that operands take from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bytes/short_text.h"
#include "fix/line_facts.h"
#include "isa/value.h"
#include "verify/label_table.h"

namespace romlift::fix {

// A label and an address text as one of the listing's lines gives them; a code label's owner
// is the labelled code line that takes it, and the line itself for the others. A line of
// another part of the listing that shares the range is kOutside.
struct Located {
  ShortText label;
  ShortText adr;
  size_t line;
  size_t owner;
};

// The labels of the lines with one range. Label-only lines stand at the address of the next
// labelled code line, as the run records them; but not past a line that fits no layout and may
// be that code line misread: then they stand nowhere.
struct SegmentLabels {
  std::vector<Located> table;       // every symbol-table entry, in listing order
  std::vector<Located> code;        // every code-line and label-only label, at its address
  std::vector<Located> directives;  // every EQU (value) and DS (address) label
  // Each name (as verify keys labels) with each value a valid hexadecimal address or value
  // gives it; sorted, each pair once, after seal().
  std::vector<std::pair<uint64_t, uint16_t>> values;

  bool tabled() const { return !table.empty(); }
  void give(const ShortText& label, std::optional<uint16_t> value) {
    if (value) values.push_back({verify::labelKey(label), *value});
  }
  void seal();
  // The only value the range gives the name; nothing when it gives none or several.
  std::optional<uint16_t> valueOf(uint64_t name) const;
  bool defines(uint64_t name) const;
};

inline constexpr size_t kOutside = static_cast<size_t>(-1);

// The labels of lines [from, to) of facts, by range; labels of label-only lines that no labelled
// code line takes before `to` are left in pending. Line i is counted as line first + i, or last
// when that is less. The ranges' values are sealed by the caller.
void collectLabels(const Facts& facts, size_t from, size_t to, std::map<std::string, SegmentLabels>& out,
                   std::vector<Located>& pending, size_t first = 0, size_t last = kOutside - 1);

// Every range's labels, the names each code line's operand uses, and label values for operands.
class LabelIndex {
 public:
  explicit LabelIndex(const Facts& facts, const std::vector<LineRef>& lines);

  const SegmentLabels* segment(const std::string& seg) const;
  const std::map<std::string, SegmentLabels>& segments() const { return segments_; }
  // The code lines whose operand names the name (a label key).
  const std::vector<size_t>& users(uint64_t name) const;
  // Every label that some line defines or a symbol table gives, with those lines.
  const std::unordered_map<uint64_t, std::vector<size_t>>& definers() const { return definers_; }

  // True when a symbol table and a line (code, label-only, EQU or DS) of the range that defines
  // name for an operand of range seg give it the same value: two sources that agree.
  bool confirmed(std::string_view name, const std::string& seg) const;
  // The value of name for an operand in range seg: the range's own, or else the one value all
  // other ranges agree on, unless a line of seg that could not be read may define it.
  // `overrides` stand for the ranges they name.
  std::optional<uint16_t> value(std::string_view name, const std::string& seg,
                                const std::map<std::string, SegmentLabels>* overrides) const;

 private:
  // For each name, the ranges that define it and the value each gives (nothing for several).
  struct Definition {
    const std::string* seg;
    std::optional<uint16_t> value;
  };

  std::map<std::string, SegmentLabels> segments_;
  // True when a line of seg that fits no layout has name where a label stands.
  bool mayDefine(const std::string& seg, std::string_view name) const;

  std::unordered_map<uint64_t, std::vector<Definition>> definitions_;
  std::unordered_map<uint64_t, std::vector<size_t>> users_;
  std::unordered_map<uint64_t, std::vector<size_t>> definers_;
  // The numbered lines that fit no layout, by range.
  std::map<std::string, std::vector<std::string_view>> unread_;
};

// A label resolver for the operands of one range.
class RangeResolver final : public isa::LabelResolver {
 public:
  RangeResolver(const LabelIndex& index, std::string seg, const std::map<std::string, SegmentLabels>* overrides)
      : index_(index), seg_(std::move(seg)), overrides_(overrides) {}
  std::optional<uint16_t> value(std::string_view label) const override {
    return index_.value(label, seg_, overrides_);
  }

 private:
  const LabelIndex& index_;
  std::string seg_;
  const std::map<std::string, SegmentLabels>* overrides_;
};

// The address text of a value: four upper-case hexadecimal digits.
ShortText hexText(uint16_t value);

// A label as this listing's assembler writes one: an upper-case letter, then upper-case letters,
// digits and ? @ _.
bool wellFormedLabel(const ShortText& label);

// The names an operand uses: its terms that start with a letter, outside quoted characters,
// but the registers' names.
std::vector<std::string_view> operandNames(std::string_view operand);

}  // namespace romlift::fix
