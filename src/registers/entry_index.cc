#include "registers/entry_index.h"

#include <cstring>

namespace romlift {
namespace {

constexpr size_t kFirstSize = 16;

uint32_t tagOf(std::string_view adr) {
  uint64_t x = adr.size();
  for (size_t i = 0; i < adr.size(); i += 8) {
    uint64_t w = 0;
    std::memcpy(&w, adr.data() + i, std::min<size_t>(8, adr.size() - i));
    x = (x ^ w) * 0x9E3779B97F4A7C15ULL;
    x ^= x >> 29;
  }
  x *= 0xBF58476D1CE4E5B9ULL;
  return static_cast<uint32_t>(x >> 32) | 1;  // never 0, so an empty slot never matches
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
  last_ = it->second.get();
  return last_;
}

EntryIndex::Slot* EntryIndex::probe(Table& table, std::string_view adr, uint32_t tag) {
  size_t mask = table.slots.size() - 1;
  for (size_t i = tag & mask;; i = (i + 1) & mask) {
    Slot& s = table.slots[i];
    if (s.entry == nullptr || (s.tag == tag && sameText(adr, s.entry->adr))) return &s;
  }
}

void EntryIndex::grow(Table& table) {
  std::vector<Slot> old(table.slots.empty() ? kFirstSize : 2 * table.slots.size());
  old.swap(table.slots);
  for (const Slot& s : old) {
    if (s.entry == nullptr) continue;
    size_t mask = table.slots.size() - 1;
    size_t i = s.tag & mask;
    while (table.slots[i].entry != nullptr) i = (i + 1) & mask;
    table.slots[i] = s;
  }
}

AddressEntry* EntryIndex::find(std::string_view adr, std::string_view seg) const {
  Table* table = tableOf(seg);
  if (table == nullptr) return nullptr;
  return probe(*table, adr, tagOf(adr))->entry;
}

AddressEntry*& EntryIndex::slotFor(std::string_view adr, std::string_view seg) {
  Table* table = tableOf(seg);
  if (table == nullptr) {
    // The map's key must outlive the call: it is copied into the index's own storage below.
    auto owned = std::make_unique<char[]>(seg.size() + 1);
    std::memcpy(owned.get(), seg.data(), seg.size());
    owned[seg.size()] = '\0';
    std::string_view key(owned.get(), seg.size());
    segTexts_.push_back(std::move(owned));
    table = tables_.emplace(key, std::make_unique<Table>()).first->second.get();
    lastSeg_ = key;
    last_ = table;
  }
  if (4 * (table->used + 1) > 3 * table->slots.size()) grow(*table);
  uint32_t tag = tagOf(adr);
  Slot* slot = probe(*table, adr, tag);
  if (slot->entry == nullptr) {
    slot->tag = tag;
    ++table->used;
  }
  return slot->entry;
}

}  // namespace romlift
