#include "registers/symbol_register.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "bytes/vector_ops.h"

namespace romlift {

void SymbolRegister::tellDuplicate(const SymbolRecord& r) {
  std::fprintf(out_, "Erreur Label %s dej\xC3\xA0 pr\xC3\xA9sent en %s/%s\n", r.label.c_str(), r.seg, r.adr.c_str());
}

// The fields of a text of 32 characters or more, byte by byte (an entry has eleven).
void stlabadrLong(const char* text, ShortText& adr, ShortText& lab) {
  adr = lab = ShortText{};
  const char* p = text;
  for (size_t l = 0; *p != ' ' && *p != '\0'; ++p)
    if (l < ShortText::kMaxLength) lab.text[l++] = *p;
  while (*p == ' ') ++p;
  for (size_t a = 0; a < 4 && *p != '\0'; ++a) adr.text[a] = *p++;
}

void stlabadr(PaddedText text, ShortText& adr, ShortText& lab) {
  if (text.len >= 32) return stlabadrLong(text.text, adr, lab);
  uint32_t past = bitsFrom(static_cast<size_t>(std::countr_zero(matches32(text.text, '\0') | bitsFrom(text.len))));
  uint32_t blank = matches32(text.text, ' ');
  size_t l = static_cast<size_t>(std::countr_zero(blank | past));                   // the label runs up to here
  size_t b = static_cast<size_t>(std::countr_zero((~blank & bitsFrom(l)) | past));  // the address starts here
  size_t n = static_cast<size_t>(std::countr_zero(past));
  lab = loadShort(text.text, std::min<size_t>(ShortText::kMaxLength, l));
  adr = loadShort(text.text + b, std::min<size_t>(4, n - b));
}

}  // namespace romlift
