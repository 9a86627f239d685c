// What the fuzz targets read reports with: a stream into memory, and counts of its lines.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace romlift {

class MemoryStream {
 public:
  MemoryStream() : file_(open_memstream(&data_, &size_)) {}
  ~MemoryStream() {
    if (file_) std::fclose(file_);
    std::free(data_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  FILE* file() { return file_; }
  // Everything printed so far.
  std::string_view text() {
    std::fflush(file_);
    return {data_, size_};
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  FILE* file_;
};

// The number of lines of text that start with prefix.
inline size_t linesStarting(std::string_view text, std::string_view prefix) {
  std::string after = "\n" + std::string(prefix);
  size_t n = text.starts_with(prefix) ? 1 : 0;
  for (size_t at = text.find(after); at != std::string_view::npos; at = text.find(after, at + 1)) ++n;
  return n;
}

// The number of line ends in text.
inline size_t countLines(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

}  // namespace romlift
