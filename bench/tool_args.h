// What the bench's command-line tools share: numbers from arguments and whole files.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace romlift::bench::tool {

// Says what is wrong with the command line and how it goes; returns the exit status 2.
inline int usage(const char* tool, const char* synopsis, std::string_view why) {
  std::fprintf(stderr, "%s: %.*s\nusage: %s %s\n", tool, static_cast<int>(why.size()), why.data(), tool, synopsis);
  return 2;
}

// A number of zero or more, whole or not.
inline bool parseNumber(const char* text, double& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text, &end);
  return errno == 0 && end != text && *end == '\0' && value >= 0;
}

// The rest of the stream; false on a read error.
inline bool readAll(FILE* in, std::string& text) {
  char buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, n);
  return std::ferror(in) == 0;
}

inline bool readFile(const char* path, std::string& text) {
  FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return false;
  bool ok = readAll(in, text);
  return std::fclose(in) == 0 && ok;
}

inline bool writeFile(const char* path, std::string_view text) {
  FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && ok;
}

}  // namespace romlift::bench::tool
