// Finds a register's newest entry for an (address, segment) pair without walking the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "registers/label_list.h"

namespace romlift {

// Open addressing over the entries themselves: a lookup hashes the two short texts and
// compares in place, and an insertion allocates nothing until the table doubles.
class EntryIndex {
 public:
  // The newest entry with exactly this address and segment text, or nullptr.
  AddressEntry* find(std::string_view adr, std::string_view seg) const;

  // Makes entry the one found for its pair; its texts must outlive the index.
  void put(AddressEntry* entry);

 private:
  static uint64_t hash(std::string_view adr, std::string_view seg);
  size_t slotOf(std::string_view adr, std::string_view seg) const;
  void grow();

  std::vector<AddressEntry*> slots_;  // size is zero or a power of two
  size_t used_ = 0;
};

}  // namespace romlift
