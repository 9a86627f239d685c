// How the listing text reaches the scanner: line ends, Ctrl-Z, zero bytes, read boundaries,
// interrupted and failing reads, and lines longer than any buffer.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "scanner/input.h"
#include "scanner/scanner.h"
#include "scanner/token.h"
#include "support/capture.h"
#include "support/listing.h"
#include "support/scan.h"

namespace romlift {
namespace {

using test::at;
using test::blanks;
using test::fmt;
using test::scan;
using test::expectScans;
using test::ScanCase;
using test::toCrlf;
using test::Want;

const std::string kStars(27, '*');
const std::string kCom1 = at({{0, "010"}, {20, "* NOTE"}});
const std::string kOrg = at({{0, "012"}, {28, "ORG   :C000"}});
const std::string kCode = at({{0, "007"}, {4, "C00B"}, {9, "00"}, {28, "NOP"}});

// A small listing touching every mode: header, code and numbered lines, empty lines,
// banner, symbol entries and a skipped later-page header. It yields 12 tokens.
std::string listing() {
  return "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n" +
         at({{0, "001"}, {4, "C000"}, {9, "C3"}, {20, "START"}, {28, "JMP"}, {34, "INIT"},
             {44, "COLD START"}}) +
         "\n\n" + kCom1 + "\n" +
         at({{0, "008"}, {4, "C00C"}, {9, "C30000"}, {28, "JMP"}, {34, "LOOP"}}) + "\n013\n" +
         at({{0, "014"}, {4, "C00F"}, {28, "END"}}) + "\n" + kStars +
         "\n* S Y M B O L   T A B L E *\n" + kStars + "\nCOLD   C000 LOOP   C003\n\n" +
         "PAGE 02    KEZ FIRMWARE 0C000-0C7FF  V1.1\n";
}

// Each case for several read sizes, so that CR, LF and Ctrl-Z also fall on read boundaries.
void runChunked(const std::vector<ScanCase>& cases) { expectScans(cases, {0, 1, 2, 3, 5}); }

TEST(InputLineEnds, CrLfListingScansLikeLf) {
  const Want want = fmt(scan(listing()));
  ASSERT_EQ(want.size(), 12u);
  for (size_t chunk = 0; chunk <= 17; ++chunk) {
    SCOPED_TRACE("reads of " + std::to_string(chunk));
    EXPECT_EQ(fmt(scan(toCrlf(listing()), chunk)), want);
  }
}

TEST(InputLineEnds, LoneCarriageReturnIsAnOrdinaryCharacter) {
  const std::string codec =
      at({{0, "004"}, {4, "C006"}, {9, "76"}, {28, "HLT"}, {44, "ST\rOP"}});
  runChunked({
      {"inside a comment", codec + "\r\n013\n",
       {fmt(CODEC, codec, 1, "76"), fmt(NUMLINEVIDE, "013", 2, "76")}},
      // The first CR stays: the code line then ends in a non-blank and fits no layout.
      {"code line ending in CR CR LF", kCode + "\r\r\n013\n", {fmt(NUMLINEVIDE, "013", 2)}},
      {"star comment ending in CR CR LF", kCom1 + "\r\r\n", {fmt(COM1, kCom1 + "\r", 1)}},
      {"ORG ending in CR at end of input", kOrg + "\r", {fmt(ORG, kOrg + "\r", 1)}},
      {"line holding only a CR", "\r\r\n\n", {fmt(LIGNEVIDE, "\n", 3)}},
      {"CR LF empty lines", "\r\n\r\n", {fmt(LIGNEVIDE, "\n", 2), fmt(LIGNEVIDE, "\n", 3)}},
      {"CR in a blank run", "007 C00B 00" + blanks(8) + "\r" + blanks(8) + "NOP\n", {}},
      {"CR at end of input after a line", "013\n\r", {fmt(NUMLINEVIDE, "013", 1)}},
      {"zero byte before CR LF", kCom1 + std::string(1, '\0') + "\r\n\n",
       {fmt(COM1, kCom1 + std::string(1, '\0'), 1), fmt(LIGNEVIDE, "\n", 3)}},
  });
}

TEST(InputEndOfText, CtrlZEndsTheInput) {
  const std::string com1Cut = at({{0, "010"}, {20, "* NO"}});
  runChunked({
      {"between lines", "013\n\x1a" "014\n", {fmt(NUMLINEVIDE, "013", 1)}},
      {"first byte", "\x1a" "013\n", {}},
      {"inside a star comment", com1Cut + "\x1a" "TE\n015\n", {fmt(COM1, com1Cut, 1)}},
      // The newline after it is never seen, so a code line before it has no token.
      {"before a code line's newline", kCode + "\x1a\n013\n", {}},
      {"after a CR", kOrg + "\r\x1a\n", {fmt(ORG, kOrg + "\r", 1)}},
  });
}

// A source that fails on the given calls (counted from 1) with errno set to err.
Input::ReadFn failingReader(std::string text, size_t chunk, std::vector<int> failOn, int err) {
  auto inner = test::chunkReader(std::move(text), chunk);
  auto calls = std::make_shared<int>(0);
  return [=](char* dst, size_t cap) -> ssize_t {
    ++*calls;
    for (int n : failOn) {
      if (n == *calls || (n < 0 && *calls >= -n)) {
        errno = err;
        return -1;
      }
    }
    return inner(dst, cap);
  };
}

TEST(InputReadFailures, InterruptedReadsAreRetried) {
  const Want want = fmt(scan(listing()));
  for (size_t chunk : {0, 5}) {
    SCOPED_TRACE("reads of " + std::to_string(chunk));
    auto got = test::scanInput(Input(failingReader(listing(), chunk, {1, 3, 4}, EINTR)), 100);
    EXPECT_EQ(fmt(got), want);
  }
}

TEST(InputReadFailures, OtherFailuresAreFatal) {
  // {calls that succeed before every later call fails, read size}
  const std::pair<int, size_t> cases[] = {{0, 0}, {2, 4}, {5, 1}};
  for (auto [okCalls, chunk] : cases) {
    SCOPED_TRACE("failing after " + std::to_string(okCalls) + " reads");
    Scanner s(Input(failingReader("013\n013\n013\n013\n", chunk, {-(okCalls + 1)}, EIO)),
              [] { return 1; });
    try {
      for (int i = 0; i < 20; ++i) {
        if (s.yylex() == 0) break;
      }
      ADD_FAILURE() << "no FatalError thrown";
    } catch (const FatalError& e) {
      EXPECT_STREQ(e.what(), "input in flex scanner failed");
    }
  }
}

TEST(InputLongLines, NoLineLengthLimit) {
  const std::string code =
      at({{0, "004"}, {4, "C006"}, {9, "76"}, {28, "HLT"}, {44, std::string(1 << 20, 'X')}});
  const std::string junk(300000, 'x');
  for (size_t chunk : {0, 1000, 8192}) {
    SCOPED_TRACE("reads of " + std::to_string(chunk));
    auto got = scan(code + "\n" + junk + "\n013\n", chunk);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].token, CODEC);
    EXPECT_TRUE(test::sameBytes(got[0].text, code));
    EXPECT_EQ(got[0].lineno, 1);
    EXPECT_EQ(fmt(got[1]), fmt(NUMLINEVIDE, "013", 3, "76"));
  }
}

TEST(InputReadSizes, SameTokensForAnyReadSize) {
  const std::string z(1, '\0');
  const std::string text = listing() + toCrlf(listing()) + kCom1 + "\r" + z + "\r\n" + kStars +
                           "\r\n* S Y M B O L   T A B L E *\n" + kStars +
                           "\r\nAB" + z + "\r\r\n" + "1234CDEFGHIJKLMN\r\n" + kOrg;
  const Want want = fmt(scan(text));
  ASSERT_EQ(want.size(), 27u);
  for (size_t chunk : {1, 2, 3, 7, 4096}) {
    SCOPED_TRACE("reads of " + std::to_string(chunk));
    EXPECT_EQ(fmt(scan(text, chunk)), want);
  }
  SCOPED_TRACE("terminal input");
  EXPECT_EQ(fmt(test::scanInput(Input(test::chunkReader(text), true), text.size())), want);
}

// Many short lines push the text past the buffer more than once, so the unread text is moved
// to the front while a line is being looked up, and lines of 27 asterisks make the scanner
// read ahead for a banner right where the buffer is refilled.
TEST(InputReadSizes, ListingLongerThanTheBufferKeepsItsPlace) {
  const std::string code = at({{0, "007"}, {4, "C00B"}, {9, "00"}, {28, "NOP"}});
  std::string text;
  for (int i = 0; i < 6000; ++i) text += (i % 97 == 0 ? kStars : code) + "\n";
  for (size_t chunk : {0, 1000, 4096, 65536}) {
    SCOPED_TRACE("reads of " + std::to_string(chunk));
    auto got = scan(text, chunk);
    ASSERT_EQ(got.size(), 6000u - 62u);
    EXPECT_EQ(fmt(got.back()), fmt(CODE, code, 6000, "00"));
  }
}

}  // namespace
}  // namespace romlift
