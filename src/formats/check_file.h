// Expected checksums of image files, read from a file in one of the forms that sha1sum and
// emulator ROM sets write.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "formats/checksums.h"

namespace romlift::formats {

// One image named in a check file, with the values it should have.
struct Expected {
  std::string name;  // as the file writes it; without a range its last path component names the image
  bool hasRange = false;            // a ROM-set line with an offset and a size: the bytes at
  uint32_t offset = 0, size = 0;    // those addresses are meant, not an image file
  bool hasCrc = false, hasSha1 = false;
  uint32_t crc = 0;
  char sha1[kSha1HexSize] = {};  // lower case
};

// Parses a check file's text. Each line is blank, a '#' comment, a sha1sum line
// ("<40 hex>  NAME" or "<40 hex> *NAME"; "SHA1 (NAME) = <40 hex>" with --tag) or a line with
// CRC(8 hex) and/or SHA1(40 hex) and the name, quoted ("ROM_LOAD( "NAME", ... )") or as the
// first word ("NAME CRC(...) SHA1(...)"); a quoted name followed by an offset and a size
// (0x hexadecimal or decimal) gives the range.
// Returns an empty string and fills `expected`, or says what is wrong with which line.
std::string parseCheckText(std::string_view text, std::vector<Expected>* expected);

// Reads and parses the check file at path. On failure prints a usage error that names the file
// (and the line) to err and returns false.
bool readCheckFile(const char* path, std::vector<Expected>* expected, FILE* err);

}  // namespace romlift::formats
