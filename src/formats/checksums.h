// The checksums that identify a ROM image: CRC32 and SHA-1 as dump collections give them, and
// the additive sums that EPROM labels and firmware check routines use.
#pragma once

#include <cstdint>
#include <string_view>

namespace romlift::formats {

// CRC32 (zlib's, the one of dump collections) and the sums of the bytes mod 256 and mod 65536,
// over bytes handed in pieces.
class Checksums {
 public:
  void add(std::string_view bytes);

  uint32_t crc32() const { return crc_; }
  unsigned sum8() const { return static_cast<unsigned>(total_ & 0xFF); }
  unsigned sum16() const { return static_cast<unsigned>(total_ & 0xFFFF); }

 private:
  uint32_t crc_ = 0;
  uint64_t total_ = 0;
};

// Room for a SHA-1 digest as 40 lower-case hex digits and a terminator.
inline constexpr int kSha1HexSize = 41;

// Writes the SHA-1 of bytes to hex as 40 lower-case hex digits, zero-terminated.
void sha1Hex(std::string_view bytes, char (&hex)[kSha1HexSize]);

}  // namespace romlift::formats
