#include "formats/records.h"

#include <algorithm>
#include <cstring>

namespace romlift::formats {
namespace {

constexpr uint8_t kIntelData = 0x00, kIntelEnd = 0x01, kIntelExtendedLinear = 0x04;
constexpr size_t kMaxFields = 1 + 4 + 1 + RecordWriter::kRecordBytes;  // count, address, type, data

uint8_t sumOf(const uint8_t* fields, size_t n) {
  unsigned sum = 0;
  for (size_t i = 0; i < n; ++i) sum += fields[i];
  return static_cast<uint8_t>(sum);
}

}  // namespace

RecordWriter::RecordWriter(RecordFormat format, FILE* out, uint32_t highest)
    : format_(format), out_(out), addressBytes_(highest <= 0xFFFF ? 2 : highest <= 0xFFFFFF ? 3 : 4) {}

void RecordWriter::record(const char* start, const uint8_t* fields, size_t n, uint8_t checksum) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char text[4 + 2 * (kMaxFields + 1) + 1];
  size_t len = std::strlen(start);
  std::memcpy(text, start, len);
  for (size_t i = 0; i <= n; ++i) {
    uint8_t b = i < n ? fields[i] : checksum;
    text[len++] = kDigits[b >> 4];
    text[len++] = kDigits[b & 0xF];
  }
  text[len++] = '\n';
  std::fwrite(text, 1, len, out_);
}

// ":" count, address, type, data; the checksum makes all bytes add up to 0 mod 256.
void RecordWriter::intel(uint8_t type, uint16_t address, const uint8_t* data, size_t n) {
  uint8_t fields[kMaxFields] = {static_cast<uint8_t>(n), static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address), type};
  if (n > 0) std::memcpy(fields + 4, data, n);
  record(":", fields, 4 + n, static_cast<uint8_t>(-sumOf(fields, 4 + n)));
}

// "S" type, count (address, data and checksum bytes), address, data; the checksum is the
// ones' complement of the sum of the count, address and data bytes.
void RecordWriter::srec(char type, uint32_t address, const uint8_t* data, size_t n) {
  uint8_t fields[kMaxFields];
  size_t k = 0;
  fields[k++] = static_cast<uint8_t>(addressBytes_ + n + 1);
  for (int shift = 8 * (addressBytes_ - 1); shift >= 0; shift -= 8) fields[k++] = static_cast<uint8_t>(address >> shift);
  if (n > 0) std::memcpy(fields + k, data, n);
  k += n;
  const char start[] = {'S', type, '\0'};
  record(start, fields, k, static_cast<uint8_t>(~sumOf(fields, k)));
}

void RecordWriter::write(uint32_t address, std::string_view bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  for (size_t left = bytes.size(); left > 0;) {
    size_t n = std::min<size_t>(left, kRecordBytes - address % kRecordBytes);
    if (format_ == RecordFormat::SRecord) {
      srec(static_cast<char>('0' + addressBytes_ - 1), address, data, n);
    } else {
      if (address >> 16 != upper_) {
        upper_ = address >> 16;
        const uint8_t upper[] = {static_cast<uint8_t>(upper_ >> 8), static_cast<uint8_t>(upper_)};
        intel(kIntelExtendedLinear, 0, upper, sizeof upper);
      }
      intel(kIntelData, static_cast<uint16_t>(address), data, n);
    }
    address += static_cast<uint32_t>(n);
    data += n;
    left -= n;
  }
}

void RecordWriter::finish() {
  if (format_ == RecordFormat::SRecord)
    srec(static_cast<char>('0' + 11 - addressBytes_), 0, nullptr, 0);
  else
    intel(kIntelEnd, 0, nullptr, 0);
}

}  // namespace romlift::formats
