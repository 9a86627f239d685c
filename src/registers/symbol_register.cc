#include "registers/symbol_register.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "scanner/text_masks.h"

namespace romlift {

int SymbolRegister::stexistadr(const char* adr, const char* seg) const {
  build();
  return index_.find(adr, seg) != nullptr ? 1 : 0;
}

AddressEntry* SymbolRegister::newEntry(const char* adrCopy, const char* segCopy) const {
  stawllist_ = arena_.make(AddressEntry{adrCopy, segCopy, nullptr, stawllist_});
  return stawllist_;
}

void SymbolRegister::stajouteadrlab(const char* adr, const char* seg) {
  build();
  index_.put(newEntry(arena_.copy(adr), arena_.copyShared(seg)));
}

void SymbolRegister::staddlab(const char* adr, const char* seg, const char* label) {
  build();
  AddressEntry* entry = index_.find(adr, seg);
  if (entry == nullptr) {
    // Not asked for by the standard run, which creates the entry first; keep the label anyway.
    stajouteadrlab(adr, seg);
    entry = stawllist_;
  }
  if (!reportDuplicate(entry, label)) entry->labels = arena_.make(LabelNode{arena_.copy(label), entry->labels});
}

void SymbolRegister::record(const ShortText& adr, const char* seg, const ShortText& label) {
  if (built_) {
    recordInLists(adr, seg, label);
    return;
  }
  SymbolRecord*& newest = logIndex_.slotForShort(adr, seg);
  for (const SymbolRecord* r = newest; r != nullptr; r = r->sameAddress) {
    if (std::memcmp(r->label, label, sizeof label) == 0) {  // padded words: equal texts
      tellDuplicate(label, r->seg, r->adr);
      return;
    }
  }
  SymbolRecord fresh;
  std::memcpy(fresh.adr, adr, sizeof adr);
  std::memcpy(fresh.label, label, sizeof label);
  fresh.seg = arena_.copyShared(seg);
  fresh.sameAddress = newest;
  newest = log_.append(arena_, fresh);
}

void SymbolRegister::recordInLists(const ShortText& adr, const char* seg, const ShortText& label) {
  AddressEntry*& slot = index_.slotForShort(adr, seg);
  if (slot == nullptr) slot = newEntry(arena_.copyShort(adr), arena_.copyShared(seg));
  if (!reportDuplicate(slot, label)) slot->labels = arena_.make(LabelNode{arena_.copyShort(label), slot->labels});
}

// The records go through the lists' own way of recording, in the order they came; duplicates
// were reported and left out as they came. The lists point into the records, which stay.
void SymbolRegister::build() const {
  if (built_) return;
  built_ = true;
  ChunkLog<SymbolRecord>::Cursor cursor;
  while (const SymbolRecord* r = log_.next(cursor)) {
    AddressEntry*& slot = index_.slotFor(r->adr, r->seg);
    if (slot == nullptr) slot = newEntry(r->adr, r->seg);
    slot->labels = arena_.make(LabelNode{r->label, slot->labels});
  }
}

bool SymbolRegister::reportDuplicate(const AddressEntry* entry, const char* label) {
  if (!holdsLabel(entry->labels, label)) return false;
  tellDuplicate(label, entry->seg, entry->adr);
  return true;
}

void SymbolRegister::tellDuplicate(const char* label, const char* seg, const char* adr) {
  std::fprintf(out_, "Erreur Label %s dej\xC3\xA0 pr\xC3\xA9sent en %s/%s\n", label, seg, adr);
}

int SymbolRegister::stexistadrlab(const char* adr, const char* seg, const char* label) {
  build();
  const AddressEntry* entry = index_.find(adr, seg);
  if (entry == nullptr) {
    std::fprintf(out_, "<<< Erreur >>> : adresse %s %s absente des tables de symboles (label : %s)\n", seg,
                 adr, label);
    return 0;
  }
  return holdsLabel(entry->labels, label) ? 1 : 0;
}

void stlabadr(const char* text, ShortText& adr, ShortText& lab) {
  constexpr size_t kAdrMax = 4, kLabMax = 6;
  std::memset(adr, 0, sizeof adr);
  std::memset(lab, 0, sizeof lab);
  const char* p = text;
  size_t l = 0;
  for (; *p != ' ' && *p != '\0'; ++p)
    if (l < kLabMax) lab[l++] = *p;
  while (*p == ' ') ++p;
  for (size_t a = 0; a < kAdrMax && *p != '\0'; ++a) adr[a] = *p++;
}

void stlabadr(const char* text, size_t len, ShortText& adr, ShortText& lab) {
#if defined(__SSE2__)
  if (len < 32) {
    uint32_t past = bitsFrom(static_cast<size_t>(std::countr_zero(matches32(text, '\0') | bitsFrom(len))));
    uint32_t blank = matches32(text, ' ');
    size_t l = static_cast<size_t>(std::countr_zero(blank | past));  // the label runs up to here
    size_t b = static_cast<size_t>(std::countr_zero((~blank & bitsFrom(l)) | past));  // the address starts here
    size_t n = static_cast<size_t>(std::countr_zero(past));
    loadShort(lab, text, std::min<size_t>(6, l));
    loadShort(adr, text + b, std::min<size_t>(4, n - b));
    return;
  }
#endif
  (void)len;
  stlabadr(text, adr, lab);
}

}  // namespace romlift
