#include "registers/entry_index.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "bytes/short_text.h"
#include "bytes/vector_ops.h"

namespace romlift {
namespace {


uint64_t mix(uint64_t x) { return EntryIndexOf<AddressEntry>::mix(x); }
uint64_t hashOfShort(const ShortText& adr) { return mix(adr.word()); }

// The same hash as a short text's for texts of up to six characters.
uint64_t hashOf(const char* adr) {
  char first[8] = {};
  size_t i = 0;
  for (; i < sizeof first && adr[i] != '\0'; ++i) first[i] = adr[i];
  uint64_t w;
  std::memcpy(&w, first, sizeof w);
  uint64_t h = mix(w);
  for (; adr[i] != '\0'; ++i) h = mix(h ^ static_cast<uint8_t>(adr[i]));
  return h;
}

// Slot of a hash in a table of size slots (a power of two): its top bits.
size_t slotOf(uint64_t hash, size_t size) { return static_cast<size_t>(hash >> (64 - std::countr_zero(size))); }

}  // namespace

template <typename Record>
const typename EntryIndexOf<Record>::Table* EntryIndexOf<Record>::tableFor(const char* seg) const {
  if (last_ != nullptr && (seg == lastSeg_ || sameText(seg, lastSeg_))) return last_;
  auto it = tables_.find(std::string_view(seg));
  return it == tables_.end() ? nullptr : it->second;
}

// Entries come a page at a time: the table of the last page asked for is found first.
template <typename Record>
typename EntryIndexOf<Record>::Table* EntryIndexOf<Record>::tableOf(const char* seg) {
  if (last_ != nullptr && (seg == lastSeg_ || sameText(seg, lastSeg_))) return last_;
  auto it = tables_.find(std::string_view(seg));
  if (it == tables_.end()) return nullptr;
  lastSeg_ = it->first.data();
  last_ = it->second;
  return last_;
}

template <typename Record>
typename EntryIndexOf<Record>::Table* EntryIndexOf<Record>::newTable(const char* seg) {
  // Sections of a listing are much alike: a new one starts at the size the last one needed,
  // instead of growing through every size on the way.
  if (last_ != nullptr) firstSize_ = std::max(kGroup, std::bit_ceil(4 * last_->used / 3 + 1));
  const char* key = arena_.copyShared(seg);  // outlives the call; often the caller's own copy
  Table* table = arena_.make(Table{});
  tables_.emplace(std::string_view(key), table);
  lastSeg_ = key;
  last_ = table;
  return table;
}

// The slot holding adr, or the empty slot where it would go (tagged when claim is set). The
// tags are read a group of sixteen at a time: a symbol-table entry is nearly always a new
// address, and slot by slot the search for an empty slot runs through the cluster in front of
// it, a loop whose length changes at every look-up. Entries are never removed, so the first
// group with an empty slot ends the search.
template <typename Record>
Record** EntryIndexOf<Record>::probe(const Table& table, const char* adr, uint64_t hash, bool claim) {
  uint8_t tag = tagOf(hash);
  size_t groups = table.size / kGroup;
  for (size_t g = slotOf(hash, table.size) / kGroup;; g = g + 1 == groups ? 0 : g + 1) {
    const uint8_t* tags = table.tags + g * kGroup;
    for (uint32_t match = matches16(tags, tag); match != 0; match &= match - 1) {
      size_t i = g * kGroup + static_cast<size_t>(std::countr_zero(match));
      if (sameText(adr, table.slots[i]->adr)) return &table.slots[i];
    }
    if (uint32_t empty = matches16(tags, 0)) {
      size_t i = g * kGroup + static_cast<size_t>(std::countr_zero(empty));
      if (claim) table.tags[i] = tag;
      return &table.slots[i];
    }
  }
}

template <typename Record>
void EntryIndexOf<Record>::newSlots(Table& table, size_t size) {
  std::vector<Table>& spare = spare_[std::countr_zero(size)];
  if (spare.empty()) {
    table.slots = arena_.zeroed<Record*>(size);
    table.tags = arena_.zeroed<uint8_t>(size);
  } else {
    table.slots = spare.back().slots;
    table.tags = spare.back().tags;
    spare.pop_back();
    std::fill(table.slots, table.slots + size, nullptr);
    std::fill(table.tags, table.tags + size, uint8_t{0});
  }
  table.size = size;
}

template <typename Record>
void EntryIndexOf<Record>::grow(Table& table) {
  Table old = table;
  newSlots(table, old.size == 0 ? firstSize_ : 2 * old.size);
  for (size_t i = 0; i < old.size; ++i)
    if (old.tags[i] != 0) *probe(table, old.slots[i]->adr, hashOf(old.slots[i]->adr), true) = old.slots[i];
  if (old.size != 0) spare_[std::countr_zero(old.size)].push_back(old);
}

template <typename Record>
Record* EntryIndexOf<Record>::find(const char* adr, const char* seg) const {
  const Table* table = tableFor(seg);
  if (table == nullptr || table->size == 0) return nullptr;
  return *probe(*table, adr, hashOf(adr), false);
}

template <typename Record>
Record*& EntryIndexOf<Record>::slotFor(const char* adr, const char* seg) { return slotFor(adr, hashOf(adr), seg); }

template <typename Record>
typename EntryIndexOf<Record>::Lookup EntryIndexOf<Record>::lookupSlow(const ShortText& adr, const char* seg) {
  Table* table = tableOf(seg);
  if (table == nullptr || table->size == 0) return {};
  uint64_t hash = hashOfShort(adr);
  return {table, probe(*table, adr, hash, false), EntryIndexOf<Record>::tagOf(hash)};
}

template <typename Record>
Record*& EntryIndexOf<Record>::claimSlow(const ShortText& adr, const char* seg) { return slotForShort(adr, seg); }

template <typename Record>
Record*& EntryIndexOf<Record>::slotForShort(const ShortText& adr, const char* seg) {
  return slotFor(adr, hashOfShort(adr), seg);
}

template <typename Record>
Record*& EntryIndexOf<Record>::slotFor(const char* adr, uint64_t hash, const char* seg) {
  Table* table = tableOf(seg);
  if (table == nullptr) table = newTable(seg);
  if (4 * (table->used + 1) > 3 * table->size) grow(*table);
  Record** slot = probe(*table, adr, hash, true);
  if (*slot == nullptr) ++table->used;
  return *slot;
}

template class EntryIndexOf<AddressEntry>;
template class EntryIndexOf<SymbolRecord>;

}  // namespace romlift
