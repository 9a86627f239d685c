// Each byte operation of the hot paths, in its plain and (where the processor has one) vector
// version, against its definition written as a loop over bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "bytes/vector_ops.h"

namespace romlift {
namespace {

// Buffers rich in the bytes the operations look for, and in every other byte value.
class Bytes {
 public:
  explicit Bytes(uint64_t seed) : state_(seed) {}
  void fill(char* p, size_t n) {
    static const char kCommon[] = " \n\0 09AFGZaz@`/:\x80\xff";
    for (size_t i = 0; i < n; ++i) {
      uint64_t r = next();
      p[i] = r % 3 == 0 ? static_cast<char>(r >> 8) : kCommon[(r >> 8) % (sizeof kCommon - 1)];
    }
  }
  uint64_t next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

 private:
  uint64_t state_;
};

uint64_t matchesByLoop(const char* p, char c, int n) {
  uint64_t bits = 0;
  for (int i = 0; i < n; ++i) bits |= uint64_t{p[i] == c} << i;
  return bits;
}

constexpr int kRounds = 20000;

TEST(VectorOps, Matches) {
  Bytes bytes(1);
  char buf[64];
  for (int k = 0; k < kRounds; ++k) {
    bytes.fill(buf, sizeof buf);
    char c = buf[bytes.next() % 64];
    const auto* u = reinterpret_cast<const uint8_t*>(buf);
    ASSERT_EQ(portable::matches16(u, static_cast<uint8_t>(c)), matchesByLoop(buf, c, 16));
    ASSERT_EQ(active::matches16(u, static_cast<uint8_t>(c)), matchesByLoop(buf, c, 16));
    ASSERT_EQ(portable::matches32(buf, c), matchesByLoop(buf, c, 32));
    ASSERT_EQ(active::matches32(buf, c), matchesByLoop(buf, c, 32));
    ASSERT_EQ(portable::matches64(buf, c), matchesByLoop(buf, c, 64));
    ASSERT_EQ(active::matches64(buf, c), matchesByLoop(buf, c, 64));
  }
}

TEST(VectorOps, Classify64) {
  Bytes bytes(2);
  char buf[64];
  for (int k = 0; k < kRounds; ++k) {
    bytes.fill(buf, sizeof buf);
    ClassMasks want{};
    for (int i = 0; i < 64; ++i) {
      unsigned char c = static_cast<unsigned char>(buf[i]);
      want.blank |= uint64_t{c == ' '} << i;
      want.digit |= uint64_t{c >= '0' && c <= '9'} << i;
      want.hex |= uint64_t{(c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')} << i;
      want.upper |= uint64_t{c >= 'A' && c <= 'Z'} << i;
    }
    for (ClassMasks got : {portable::classify64(buf), active::classify64(buf)}) {
      ASSERT_EQ(got.blank, want.blank);
      ASSERT_EQ(got.digit, want.digit);
      ASSERT_EQ(got.hex, want.hex);
      ASSERT_EQ(got.upper, want.upper);
    }
  }
}

TEST(VectorOps, StoreFirst16) {
  Bytes bytes(3);
  char src[16];
  for (int k = 0; k < kRounds; ++k) {
    bytes.fill(src, sizeof src);
    size_t n = bytes.next() % 17;
    std::string want = std::string(src, n) + std::string(16 - n, '\0');
    for (auto store : {portable::storeFirst16, active::storeFirst16}) {
      char dst[16];
      std::memset(dst, '#', sizeof dst);
      store(dst, src, n);
      ASSERT_EQ(std::string(dst, 16), want) << n;
    }
  }
}

// The pair (h, l) stands for 16 v(h) + v(l) in 8 bits, v(x) = x - 48 up to '@' and x - 55 from
// 'A' on: upper-case hex as it should be, and a fixed value for any other pair of bytes.
TEST(VectorOps, DecodePairs6) {
  EXPECT_EQ(decodePair('C', '3'), 0xC3);
  EXPECT_EQ(decodePair('0', 'a'), 0x2A);
  EXPECT_EQ(decodePair('f', 'f'), 0x1F);
  Bytes bytes(4);
  char text[12];
  for (int k = 0; k < kRounds; ++k) {
    bytes.fill(text, sizeof text);
    uint8_t want[6];
    for (int i = 0; i < 6; ++i) {
      auto v = [](char c) {
        int x = static_cast<unsigned char>(c);
        return x <= 64 ? x - 48 : x - 55;
      };
      want[i] = static_cast<uint8_t>((16 * v(text[2 * i]) + v(text[2 * i + 1])) & 0xFF);
    }
    for (auto decode : {portable::decodePairs6, active::decodePairs6}) {
      uint8_t got[8];
      decode(text, got);
      ASSERT_EQ(std::memcmp(got, want, 6), 0);
    }
  }
}

}  // namespace
}  // namespace romlift
