#include "registers/symbol_lists.h"

namespace romlift {

// The records replayed in the order they came; duplicates were reported and left out as they
// came. The lists point into the records, which live as long as the register.
SymbolLists::SymbolLists(const SymbolRegister& symbols, FILE* out) : out_(out) {
  ChunkLog<SymbolRecord>::Cursor cursor;
  while (const SymbolRecord* r = symbols.log().next(cursor)) {
    AddressEntry*& slot = index_.slotFor(r->adr, r->seg);
    if (slot == nullptr) slot = stawllist_ = arena_.make(AddressEntry{r->adr, r->seg, nullptr, stawllist_});
    if (r->hasLabel()) slot->labels = arena_.make(LabelNode{r->label, slot->labels});
  }
}

int SymbolLists::stexistadrlab(const char* adr, const char* seg, const char* label) const {
  const AddressEntry* entry = find(adr, seg);
  if (entry == nullptr) {
    std::fprintf(out_, "<<< Erreur >>> : adresse %s %s absente des tables de symboles (label : %s)\n", seg, adr,
                 label);
    return 0;
  }
  return holdsLabel(entry->labels, label) ? 1 : 0;
}

}  // namespace romlift
