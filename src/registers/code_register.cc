#include "registers/code_register.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "scanner/text_masks.h"

namespace romlift {
namespace {

constexpr size_t kLabelOffset = 16;  // column 20 of the line, counted from its fifth character

// True when one of the kLabelOffset + 1 bytes at text is zero: the text ends before the label.
bool holdsZeroByte(const char* text) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
  uint64_t a, b;
  std::memcpy(&a, text, sizeof a);
  std::memcpy(&b, text + sizeof a, sizeof b);
  uint64_t zeros = ((a - kOnes) & ~a) | ((b - kOnes) & ~b);  // high bit set in a zero byte
  return (zeros & kHighs) != 0 || text[kLabelOffset] == '\0';
}

// copyadr for a text of len bytes (or fewer, up to a zero byte), byte by byte.
void splitBytes(const char* text, size_t len, ShortText& adr, ShortText& lab) {
  constexpr size_t kAdrMax = 4, kLabMax = 6;
  std::memset(adr, 0, sizeof adr);
  std::memset(lab, 0, sizeof lab);
  for (size_t a = 0; a < kAdrMax && a < len && text[a] != '\0'; ++a) adr[a] = text[a];
  if (len > kLabelOffset && !holdsZeroByte(text)) {
    const char* p = text + kLabelOffset;
    size_t l = 0;
    lab[l++] = *p++;
    while (l < kLabMax && *p != ' ' && *p != '\0') lab[l++] = *p++;
  }
}

}  // namespace

void CodeRegister::addlabel(const char* text) { logPointer(kLabel, arena_.copy(text)); }

void CodeRegister::addadr(const char* seg, const char* adr) {
  logSegment(seg);
  logPointer(kAddress, arena_.copy(adr));
}

void CodeRegister::addLabelledLine(const char* seg, const ShortText& adr, const ShortText& lab) {
  logSegment(seg);
  Logged call;
  std::memcpy(call.adr, adr, sizeof adr);
  std::memcpy(call.lab, lab, sizeof lab);
  call.lab[kKindByte] = kLabelledLine;  // a short text's last byte is zero anyway
  log_.append(arena_, call);
}

void CodeRegister::logPointer(Kind kind, const char* p) {
  Logged call = {};
  std::memcpy(call.adr, &p, sizeof p);
  call.lab[kKindByte] = kind;
  log_.append(arena_, call);
}

// The segment is the same for a whole page: it is logged when it changes, not with each call.
void CodeRegister::logSegment(const char* seg) {
  const char* copy = arena_.copyShared(seg);
  if (copy == loggedSeg_) return;
  loggedSeg_ = copy;
  logPointer(kSegment, copy);
}

void CodeRegister::build() const {
  // The log stays as long as the lists, so they point into it instead of copying.
  while (const Logged* call = log_.next(applied_)) {
    const char* p;
    std::memcpy(&p, call->adr, sizeof p);
    switch (call->lab[kKindByte]) {
      case kLabel:
        llist_ = arena_.make(LabelNode{p, llist_});
        break;
      case kAddress:
        pushEntry(appliedSeg_, p);
        break;
      case kSegment:
        appliedSeg_ = p;
        break;
      default:
        llist_ = arena_.make(LabelNode{call->lab, llist_});
        pushEntry(appliedSeg_, call->adr);
        break;
    }
  }
}

void CodeRegister::pushEntry(const char* seg, const char* adr) const {
  awllist_ = arena_.make(AddressEntry{adr, seg, llist_, awllist_});
  llist_ = nullptr;
  if (indexed_) index_.put(awllist_);
}

const AddressEntry* CodeRegister::find(const char* adr, const char* seg) const {
  build();
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
  splitBytes(text, strnlen(text, kLabelOffset + 1), adr, lab);
}

void copyadr(const char* text, size_t len, ShortText& adr, ShortText& lab) {
#if defined(__SSE2__)
  uint32_t end = matches32(text, '\0') | bitsFrom(len);  // past the text
  size_t n = end != 0 ? static_cast<size_t>(std::countr_zero(end)) : 32;
  loadShort(adr, text, std::min<size_t>(4, n));
  if (n <= kLabelOffset) {
    std::memset(lab, 0, sizeof lab);
    return;
  }
  // The first character is always taken, then up to five more before a blank or the end.
  uint32_t stop = (matches32(text, ' ') | end) >> (kLabelOffset + 1);
  loadShort(lab, text + kLabelOffset, 1 + static_cast<size_t>(std::countr_zero(stop | 1u << 5)));
#else
  splitBytes(text, len, adr, lab);
#endif
}

}  // namespace romlift
