#include "verify/label_table.h"

#include <cstring>

#include "bytes/charclass.h"

namespace romlift::verify {

uint64_t labelKey(const ShortText& label) {
  ShortText t;
  size_t n = 0;
  for (; n < ShortText::kMaxLength && label.text[n] != '\0'; ++n) t.text[n] = label.text[n];
  while (n > 0 && t.text[n - 1] == ' ') t.text[--n] = '\0';
  return t.word();
}

uint64_t labelKey(std::string_view name) {
  if (name.empty() || name.size() > ShortText::kMaxLength) return 0;
  ShortText t;
  std::memcpy(t.text, name.data(), name.size());
  return t.word();
}

std::optional<uint16_t> hexAddress(const ShortText& adr) {
  constexpr size_t kDigits = 4;
  unsigned v = 0;
  for (size_t i = 0; i < kDigits; ++i) {
    char c = adr.text[i];
    if (!isHex(c)) return std::nullopt;
    v = v * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
  }
  return static_cast<uint16_t>(v);
}

void LabelDef::add(std::optional<uint16_t> value, uint16_t& slot, uint8_t seen, uint8_t unknown) {
  if (!value || ((flags_ & seen) && slot != *value)) flags_ |= unknown;
  if (value) slot = *value;
  flags_ |= seen;
}

std::optional<uint16_t> LabelDef::value() const {
  if (flags_ & kTable) {
    // A table that says otherwise than the lines of the section: one of them was misread, and
    // xref tells which place; the value is not certain.
    bool lineDiffers = ((flags_ & kLine) && (flags_ & kLineUnknown || line_ != table_)) ||
                       ((flags_ & kLineSuspect) && (flags_ & kSuspectMixed || suspect_ != table_));
    return flags_ & kTableUnknown || lineDiffers ? std::nullopt : std::optional<uint16_t>(table_);
  }
  if (flags_ & (kLineUnknown | kLineSuspect)) return std::nullopt;
  return flags_ & kLine ? std::optional<uint16_t>(line_) : std::nullopt;
}

}  // namespace romlift::verify
