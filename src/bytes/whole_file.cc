#include "bytes/whole_file.h"

#include <cerrno>
#include <cstdio>

namespace romlift {

int readWholeFile(const char* path, std::string& text) {
  errno = 0;
  FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return errno != 0 ? errno : EIO;
  char block[4096];
  for (size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) text.append(block, n);
  int error = std::ferror(in) ? (errno != 0 ? errno : EIO) : 0;
  std::fclose(in);
  return error;
}

}  // namespace romlift
