// The binary fed damaged, huge or endless input: it must read to the end, keep its line counter
// and byte count exact, stay within a small memory budget and report output faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "support/capture.h"
#include "support/listing.h"
#include "support/run_binary.h"
#include "support/scan.h"

namespace romlift::test {
namespace {

using namespace std::string_literals;

std::string count(long bytes) { return "Nb car \xC3\xA9" "crits : " + std::to_string(bytes) + "\n"; }
std::string dup(const std::string& label, const std::string& where) {
  return "Erreur Label " + label + " dej\xC3\xA0 pr\xC3\xA9sent en " + where + "\n";
}

using test::at;
std::string poke(std::string s, size_t pos, char c) { return s[pos] = c, s; }
const std::string kRet = at({{0, "001"}, {4, "C000"}, {9, "C3"}, {28, "RET"}}) + "\n";
const std::string kHlt = at({{0, "002"}, {4, "C001"}, {9, "76"}, {28, "HLT"}}) + "\n";
const std::string kLabel = at({{0, "003"}, {20, "L1"}}) + "\n";

// A big input goes through a file in the system's temporary folder instead of being held twice.
struct BigInput {
  ScratchFile scratch;
  std::ofstream file{scratch.path, std::ios::binary};
  RunResult run() {
    file.close();
    RunOptions options;
    options.stdinPath = scratch.path;
    return runRomlift("", options);
  }
};

// Random bytes of any value but Ctrl-Z (which would end the input); junk() has no newline either.
char anyButCtrlZ(std::mt19937& rng) {
  const unsigned v = rng() % 255;
  return static_cast<char>(v >= 0x1A ? v + 1 : v);
}
std::string junk(std::mt19937& rng, size_t n) {
  std::string s(n, '\0');
  for (char& c : s)
    if ((c = anyButCtrlZ(rng)) == '\n') c = '\r';
  return s;
}

TEST(Hostile, DamagedBytesInsideLines) {
  struct Case {
    const char* name;
    std::string input, out, err, image;
  };
  const std::vector<Case> cases = {
      {"zero bytes in the header, a comment and a label",
       "PAGE 01    KEZ FIRMWARE \0"s + "0C000-0C7FF  V1.1\n" +
           poke(at({{0, "001"}, {4, "C000"}, {9, "C3"}, {28, "RET"}, {44, "COLD"}}), 46, '\0') + "\n" +
           poke(at({{0, "002"}, {4, "C001"}, {9, "76"}, {20, "LOOP"}, {28, "HLT"}}), 21, '\0') + "\n",
       count(2), "", "\xC3\x76"},
      {"zero byte in the object code or before the line number: no layout, skipped",
       kHeader + poke(kRet, 10, '\0') + poke(kLabel, 0, '\0') + kHlt, count(1), "", "\x76"},
      {"zero byte in a symbol-table entry ends its text: no address, no duplicate",
       kHeader + kRet + "\n" + kBanner + "START\0 C000 START  C000 START  C000\n"s,
       dup("START", "0C000-0C7FF/C000") + count(1), "", "\xC3"},
      {"Ctrl-Z inside a code line: the cut line has no newline and is no code line",
       kHeader + kRet + at({{0, "002"}, {4, "C001"}, {9, "76"}, {28, "HLT"}, {44, "ST\x1A" "OP"}}) + "\n" +
           kLabel + kHlt,
       count(1), "", "\xC3"},
      {"Ctrl-Z right after a header", kHeader + "\x1A" + kRet + kLabel + kHlt, count(0), "syntax error    2 \n", ""},
      {"carriage returns alone end no line",
       "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\r" + poke(kRet, 31, '\r') + poke(kHlt, 31, '\r'), count(0),
       "syntax error    1 \n", ""},
      {"only the carriage return before the newline is dropped",
       kHeader + poke(kRet, 31, '\r') + "\r\n" +
           at({{0, "002"}, {4, "C001"}, {9, "76"}, {28, "HLT"}, {44, "ST\r\r\n"}}),
       count(1), "", "\x76"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunResult r = runRomlift(c.input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(sameBytes(imageBytes(r), c.image));
  }
}

// Every report line starts with its message, or is the newline that an empty line's report
// prints as its text; the line counter never goes back nor beyond the input's lines.
void expectWellFormedReports(const std::string& err, long lines) {
  long last = 1;
  bool afterEmptyText = false;
  for (size_t from = 0, nl; from < err.size(); from = nl + 1) {
    nl = err.find('\n', from);
    ASSERT_NE(nl, std::string::npos);
    const std::string line = err.substr(from, nl - from);
    if (std::exchange(afterEmptyText, false) && line.empty()) continue;
    const size_t msg = line.starts_with("syntax error ") ? 13 : line.starts_with("memory exhausted ") ? 17 : 0;
    ASSERT_NE(msg, 0u) << line;
    char* end = nullptr;
    const long number = std::strtol(line.c_str() + msg, &end, 10);
    EXPECT_GE(number, last) << line;
    EXPECT_LE(number, lines + 1) << line;
    last = number;
    afterEmptyText = static_cast<size_t>(end - line.c_str()) + 1 == line.size();
  }
}

TEST(Hostile, RandomBytesKeepTheCountExact) {
  std::mt19937 rng(20240611);
  std::string anyByte(1 << 20, '\0');
  for (char& c : anyByte) c = static_cast<char>(rng());
  // Listing-like text: headers, code lines, code lines with one byte damaged, junk lines.
  std::string listing;
  while (listing.size() < (4u << 20)) {
    const unsigned pick = rng() % 100, width = 1 + rng() % 3, value = rng() % (1u << 8 * width);
    char obj[8];
    std::snprintf(obj, sizeof obj, "%0*X", static_cast<int>(2 * width), value);
    const std::string code = at({{0, "017"}, {4, "C0F0"}, {9, obj}, {28, "JMP"}, {34, "LOOP"}, {44, "GO"}}) + "\n";
    listing += pick < 3    ? kHeader
               : pick < 50 ? code
               : pick < 70 ? poke(code, rng() % code.size(), anyButCtrlZ(rng))
                           : junk(rng, rng() % 200) + "\n";
  }
  auto run = [](const char* name, const std::string& input) {
    SCOPED_TRACE(name);
    RunResult r = runRomlift(input);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("\n"));
    const std::string countLine = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);  // npos + 1 == 0
    EXPECT_EQ(countLine, count(static_cast<long>(imageBytes(r).size())));
    expectWellFormedReports(r.err, std::count(input.begin(), input.end(), '\n'));
    return r;
  };
  run("any byte", anyByte);  // its first Ctrl-Z comes early
  const RunResult whole = run("damaged listing", listing);
  EXPECT_GT(imageBytes(whole).size(), 10000u);
  // Nothing after a Ctrl-Z is read, however far into the input it stands.
  const RunResult cut = run("damaged listing, Ctrl-Z, any byte", listing + "\x1A" + anyByte);
  EXPECT_EQ(cut.out, whole.out);
  EXPECT_EQ(cut.err, whole.err);
  EXPECT_EQ(cut.files, whole.files);
  EXPECT_TRUE(sameBytes(imageBytes(cut), imageBytes(whole)));
}

TEST(HostileSlow, HugeLinesAreReadWhole) {
  struct Case {
    const char* name;
    std::string before, after, err, image;
  };
  const std::vector<Case> cases = {
      {"64 MB comment on a code line", kHeader + at({{0, "001"}, {4, "C000"}, {9, "C3"}, {28, "RET"}, {44, ""}}),
       "\n" + kHlt, "", "\xC3\x76"},
      {"64 MB of junk between two lines", kHeader + kRet, "\n" + kLabel + kHlt,
       "syntax error    5 " + kHlt + "syntax error    6 \n", "\xC3"},
  };
  std::mt19937 rng(64);
  const std::string megabyte = junk(rng, 1 << 20);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BigInput input;
    input.file << c.before << '#';  // the huge text starts with a character that begins no line class
    for (int mb = 0; mb < 64; ++mb) input.file << megabyte;
    input.file << c.after;
    RunResult r = input.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, count(static_cast<long>(c.image.size())));
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(sameBytes(imageBytes(r), c.image));
  }
}

TEST(HostileSlow, LongListingIsStreamed) {
  std::string page = kHeader, pageBytes;  // code lines of one to three bytes, with and without comment
  for (int i = 0; i < 1000; ++i) {
    std::string obj;
    for (int k = 0; k <= i % 3; ++k) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", (i * 7 + k * 31) & 0xFF);
      obj += hex, pageBytes += static_cast<char>((i * 7 + k * 31) & 0xFF);
    }
    page += at({{0, "123"}, {4, "C000"}, {9, obj}, {28, "JMP"}, {34, "LOOP"}, {44, i % 2 ? "GO ON" : ""}}) + "\n";
  }
  BigInput input;
  const long pages = (200L << 20) / static_cast<long>(page.size()) + 1;
  for (long p = 0; p < pages; ++p) input.file << page;
  RunResult r = input.run();
  const long total = pages * static_cast<long>(pageBytes.size());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, count(total));
  EXPECT_EQ(r.err, "");
  std::string first;
  while (first.size() < 8192) first += pageBytes;
  EXPECT_TRUE(sameBytes(r.contents["511_CodeObjet.bin"], first.substr(0, 8192)));
  EXPECT_EQ(r.contents["514_CodeObjet.bin"].size(), 8192u);
  EXPECT_EQ(r.contents["512_CodeObjet.bin"].size(), static_cast<size_t>(total - 16384));
  const std::string& last = r.contents["512_CodeObjet.bin"];
  EXPECT_TRUE(sameBytes(last.substr(last.size() - std::min(last.size(), pageBytes.size())), pageBytes));
  ASSERT_NE(r.peakKb, -1) << "the run's resource usage was not measured";
#ifndef ROMLIFT_SANITIZED  // the sanitizers' shadow memory is not the tool's own
  EXPECT_LT(r.peakKb, 64 * 1024) << "peak resident set in KiB";
#endif
  RecordProperty("peak_kib", std::to_string(r.peakKb));
}

// The 9995th label-only line of a run fills the parse stack (start state, four header entries,
// 9995 labels); from there on every token up to the next first-page header is reported.
TEST(Hostile, LabelRunOverflowsTheParseStack) {
  std::string input = kHeader, err;
  for (int k = 1; k <= 10000; ++k) {
    char line[32], report[64];
    std::snprintf(line, sizeof line, "%03d                 LBL", k % 1000);
    input += line + "\n"s;
    std::snprintf(report, sizeof report, "%s %4d %s\n", k == 9995 ? "memory exhausted" : "syntax error", k + 1, line);
    if (k >= 9995) err += report;
  }
  const std::string closing = at({{0, "001"}, {4, "C000"}, {9, "C9"}, {20, "START"}, {28, "RET"}}) + "\n";
  RunResult r = runRomlift(input + closing + kHeader2 + kHlt);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, count(1));
  EXPECT_EQ(r.err, err + "syntax error 10002 " + closing);
  EXPECT_EQ(imageBytes(r), "\x76");
}

// A header right after a header ends the call; the next call starts at its range, so every
// second header is reported token by token and the others open a page.
TEST(Hostile, HeaderRepeatedWithoutBodies) {
  std::string input;
  for (int i = 0; i < 100000; ++i) input += kHeader;
  RunResult r = runRomlift(input);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, count(0));
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 150001);
  auto reports = [](int line) {
    char n[16];
    std::snprintf(n, sizeof n, "%4d", line);
    return "syntax error "s + n + " PAGE 01    KEZ FIRMWARE \nsyntax error " + n + " 0C000-0C7FF\nsyntax error " + n +
           "   V1.1\n";
  };
  EXPECT_TRUE(r.err.starts_with(reports(2) + reports(4) + reports(6))) << r.err.substr(0, 300);
  EXPECT_TRUE(r.err.ends_with(reports(99998) + reports(100000) + "syntax error 100001 \n"))
      << r.err.substr(r.err.size() - 300);
}

TEST(Hostile, UnwritableStandardOutputIsReportedOnce) {
  const std::string kWriteError = "Erreur \xC3\xA9" "criture sortie standard : No space left on device\n";
  struct Case {
    const char* name;
    std::string input, err;
  };
  const std::vector<Case> cases = {
      {"well-formed listing", kHeader + kRet + kHlt, kWriteError},
      {"listing with syntax errors", kRet + kHeader + kRet + kLabel + kHlt + kHeader2 + kHlt,
       "syntax error    1 " + kRet + "syntax error    5 " + kHlt + kWriteError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunOptions options;
    options.stdoutPath = "/dev/full";
    RunResult r = runRomlift(c.input, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_FALSE(imageBytes(r).empty());
    // The report tool says the same, whether its output is a report or its help.
    for (const char* command : {"code", "--help"}) {
      SCOPED_TRACE(command);
      options.report = true;
      options.args = {command};
      RunResult report = runRomlift(c.input, options);
      EXPECT_EQ(report.status, 1);
      EXPECT_EQ(report.err, std::string(command)[0] == '-' ? kWriteError : c.err);
    }
  }
}

// With both streams on one file, each message stands where its event happened: a duplicate
// symbol between syntax errors, the byte count before the end-of-input report.
TEST(Hostile, MergedStreamsInterleaveReportsAndDuplicates) {
  const std::string l9 = at({{0, "001"}, {4, "D000"}, {9, "00"}, {20, "L9"}, {28, "NOP"}}) + "\n";
  const std::string input = kRet + kHeader + kRet + "\n" + kBanner + "START  C000 START  C000\n" + kHeader2 + kLabel +
                            kHlt + poke(kHlt, 2, '3') + "PAGE 01    KEZ FIRMWARE 0D000-0D7FF  V1.1\n" + l9 + "\n" +
                            kBanner + "L9     D000 L9     D000\n" + kLabel;
  RunOptions options;
  options.mergeOutput = true;
  RunResult r = runRomlift(input, options);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "syntax error    1 " + kRet + dup("START", "0C000-0C7FF/C000") + "syntax error   11 " + kHlt +
                       "syntax error   12 " + poke(kHlt, 2, '3') + dup("L9", "0D000-0D7FF/D000") + count(2) +
                       "syntax error   21 \n");
}

}  // namespace
}  // namespace romlift::test
