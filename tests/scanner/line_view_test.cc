// The masked reading of a code line must classify every line exactly as the byte-by-byte one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "scanner/rules.h"
#include "scanner/token.h"

namespace romlift {
namespace {

// Lines made of code-line fields with random widths and random characters around the
// boundaries that matter (blank, tab, hex, upper, lower case, '*', zero, high bytes), so most
// of them come close to a layout and many fit one.
std::string randomLine(uint64_t& state) {
  auto next = [&state] {
    state += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  };
  static const char kAlphabet[] = "  0123456789ABCDEFGZaz*\t\x80\xff";
  auto field = [&](size_t maxLen, const char* from) {
    std::string f;
    for (size_t k = next() % (maxLen + 1); k > 0; --k) f += from[next() % std::strlen(from)];
    return f;
  };
  // Field widths and blank runs mostly from the ranges the layouts accept, sometimes just off.
  static const size_t kRuns[] = {0, 1, 2, 3, 4, 5, 9, 10, 12, 13, 14, 15, 17, 18, 25, 26, 34, 35, 39, 45};
  auto run = [&] { return std::string(kRuns[next() % std::size(kRuns)], ' '); };
  auto exact = [&](size_t len, const char* from) {
    std::string f;
    for (size_t k = len; k > 0; --k) f += from[next() % std::strlen(from)];
    return f;
  };
  std::string line = exact(next() % 8 ? 3 : 2, "0123456789") + " " + exact(4, "0123456789ABCDEF") + " " +
                     exact(2 * (1 + next() % 3) + (next() % 8 == 0), "0123456789ABCDEF");
  for (int part = 0; part < 4; ++part) {
    line += run();
    line += field(part == 1 ? 5 : 9, part == 0 ? "ABCXYZabc1" : part == 1 ? "ABCDMOVZ" : "A,1#()*");
  }
  if (next() % 4 == 0) line[next() % line.size()] = kAlphabet[next() % (sizeof kAlphabet - 1)];
  if (next() % 8 == 0) line += std::string(next() % 30, ' ');
  return line;
}

TEST(LineView, MaskedAndByteReadingsAgree) {
  uint64_t state = 12345;
  size_t codeLines = 0;
  for (int k = 0; k < 300000; ++k) {
    std::string line = randomLine(state);
    for (size_t n : {line.size(), line.size() / 2, std::min<size_t>(line.size(), 63)}) {
      int want = matchCodeLineByBytes(line.data(), n);
      // What follows the line is read and must not count: here, more code.
      std::string buffered = line.substr(0, n) + "  001 C000 00 L NOP A    AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
      ASSERT_EQ(matchCodeLine({buffered.data(), n}), want) << '"' << line.substr(0, n) << '"';
      codeLines += want != 0;
    }
  }
  EXPECT_GT(codeLines, 10000u) << "the generator must reach the code-line layouts";
}

}  // namespace
}  // namespace romlift
