// Finds a register's newest entry for an (address, segment) pair without walking the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "registers/label_list.h"

namespace romlift {

// One small open-addressing table per segment text. A listing's entries arrive section by
// section, so the table in use stays small and in cache however long the listing is. A slot
// is the entry pointer alone: on long listings the index is a large share of the memory.
class EntryIndex {
 public:
  // Tables go to arena when one is given, else to an arena of the index's own.
  explicit EntryIndex(Arena* arena = nullptr) : arena_(arena != nullptr ? *arena : own_) {}

  // The newest entry with exactly this address and segment text, or nullptr.
  AddressEntry* find(std::string_view adr, std::string_view seg) const;

  // Makes entry the one found for its pair; its texts must outlive the index.
  void put(AddressEntry* entry) { slotFor(entry->adr, entry->seg) = entry; }

  // The slot of the pair, to fill at once when it is empty (nullptr). The texts of the entry
  // put there must equal adr and seg and outlive the index.
  AddressEntry*& slotFor(std::string_view adr, std::string_view seg);

 private:
  struct Table {
    AddressEntry** slots = nullptr;  // size slots, a power of two
    size_t size = 0;
    size_t used = 0;
  };

  Table* tableOf(std::string_view seg) const;
  static AddressEntry** probe(Table& table, std::string_view adr, size_t hash);
  void grow(Table& table);

  AddressEntry** newSlots(size_t size);

  // Tables, their slots and their keys. A grown table's old slots go to spare_, by size, for
  // the next section's table to grow into: sections come one after the other.
  Arena own_;
  Arena& arena_;
  std::unordered_map<std::string_view, Table*> tables_;
  std::vector<AddressEntry**> spare_[64];
  mutable std::string_view lastSeg_;
  mutable Table* last_ = nullptr;
};

}  // namespace romlift
