#include "registers/entry_index.h"

namespace romlift {
namespace {

constexpr size_t kFirstSize = 64;

}  // namespace

uint64_t EntryIndex::hash(std::string_view adr, std::string_view seg) {
  uint64_t h = 1469598103934665603ULL;  // FNV-1a
  for (char c : adr) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  h = (h ^ 0xFF) * 1099511628211ULL;  // keeps ("AB","C") apart from ("A","BC")
  for (char c : seg) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  return h ^ (h >> 29);
}

// The slot that holds the pair, or the empty slot where it would go.
size_t EntryIndex::slotOf(std::string_view adr, std::string_view seg) const {
  size_t mask = slots_.size() - 1;
  for (size_t i = hash(adr, seg) & mask;; i = (i + 1) & mask) {
    const AddressEntry* e = slots_[i];
    if (e == nullptr || (adr == e->adr && seg == e->seg)) return i;
  }
}

AddressEntry* EntryIndex::find(std::string_view adr, std::string_view seg) const {
  if (slots_.empty()) return nullptr;
  return slots_[slotOf(adr, seg)];
}

void EntryIndex::put(AddressEntry* entry) {
  if (2 * (used_ + 1) > slots_.size()) grow();
  AddressEntry*& slot = slots_[slotOf(entry->adr, entry->seg)];
  if (slot == nullptr) ++used_;
  slot = entry;
}

void EntryIndex::grow() {
  std::vector<AddressEntry*> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? kFirstSize : 2 * old.size(), nullptr);
  for (AddressEntry* e : old)
    if (e != nullptr) slots_[slotOf(e->adr, e->seg)] = e;
}

}  // namespace romlift
