#include "formats/checksums.h"

#include <nettle/sha1.h>
#include <zlib.h>

namespace romlift::formats {

void Checksums::add(std::string_view bytes) {
  crc_ = static_cast<uint32_t>(
      crc32_z(crc_, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<z_size_t>(bytes.size())));
  uint64_t total = 0;
  for (unsigned char c : bytes) total += c;
  total_ += total;
}

void sha1Hex(std::string_view bytes, char (&hex)[kSha1HexSize]) {
  sha1_ctx ctx;
  sha1_init(&ctx);
  sha1_update(&ctx, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
  uint8_t digest[SHA1_DIGEST_SIZE];
  sha1_digest(&ctx, sizeof digest, digest);
  static constexpr char kDigits[] = "0123456789abcdef";
  for (int i = 0; i < SHA1_DIGEST_SIZE; ++i) {
    hex[2 * i] = kDigits[digest[i] >> 4];
    hex[2 * i + 1] = kDigits[digest[i] & 0xF];
  }
  hex[2 * SHA1_DIGEST_SIZE] = '\0';
}

}  // namespace romlift::formats
