#include "registers/code_lists.h"

namespace romlift {

// The logged calls replayed in order. The lists point into the log, which lives as long as the
// register; the register must outlive the lists.
CodeLists::CodeLists(const CodeRegister& codes, FILE* out) : out_(out) {
  using Logged = CodeRegister::Logged;
  const char* seg = nullptr;
  ChunkLog<Logged>::Cursor cursor;
  while (const Logged* call = codes.log().next(cursor)) {
    switch (call->kind()) {
      case Logged::kSegment: seg = call->segment(); break;
      case Logged::kLabel: push(call->lab); break;
      case Logged::kAddress: pushEntry(seg, call->adr); break;
      case Logged::kLabelledLine:
        push(call->lab);
        pushEntry(seg, call->adr);
        break;
    }
  }
  if (const ShortText* label = codes.unlogged()) push(arena_.copy(label->c_str()));
  // Newest first, so the newest entry of each pair keeps its slot.
  for (AddressEntry* e = awllist_; e != nullptr; e = e->next) {
    AddressEntry*& slot = index_.slotFor(e->adr, e->seg);
    if (slot == nullptr) slot = e;
  }
}

void CodeLists::push(const char* label) { llist_ = arena_.make(LabelNode{label, llist_}); }

void CodeLists::pushEntry(const char* seg, const char* adr) {
  awllist_ = arena_.make(AddressEntry{adr, seg, llist_, awllist_});
  llist_ = nullptr;
}

int CodeLists::existadrlab(const char* adr, const char* seg, const char* label) const {
  const AddressEntry* entry = find(adr, seg);
  if (entry == nullptr) {
    std::fprintf(out_, "<<< Erreur >>> : adresse %s %s absente des lignes de code avec label\n", seg, adr);
    return 0;
  }
  return holdsLabel(entry->labels, label) ? 1 : 0;
}

}  // namespace romlift
