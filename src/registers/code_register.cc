#include "registers/code_register.h"

#include <cstring>

namespace romlift {
namespace {

constexpr size_t kLabelOffset = 16;  // column 20 of the line, counted from its fifth character

}  // namespace

void CodeRegister::addlabel(const char* text) {
  llist_ = arena_.make(LabelNode{arena_.copy(text), llist_});
}

void CodeRegister::addadr(const char* seg, const char* adr) { pushEntry(seg, arena_.copy(adr)); }

void CodeRegister::addLabelledLine(const char* seg, const ShortText& adr, const ShortText& lab) {
  llist_ = arena_.make(LabelNode{arena_.copyShort(lab), llist_});
  pushEntry(seg, arena_.copyShort(adr));
}

void CodeRegister::pushEntry(const char* seg, const char* adrCopy) {
  awllist_ = arena_.make(AddressEntry{adrCopy, arena_.copyShared(seg), llist_, awllist_});
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

void copyadr(const char* text, ShortText& adr, ShortText& lab) {
  constexpr size_t kAdrMax = 4, kLabMax = 6;
  std::memset(adr, 0, sizeof adr);
  std::memset(lab, 0, sizeof lab);
  size_t len = strnlen(text, kLabelOffset + 1);
  for (size_t a = 0; a < kAdrMax && a < len; ++a) adr[a] = text[a];
  if (len > kLabelOffset) {
    const char* p = text + kLabelOffset;
    size_t l = 0;
    lab[l++] = *p++;
    while (l < kLabMax && *p != ' ' && *p != '\0') lab[l++] = *p++;
  }
}

}  // namespace romlift
