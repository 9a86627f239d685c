// Labels and what a section says they stand for, in a table built for a section's labels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "bytes/short_text.h"

namespace romlift::verify {

// A label as one 8-byte word: at most six characters, trailing blanks and the register's tag
// byte left out; 0 for no label (empty, or too long to be one).
uint64_t labelKey(const ShortText& label);
uint64_t labelKey(std::string_view name);

// The value of four hex digits; nothing when they are not four upper-case hex digits.
std::optional<uint16_t> hexAddress(const ShortText& adr);

// What one section says a label stands for: the value its symbol table gives, and the value
// its code lines (label-only lines included), EQU and DS lines give. A level that gives two
// different values, or an address that cannot be read, knows none.
class LabelDef {
 public:
  void addTable(std::optional<uint16_t> value) { add(value, table_, kTable, kTableUnknown); }
  void addLine(uint16_t value) { add(value, line_, kLine, kLineUnknown); }
  // A line defines the label at an address that does not follow on from the lines before it:
  // the address may be misread, so the lines alone give no value, and a table that says
  // otherwise is not certain either.
  void suspectLine(uint16_t value) { add(value, suspect_, kLineSuspect, kSuspectMixed); }
  bool defined() const { return flags_ != 0; }
  bool inTable() const { return flags_ & kTable; }
  // The section's value: the table's when it gives the label, else the lines'. Nothing when
  // that level knows no single value, or when the table and the lines disagree.
  std::optional<uint16_t> value() const;

 private:
  static constexpr uint8_t kTable = 1, kTableUnknown = 2, kLine = 4, kLineUnknown = 8, kLineSuspect = 16,
                           kSuspectMixed = 32;
  void add(std::optional<uint16_t> value, uint16_t& slot, uint8_t seen, uint8_t unknown);

  uint16_t table_ = 0;
  uint16_t line_ = 0;
  uint16_t suspect_ = 0;
  uint8_t flags_ = 0;
};

// Label keys to values of T, by open addressing. Cleared between sections, it keeps its slots:
// once it has grown to a section's labels it allocates no more.
template <typename T>
class LabelTable {
 public:
  // The value of key (not 0), made when absent.
  T& operator[](uint64_t key) {
    if (2 * (size_ + 1) > slots_.size()) grow();
    Slot& s = slots_[probe(key)];
    if (s.key == 0) {
      s.key = key;
      ++size_;
    }
    return s.value;
  }
  const T* find(uint64_t key) const {
    if (key == 0 || size_ == 0) return nullptr;
    const Slot& s = slots_[probe(key)];
    return s.key == key ? &s.value : nullptr;
  }
  // Forgets every label; a table grown far beyond its last use shrinks back.
  void clear() {
    constexpr size_t kSpare = 64;
    if (slots_.size() > kSpare * (size_ + 1)) slots_.assign(kMinSlots, Slot{});
    else if (size_ != 0) slots_.assign(slots_.size(), Slot{});
    size_ = 0;
  }
  template <typename F>
  void forEach(F&& f) const {
    for (const Slot& s : slots_)
      if (s.key != 0) f(s.key, s.value);
  }
  size_t size() const { return size_; }

 private:
  static constexpr size_t kMinSlots = 16;
  struct Slot {
    uint64_t key = 0;
    T value{};
  };
  size_t probe(uint64_t key) const {
    size_t mask = slots_.size() - 1;
    size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (slots_[i].key != 0 && slots_[i].key != key) i = (i + 1) & mask;
    return i;
  }
  void grow() {
    std::vector<Slot> old(slots_.empty() ? kMinSlots : 2 * slots_.size());
    old.swap(slots_);
    size_ = 0;
    for (const Slot& s : old)
      if (s.key != 0) (*this)[s.key] = s.value;
  }

  std::vector<Slot> slots_;
  size_t size_ = 0;
};

}  // namespace romlift::verify
