// The sums command: checksums of the image files and of each section's bytes, or a comparison
// of the image files with the values a check file expects.
#pragma once

#include <cstdio>

#include "formats/object_code.h"

namespace romlift::formats {

struct SumsOptions {
  const char* checkFile = nullptr;  // --check FILE: compare with its values instead of listing
};

// Without a check file: "Fichier;Octets;CRC32;SHA1" and one row per image file the run
// writes, then "Segment;Octets;Somme8;Somme16;CRC32" and one row per section. Returns 0.
// With one: a line per image the file names, matching or not, and "Nb erreurs : N"; returns 1
// when an image does not match or is not written, 2 (after a message on err) when the file
// cannot be read or a line of it is malformed.
int printSums(const ObjectCode& code, FILE* out, FILE* err, const SumsOptions& options);

}  // namespace romlift::formats
