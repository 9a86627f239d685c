// Runs a listing in process with the images in memory and the formats' collector listening,
// and captures what a format command prints.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "driver/run.h"
#include "formats/object_code.h"

namespace romlift::formats::test {

// A stream into a temporary file that gives back its text.
class Captured {
 public:
  Captured() : file_(std::tmpfile()) {}
  ~Captured() { std::fclose(file_); }
  FILE* file() { return file_; }
  std::string text() {
    std::fflush(file_);
    std::string all(static_cast<size_t>(std::ftell(file_)), '\0');
    std::rewind(file_);
    EXPECT_EQ(std::fread(all.data(), 1, all.size(), file_), all.size());
    return all;
  }

 private:
  FILE* file_;
};

class FormatsRun {
 public:
  explicit FormatsRun(std::string listing, ObjectCode::Keep keep = ObjectCode::Keep::Lines)
      : listing_(std::move(listing)), code_(keep) {
    RunOptions options;
    options.images = ImageTarget::Memory;
    options.printCount = false;
    options.observer = &code_;
    auto reader = [this](char* dst, size_t cap) -> ssize_t {
      size_t n = std::min(cap, listing_.size() - pos_);
      std::memcpy(dst, listing_.data() + pos_, n);
      pos_ += n;
      return static_cast<ssize_t>(n);
    };
    run_ = std::make_unique<Run>(Input(reader), reports_.file(), reports_.file(), options);
    EXPECT_EQ(run_->run(), 0);
    code_.attachImages(run_->state().writer);
  }
  const ObjectCode& code() const { return code_; }

 private:
  std::string listing_;
  size_t pos_ = 0;
  Captured reports_;  // syntax errors and duplicate labels, which these tests do not read
  ObjectCode code_;
  std::unique_ptr<Run> run_;
};

struct Printed {
  int status;
  std::string out, err;
};

// Calls a format command (printSums, printIntelHex, ...) and captures both streams.
template <typename Command, typename Options>
Printed print(Command command, const ObjectCode& code, const Options& options) {
  Captured out, err;
  int status = command(code, out.file(), err.file(), options);
  return {status, out.text(), err.text()};
}

}  // namespace romlift::formats::test
