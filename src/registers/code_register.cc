#include "registers/code_register.h"

#include <cstring>

namespace romlift {
namespace {

constexpr size_t kLabelOffset = 16;  // column 20 of the line, counted from its fifth character

}  // namespace

void CodeRegister::addlabel(const char* text) {
  llist_ = arena_.make(LabelNode{arena_.copy(text), llist_});
}

void CodeRegister::addadr(const char* seg, const char* adr) {
  awllist_ = arena_.make(AddressEntry{arena_.copy(adr), arena_.copyShared(seg), llist_, awllist_});
  llist_ = nullptr;
  if (indexed_) index_.put(awllist_);
}

const AddressEntry* CodeRegister::find(const char* adr, const char* seg) const {
  if (!indexed_) {
    // Newest first, so the newest entry of each pair keeps its slot.
    for (AddressEntry* e = awllist_; e != nullptr; e = e->next) {
      AddressEntry*& slot = index_.slotFor(e->adr, e->seg);
      if (slot == nullptr) slot = e;
    }
    indexed_ = true;
  }
  return index_.find(adr, seg);
}

int CodeRegister::existadrlab(const char* adr, const char* seg, const char* label) {
  const AddressEntry* entry = find(adr, seg);
  if (entry == nullptr) {
    std::fprintf(out_, "<<< Erreur >>> : adresse %s %s absente des lignes de code avec label\n", seg, adr);
    return 0;
  }
  return holdsLabel(entry->labels, label) ? 1 : 0;
}

void copyadr(const char* text, char (&adr)[5], char (&lab)[7]) {
  size_t len = strnlen(text, kLabelOffset + 1);
  size_t a = len < 4 ? len : 4;
  std::memcpy(adr, text, a);
  adr[a] = '\0';
  size_t l = 0;
  if (len > kLabelOffset) {
    const char* p = text + kLabelOffset;
    lab[l++] = *p++;
    while (l < sizeof lab - 1 && *p != ' ' && *p != '\0') lab[l++] = *p++;
  }
  lab[l] = '\0';
}

}  // namespace romlift
