// The ROM image writer: pair decoding, the split of the byte stream over the three image
// files, the byte count, and how unwritable files are reported without stopping the others.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bytes/vector_ops.h"
#include "output/image_writer.h"
#include "support/capture.h"

namespace romlift {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
const char *const k511 = "511_CodeObjet.bin", *const k514 = "514_CodeObjet.bin",
                  *const k512 = "512_CodeObjet.bin";

// A scratch directory per test (emptied again per table case), and the reported faults.
class ImageWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/romlift-img-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  void reset() { fs::remove_all(dir_), fs::create_directory(dir_), faults_.clear(); }

  ImageWriter::FaultFn recorder() {
    return [this](const char* file, int errnum) {
      faults_.emplace_back(fs::path(file).filename().string(), errnum);
    };
  }
  std::optional<Bytes> read(const char* name) const {
    if (!fs::is_regular_file(dir_ / name)) return std::nullopt;
    std::ifstream in(dir_ / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir_;
  std::vector<std::pair<std::string, int>> faults_;
};

// Byte n (0-based) of a generated stream; varies enough to show misplaced bytes.
uint8_t streamByte(int64_t n) { return static_cast<uint8_t>((n * 37 + 11) % 256); }

Bytes stream(int64_t from, int64_t to) {
  Bytes out;
  for (int64_t n = from; n < to; ++n) out.push_back(streamByte(n));
  return out;
}

// Writes `total` stream bytes as a first line of `first` bytes, then lines of `chunk` bytes;
// with lengthKnown, the way the run gives a code line's object code.
void writeStream(ImageWriter& w, int64_t total, int first, int chunk, bool lengthKnown = false) {
  for (int64_t n = 0, size = first; n < total; size = chunk) {
    std::string text;
    for (int i = 0; i < size && n < total; ++i) {
      uint8_t b = streamByte(n++);
      text += "0123456789ABCDEF"[b >> 4], text += "0123456789ABCDEF"[b & 15];
    }
    if (lengthKnown) {
      char digits[2 * ImageWriter::kMaxPairs + 2 + kPadding] = {};
      text.copy(digits, 2 * ImageWriter::kMaxPairs + 1);
      w.ecrireobj(PaddedText{digits, text.size()});
    } else {
      w.ecrireobj(text.c_str());
    }
  }
}

TEST_F(ImageWriterTest, DecodesPairsInOrder) {
  struct Case {
    const char* text;
    Bytes want;
  } cases[] = {
      {"CD3412", {0xCD, 0x34, 0x12}}, {"00FF7E", {0x00, 0xFF, 0x7E}},
      {"a0", {0xA0}}, {"0a", {0x2A}}, {"1a", {0x3A}},
      {"C3D", {0xC3}}, {"7", {}},  // a lone last character is dropped
      {"", {}},                    // first call: the file exists even with nothing in it
      {"GG", {0x10}}, {"zz", {0x73}}, {":0", {0xA0}},  // every character goes through v()
      {"\xFF\xFF", {0x48}},  // characters above 127 count as unsigned
  };
  for (const auto& c : cases) {
    for (bool lengthKnown : {false, true}) {
      SCOPED_TRACE(std::string("\"") + c.text + (lengthKnown ? "\", length given" : "\""));
      reset();
      ImageWriter w(recorder(), dir_.string());
      if (lengthKnown) {
        // As the run gives it, after a first call that creates the file.
        char digits[2 * ImageWriter::kMaxPairs + 2 + kPadding] = {};
        w.ecrireobj(PaddedText{digits, 0});
        std::strcpy(digits, c.text);
        std::memset(digits + std::strlen(c.text) + 1, 'F', sizeof digits - std::strlen(c.text) - 1);
        w.ecrireobj(PaddedText{digits, std::strlen(c.text)});
      } else {
        w.ecrireobj(c.text);
      }
      w.close();
      EXPECT_EQ(read(k511), c.want);
      EXPECT_EQ(read(k514), std::nullopt);
      EXPECT_EQ(w.nbcarsecrits(), int64_t(c.want.size()));
      EXPECT_FALSE(w.failed());
      EXPECT_TRUE(faults_.empty());
    }
  }
  EXPECT_EQ(decodePair('f', 'f'), 0x1F);
}

TEST_F(ImageWriterTest, SplitsTheStreamAcrossTheThreeFiles) {
  constexpr int kNo = -1;  // file absent
  struct Case {
    int64_t total;
    int first, chunk, s511, s514, s512;
  } cases[] = {
      {1, 1, 1, 1, kNo, kNo},
      {8191, 3, 3, 8191, kNo, kNo},
      {8192, 1, 1, 8192, 0, kNo},  // 514 is created as soon as byte 8192 is written
      {8192, 2, 2, 8192, 0, kNo},
      {8193, 3, 3, 8192, 1, kNo},  // the line of bytes 8191-8193 straddles 511/514
      {16384, 2, 2, 8192, 8192, 0},
      {16385, 1, 1, 8192, 8192, 1},
      {16385, 2, 3, 8192, 8192, 1},      // the line of bytes 16383-16385 straddles 514/512
      {40000, 3, 3, 8192, 8192, 23616},  // no fourth file
  };
  for (const auto& c : cases) {
    for (bool lengthKnown : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.total << " bytes, first line " << c.first
                                      << (lengthKnown ? ", lengths given" : ""));
      reset();
      ImageWriter w(recorder(), dir_.string());
      writeStream(w, c.total, c.first, c.chunk, lengthKnown);
      // Each file exists from the moment the previous one is full, before any close.
      EXPECT_EQ(fs::exists(dir_ / k514), c.s514 != kNo);
      EXPECT_EQ(fs::exists(dir_ / k512), c.s512 != kNo);
      w.close();
      EXPECT_EQ(w.nbcarsecrits(), c.total);
      int64_t start = 0;
      for (auto [name, size] : {std::pair{k511, c.s511}, {k514, c.s514}, {k512, c.s512}}) {
        SCOPED_TRACE(name);
        auto got = read(name);
        if (size == kNo) {
          EXPECT_EQ(got, std::nullopt);
          continue;
        }
        ASSERT_TRUE(got.has_value());
        Bytes want = stream(start, start + size);
        EXPECT_TRUE(test::sameBytes({reinterpret_cast<const char*>(got->data()), got->size()},
                                    {reinterpret_cast<const char*>(want.data()), want.size()}));
        start += int64_t(got->size());
      }
      EXPECT_EQ(start, w.nbcarsecrits());  // the count is the sum of the file sizes
      EXPECT_FALSE(w.failed());
      EXPECT_TRUE(faults_.empty());
    }
  }
}

TEST_F(ImageWriterTest, NoCallCreatesNoFileAndAnOldImageIsTruncated) {
  ImageWriter idle(recorder(), dir_.string());
  idle.close();
  EXPECT_EQ(idle.nbcarsecrits(), 0);
  EXPECT_TRUE(fs::is_empty(dir_));

  std::ofstream(dir_ / k511) << std::string(100, 'x');
  ImageWriter w(recorder(), dir_.string());
  w.ecrireobj("C3C9");
  w.close();
  EXPECT_EQ(read(k511), (Bytes{0xC3, 0xC9}));
  EXPECT_TRUE(faults_.empty());
}

TEST_F(ImageWriterTest, AFaultyFileIsReportedOnceAndTheOthersAreWritten) {
  enum Setup { kDirectory514, kFull511, kMissingDir };
  struct Case {
    const char* name;
    Setup setup;
    std::vector<std::string> faulty;
  } cases[] = {
      {"a directory holds the name of 514", kDirectory514, {k514}},
      {"511 leads to a full device", kFull511, {k511}},
      {"the directory does not exist", kMissingDir, {k511, k514, k512}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reset();
    if (c.setup == kDirectory514) fs::create_directory(dir_ / k514);
    if (c.setup == kFull511) fs::create_symlink("/dev/full", dir_ / k511);
    ImageWriter w(recorder(), (c.setup == kMissingDir ? dir_ / "missing" : dir_).string());
    writeStream(w, 16385, 3, 3);
    w.close();
    EXPECT_EQ(w.nbcarsecrits(), 16385);  // failed writes are counted all the same
    EXPECT_TRUE(w.failed());
    std::vector<std::string> names;
    for (const auto& [name, errnum] : faults_) {
      names.push_back(name);
      EXPECT_NE(errnum, 0) << name;
    }
    EXPECT_EQ(names, c.faulty);
    if (c.setup == kMissingDir) continue;
    int64_t start = 0;
    for (auto [name, size] : {std::pair{k511, 8192}, {k514, 8192}, {k512, 1}}) {
      if (std::find(c.faulty.begin(), c.faulty.end(), name) == c.faulty.end()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(read(name), stream(start, start + size));
      }
      start += size;
    }
  }
}

}  // namespace
}  // namespace romlift
