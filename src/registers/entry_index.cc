#include "registers/entry_index.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace romlift {
namespace {

constexpr size_t kFirstSize = 16;

size_t hashOf(std::string_view adr) {
  uint64_t x = adr.size();
  for (size_t i = 0; i < adr.size(); i += 8) {
    uint64_t w = 0;
    std::memcpy(&w, adr.data() + i, std::min<size_t>(8, adr.size() - i));
    x = (x ^ w) * 0x9E3779B97F4A7C15ULL;
    x ^= x >> 29;
  }
  return static_cast<size_t>((x * 0xBF58476D1CE4E5B9ULL) >> 32);
}

// text equals the zero-terminated stored text, without measuring the stored one first.
bool sameText(std::string_view text, const char* stored) {
  return std::memcmp(text.data(), stored, text.size()) == 0 && stored[text.size()] == '\0';
}

}  // namespace

EntryIndex::Table* EntryIndex::tableOf(std::string_view seg) const {
  if (last_ != nullptr && seg == lastSeg_) return last_;
  auto it = tables_.find(seg);
  if (it == tables_.end()) return nullptr;
  lastSeg_ = it->first;
  last_ = it->second;
  return last_;
}

AddressEntry** EntryIndex::probe(Table& table, std::string_view adr, size_t hash) {
  size_t mask = table.size - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    AddressEntry*& e = table.slots[i];
    if (e == nullptr || sameText(adr, e->adr)) return &e;
  }
}

AddressEntry** EntryIndex::newSlots(size_t size) {
  std::vector<AddressEntry**>& spare = spare_[std::countr_zero(size)];
  if (spare.empty()) return arena_.zeroed<AddressEntry*>(size);
  AddressEntry** slots = spare.back();
  spare.pop_back();
  std::fill(slots, slots + size, nullptr);
  return slots;
}

void EntryIndex::grow(Table& table) {
  AddressEntry** old = table.slots;
  size_t oldSize = table.size;
  table.size = oldSize == 0 ? kFirstSize : 2 * oldSize;
  table.slots = newSlots(table.size);
  for (size_t i = 0; i < oldSize; ++i)
    if (old[i] != nullptr) *probe(table, old[i]->adr, hashOf(old[i]->adr)) = old[i];
  if (old != nullptr) spare_[std::countr_zero(oldSize)].push_back(old);
}

AddressEntry* EntryIndex::find(std::string_view adr, std::string_view seg) const {
  Table* table = tableOf(seg);
  if (table == nullptr) return nullptr;
  return *probe(*table, adr, hashOf(adr));
}

AddressEntry*& EntryIndex::slotFor(std::string_view adr, std::string_view seg) {
  Table* table = tableOf(seg);
  if (table == nullptr) {
    std::string_view key(arena_.copy(seg), seg.size());  // the map's key outlives the call
    table = arena_.make(Table{});
    tables_.emplace(key, table);
    lastSeg_ = key;
    last_ = table;
  }
  if (4 * (table->used + 1) > 3 * table->size) grow(*table);
  AddressEntry** slot = probe(*table, adr, hashOf(adr));
  if (*slot == nullptr) ++table->used;
  return *slot;
}

}  // namespace romlift
