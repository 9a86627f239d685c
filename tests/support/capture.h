// Test helpers: what a FILE* receives, and byte strings compared with a useful message.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace romlift::test {

// A stream into memory for the code under test to print on.
class Captured {
 public:
  Captured() : file_(open_memstream(&data_, &size_)) {}
  ~Captured() {
    std::fclose(file_);
    std::free(data_);
  }
  Captured(const Captured&) = delete;
  Captured& operator=(const Captured&) = delete;

  FILE* file() { return file_; }
  // Everything printed so far.
  std::string text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  FILE* file_;
};

// Equality of two byte strings; when they differ, says where first and what the sizes are
// instead of printing both in full (images run to megabytes).
::testing::AssertionResult sameBytes(std::string_view got, std::string_view want);

}  // namespace romlift::test
