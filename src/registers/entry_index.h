// Finds a register's newest entry for an (address, segment) pair without walking the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bytes/short_text.h"
#include "registers/arena.h"
#include "registers/label_list.h"

namespace romlift {

// One small open-addressing table per segment text. A listing's entries arrive section by
// section, so the table in use stays small and in cache however long the listing is. A slot
// is the entry pointer plus a byte of its hash, so a probe reads an entry's text only when
// that byte matches: almost every look-up of a symbol table is for a new address.
// Record is AddressEntry or SymbolRecord: anything with an address text `adr`.
template <typename Record>
class EntryIndexOf {
 public:
  // Tables go to arena when one is given, else to an arena of the index's own.
  explicit EntryIndexOf(Arena* arena = nullptr) : arena_(arena != nullptr ? *arena : own_) {}

  // The newest entry with exactly this address and segment text, or nullptr.
  Record* find(const char* adr, const char* seg) const;

  // The slot of the pair, to fill at once when it is empty (nullptr). The texts of the entry
  // put there must equal adr and seg and outlive the index.
  Record*& slotFor(const char* adr, const char* seg);
  // The same for an address in a padded word.
  Record*& slotForShort(const ShortText& adr, const char* seg);

  // Where a pair stands or would go, from one probe: its slot, or the free slot it would take.
  // Valid until a slot is claimed.
  struct Lookup {
    void* table = nullptr;  // nullptr: the segment has no table yet
    Record** slot = nullptr;
    uint8_t tag = 0;
    Record* entry() const { return slot != nullptr ? *slot : nullptr; }
  };
  Lookup lookupShort(const ShortText& adr, const char* seg) {
    if (last_ == nullptr || seg != lastSeg_ || last_->size == 0) return lookupSlow(adr, seg);
    uint64_t hash = mix(adr.word());
    return {last_, probe(*last_, adr, hash, false), tagOf(hash)};
  }
  // The slot of the pair that lookup was made for (with the same adr and seg), claimed when
  // it is free; it probes again only when the table must grow first.
  Record*& claim(const Lookup& lookup, const ShortText& adr, const char* seg) {
    auto* table = static_cast<Table*>(lookup.table);
    if (table == nullptr || (*lookup.slot == nullptr && 4 * (table->used + 1) > 3 * table->size))
      return claimSlow(adr, seg);
    if (*lookup.slot == nullptr) {
      table->tags[lookup.slot - table->slots] = lookup.tag;
      ++table->used;
    }
    return *lookup.slot;
  }

  // Tags are read sixteen at a time; a table is a whole number of such groups.
  static constexpr size_t kGroup = 16;

  // One multiplication: the look-up waits for the hash, and a table takes the hash's top bits,
  // which a multiplication mixes well. A short text hashes as its padded word.
  static uint64_t mix(uint64_t x) { return x * 0x9E3779B97F4A7C15ULL; }
  static uint8_t tagOf(uint64_t hash) { return static_cast<uint8_t>(hash >> 24) | 0x80; }

 private:
  struct Table {
    Record** slots = nullptr;  // size slots, a power of two
    uint8_t* tags = nullptr;   // 0 for an empty slot, else tagOf the entry's hash
    size_t size = 0;
    size_t used = 0;
  };

  Lookup lookupSlow(const ShortText& adr, const char* seg);
  Record*& claimSlow(const ShortText& adr, const char* seg);
  Record*& slotFor(const char* adr, uint64_t hash, const char* seg);
  // The segment's table, or nullptr; tableOf remembers it for the next call.
  Table* tableOf(const char* seg);
  const Table* tableFor(const char* seg) const;
  Table* newTable(const char* seg);
  static Record** probe(const Table& table, const char* adr, uint64_t hash, bool claim);
  void grow(Table& table);
  void newSlots(Table& table, size_t size);

  // Tables, their slots and their keys. A grown table's old slots go to spare_, by size, for
  // the next section's table to grow into: sections come one after the other.
  Arena own_;
  Arena& arena_;
  std::unordered_map<std::string_view, Table*> tables_;
  std::vector<Table> spare_[64];
  const char* lastSeg_ = nullptr;  // the key of the table last asked for or made
  Table* last_ = nullptr;
  size_t firstSize_ = kGroup;  // the size a new table starts at
};

using EntryIndex = EntryIndexOf<AddressEntry>;

}  // namespace romlift
