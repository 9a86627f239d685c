#include "formats/object_code.h"

#include <algorithm>
#include <cstring>

#include "scanner/rules.h"

namespace romlift::formats {
namespace {

constexpr uint32_t kBank = 0x10000;  // what a line's four address digits can reach

uint32_t hexDigit(char c) { return static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10); }

// The value of the hex digits at text up to the first character that is not one.
uint32_t hexPrefix(const char* text, const char** end) {
  uint32_t v = 0;
  for (; (*text >= '0' && *text <= '9') || (*text >= 'A' && *text <= 'F'); ++text) v = v * 16 + hexDigit(*text);
  *end = text;
  return v;
}

}  // namespace

uint32_t ObjectCode::fullAddress(uint32_t address16, uint32_t low, uint32_t high) {
  uint32_t address = (low & ~(kBank - 1)) | address16;
  // A range that crosses a bank boundary, such as 0F800-107FF, puts its low addresses above it.
  if (address < low && address + kBank <= high) address += kBank;
  return address;
}

void ObjectCode::page(int lineno, const char* seg) {
  Section s;
  std::strncpy(s.seg, seg, sizeof s.seg - 1);
  const char* dash = nullptr;
  s.low = hexPrefix(seg, &dash);
  const char* end = nullptr;
  s.high = *dash == '-' ? hexPrefix(dash + 1, &end) : s.low;
  s.lineno = lineno;
  s.firstOffset = sections_.empty() ? 0 : sections_.back().firstOffset + sections_.back().bytes;
  s.firstLine = lines_.size();
  sections_.push_back(s);
}

void ObjectCode::codeLine(int lineno, const char*, const char* line, int64_t offset, int bytes) {
  if (sections_.empty()) return;  // the grammar accepts no code line before a header
  Section& s = sections_.back();
  if (s.bytes == 0) s.firstOffset = offset;
  s.bytes += bytes;
  if (keep_ != Keep::Lines) return;
  uint32_t address16 = 0;
  for (size_t i = 0; i < kAddressWidth; ++i) address16 = address16 * 16 + hexDigit(line[col::kAddress + i]);
  lines_.push_back({offset, lineno, fullAddress(address16, s.low, s.high), static_cast<uint32_t>(bytes)});
}

const ObjectCode::Section& ObjectCode::sectionOfLine(size_t index) const {
  auto after = std::upper_bound(sections_.begin(), sections_.end(), index,
                                [](size_t i, const Section& s) { return i < s.firstLine; });
  return *(after - 1);
}

std::string_view ObjectCode::image(int k) const { return writer_->memoryImage(k); }

int64_t ObjectCode::streamSize() const {
  int n = imageCount();
  return n == 0 ? 0 : imageStart(n - 1) + static_cast<int64_t>(image(n - 1).size());
}

}  // namespace romlift::formats
