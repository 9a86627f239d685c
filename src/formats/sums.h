// The sums command: checksums of the image files and of each section's bytes, or a comparison
// of the image files with the values a check file expects.
#pragma once

#include <cstdio>
#include <vector>

#include "formats/check_file.h"
#include "formats/object_code.h"

namespace romlift::formats {

struct SumsOptions {
  // --check FILE: the values its file gave (read with readCheckFile before the listing), to
  // compare with instead of listing the sums.
  const std::vector<Expected>* expected = nullptr;
  // Of the bytes in a ROM-set line's range that no line gives, as rom fills them.
  uint8_t fill = 0xFF;
};

// Without expected values: "Fichier;Octets;CRC32;SHA1" and one row per image file the run
// writes, then "Segment;Octets;Somme8;Somme16;CRC32" and one row per section. Returns 0.
// With them: a line per image or range they name, matching or not, and "Nb erreurs : N";
// returns 1 when one does not match or an image is not written, 0 otherwise. A range holds
// the bytes at its addresses, as rom writes them (ObjectCode::Keep::Lines).
int printSums(const ObjectCode& code, FILE* out, const SumsOptions& options);

}  // namespace romlift::formats
