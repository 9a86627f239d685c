#include "registers/code_register.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "bytes/vector_ops.h"

namespace romlift {

const char* CodeRegister::Logged::segment() const {
  const char* p;
  std::memcpy(&p, adr.text, sizeof p);
  return p;
}

// The segment is the same for a whole page: it is logged when it changes, not with each call.
void CodeRegister::logSegment(const char* seg) {
  const char* copy = arena_.copyShared(seg);
  if (copy == loggedSeg_) return;
  loggedSeg_ = copy;
  ShortText pointer;
  std::memcpy(pointer.text, &copy, sizeof copy);
  logRecord(pointer, {}, Logged::kSegment);
}

void copyadr(PaddedText text, ShortText& adr, ShortText& lab) {
  constexpr size_t kLabelOffset = 16;  // column 20 of the line, counted from its fifth character
  uint32_t end = matches32(text.text, '\0') | bitsFrom(text.len);  // past the text
  size_t n = end != 0 ? static_cast<size_t>(std::countr_zero(end)) : 32;
  adr = loadShort(text.text, std::min<size_t>(4, n));
  if (n <= kLabelOffset) {
    lab = ShortText{};
    return;
  }
  // The first character is always taken, then up to five more before a blank or the end.
  uint32_t stop = (matches32(text.text, ' ') | end) >> (kLabelOffset + 1);
  lab = loadShort(text.text + kLabelOffset, 1 + static_cast<size_t>(std::countr_zero(stop | 1u << 5)));
}

}  // namespace romlift
