// What tools other than romlift make of a listing's bytes: the expected values of the tests
// that check checksums and programmer formats.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace romlift::test {

// A code line as printed: its address and its object-code bytes, read with a pattern of the
// columns rather than with romlift's scanner.
struct CodeBytes {
  unsigned address;
  std::string bytes;
};
std::vector<CodeBytes> codeLines(const std::string& listing);

// The bytes of all code lines one after the other, and placed at their addresses from the
// lowest on (gaps as zero bytes, a later line over an earlier one).
std::string streamOf(const std::vector<CodeBytes>& lines);
std::string placedOf(const std::vector<CodeBytes>& lines);

// The binary that binutils' objcopy makes of records in `format` (ihex, srec): from the lowest
// address to the highest, gaps as zero bytes.
std::string objcopyBinary(const std::string& records, const char* format);

// The bytes of [from, from + size) that binutils' objcopy lays out of Intel HEX records
// (objcopy -I ihex -O binary --gap-fill), with the fill byte between the records and around them.
std::string objcopyRange(const std::string& ihex, uint32_t from, uint32_t size, uint8_t fill);

// zlib.crc32 (8 lower-case hex digits) and hashlib.sha1 (40) of bytes, as Python gives them,
// joined by a blank.
std::string pythonCrcSha1(const std::string& bytes);

// The 40 hex digits that sha1sum gives for bytes.
std::string sha1sum(const std::string& bytes);

// The line that sha1sum --tag gives for bytes in a file called name: "SHA1 (NAME) = <40 hex>".
std::string sha1sumTag(const std::string& bytes, const std::string& name);

// The CRC32 that gzip stores after compressing bytes (its trailer), as 8 lower-case hex digits.
std::string gzipCrc32(const std::string& bytes);

// The file that GNU patch makes of original with the unified diff (`patch FILE < DIFF`), and
// the one that git apply makes of it as NAME in a folder that is no repository; nothing when
// the tool refuses the diff.
std::optional<std::string> gnuPatched(const std::string& original, const std::string& diff);
std::optional<std::string> gitApplied(const std::string& original, const std::string& name, const std::string& diff);

}  // namespace romlift::test
