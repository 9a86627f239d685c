#include "registers/symbol_register.h"

#include <cstring>

namespace romlift {

int SymbolRegister::stexistadr(const char* adr, const char* seg) const {
  return index_.find(adr, seg) != nullptr ? 1 : 0;
}

AddressEntry* SymbolRegister::newEntry(const char* adr, const char* seg) {
  stawllist_ = arena_.make(AddressEntry{arena_.copy(adr), arena_.copyShared(seg), nullptr, stawllist_});
  return stawllist_;
}

void SymbolRegister::stajouteadrlab(const char* adr, const char* seg) { index_.put(newEntry(adr, seg)); }

void SymbolRegister::staddlab(const char* adr, const char* seg, const char* label) {
  AddressEntry* entry = index_.find(adr, seg);
  if (entry == nullptr) {
    // Not asked for by the standard run, which creates the entry first; keep the label anyway.
    stajouteadrlab(adr, seg);
    entry = stawllist_;
  }
  addLabel(entry, label);
}

void SymbolRegister::record(const char* adr, const char* seg, const char* label) {
  AddressEntry*& slot = index_.slotFor(adr, seg);
  if (slot == nullptr) slot = newEntry(adr, seg);
  addLabel(slot, label);
}

void SymbolRegister::addLabel(AddressEntry* entry, const char* label) {
  if (holdsLabel(entry->labels, label)) {
    const char* seg = entry->seg;
    const char* adr = entry->adr;
    std::fprintf(out_, "Erreur Label %s dej\xC3\xA0 pr\xC3\xA9sent en %s/%s\n", label, seg, adr);
    return;
  }
  entry->labels = arena_.make(LabelNode{arena_.copy(label), entry->labels});
}

int SymbolRegister::stexistadrlab(const char* adr, const char* seg, const char* label) {
  const AddressEntry* entry = index_.find(adr, seg);
  if (entry == nullptr) {
    std::fprintf(out_, "<<< Erreur >>> : adresse %s %s absente des tables de symboles (label : %s)\n", seg,
                 adr, label);
    return 0;
  }
  return holdsLabel(entry->labels, label) ? 1 : 0;
}

void stlabadr(const char* text, char (&adr)[5], char (&lab)[7]) {
  std::memcpy(adr, "    ", 5);
  std::memcpy(lab, "      ", 7);
  const char* p = text;
  size_t l = 0;
  for (; *p != ' ' && *p != '\0'; ++p)
    if (l < sizeof lab - 1) lab[l++] = *p;
  lab[l] = '\0';
  while (*p == ' ') ++p;
  size_t a = 0;
  for (; a < sizeof adr - 1 && *p != '\0'; ++a) adr[a] = *p++;
  adr[a] = '\0';
}

}  // namespace romlift
