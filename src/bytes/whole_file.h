// A small file read whole, as the check files and the alternatives file are.
#pragma once

#include <string>

namespace romlift {

// The bytes of the file at path into text. Returns 0, or the errno value that tells why the
// file could not be opened or read.
int readWholeFile(const char* path, std::string& text);

}  // namespace romlift
