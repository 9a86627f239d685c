// End-to-end runs of the romlift binary: exact standard output, standard error and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/run_binary.h"
#include "support/listing.h"

namespace romlift::test {
namespace {

using namespace std::string_literals;

// The byte-count line; "é" spelled as its UTF-8 bytes, so the expectation does not depend on
// the source charset.
std::string count(int bytes) { return "Nb car \xC3\xA9" "crits : " + std::to_string(bytes) + "\n"; }
const std::string kCount = count(0);
const std::vector<std::string> kFirstImage = {"511_CodeObjet.bin"};

const std::string kNop = "001 C000 00                 NOP\n";
// One numbered line of each class: ORG, both comment kinds, the eight code-line kinds, a
// label-only line, a numbered empty line and END.
const std::string kBody =
    "001                         ORG   :C000\n"
    "002                 * COLD START\n"
    "003 C000 C306C0     START   JMP   INIT      COLD START\n"
    "004 C003 00         LOOP    NOP             WAIT\n"
    "005 C004 3E01               MVI   A,1       SET\n"
    "006 C006 76                 HLT             STOP\n"
    "007                 L2\n"
    "008 C007 00         L3      NOP\n"
    "009 C008 C303C0     L4      JMP   LOOP\n"
    "010 C00B 00                 NOP\n"
    "011 C00C C303C0             JMP   LOOP\n"
    "012                                         END OF CODE\n"
    "013\n"
    "014 C00F                    END\n";


struct Case {
  const char* name;
  std::string input;
  std::string err;  // expected standard error
  int bytes;        // object-code bytes of the accepted code lines: the printed count
};

std::vector<Case> cases() {
  return {
      {"empty input", "", "syntax error    1 \n", 0},
      {"well-formed page with every line class",
       kHeader + "\n" + kBody + "\n" + kBanner + "INIT   C006 L2     C007 L3     C007 L4     C008\n" + kLaterHeader +
           "LOOP   C003 START  C000\n\n",
       "", 15},
      // Line 4 breaks a label run; every token up to the next first-page header is reported,
      // the empty line 5 with the counter already on line 6.
      {"bad line in the middle of a page",
       kHeader +
           "001                         ORG   :C000\n"
           "002                 LOOP\n"
           "003 C000 3E01               MVI   A,1\n"
           "\n"
           "004 C002 76                 HLT\n" +
           kLaterHeader +
           "THIS LINE FITS NO LAYOUT\n" + kHeader2 +
           "001 C800 00                 NOP\n"
           "002                 L1\n"
           "003 C801 00         L2      NOP\n",
       "syntax error    4 003 C000 3E01               MVI   A,1\n"
       "syntax error    6 \n\n"
       "syntax error    6 004 C002 76                 HLT\n", 2},
      {"lines that fit no layout are skipped silently, even before the first header",
       "12 C000 00                 NOP\n"
       "001 C000 00                 nop\n"
       "001                 X\n"
       "001 C000 000                NOP\n"
       "001 C000 00                  NOP\n"
       "001 C000 00         TOOLONG NOP\n"
       "001 C000 00\tNOP\n"
       "PAGE 01   KEZ FIRMWARE 0C000-0C7FF  V1.1\n" +
           kLaterHeader + kHeader + kNop,
       "", 1},
      {"recognised lines before the first header are reported",
       "001                 * NOTE\n\n" + kHeader + kNop,
       "syntax error    1 001                 * NOTE\n"
       "syntax error    3 \n\n", 1},
      // The second header is consumed by the error, so its own page is reported token by token.
      {"page without body", kHeader + kHeader2 + "001 C800 00                 NOP\n",
       "syntax error    2 PAGE 01    KEZ FIRMWARE \n"
       "syntax error    2 0C800-0CFFF\n"
       "syntax error    2   V1.1\n"
       "syntax error    3 001 C800 00                 NOP\n"
       "syntax error    4 \n", 0},
      {"header whose address range is not recognised",
       "PAGE 01    KEZ FIRMWARE C000-C7  V1.1\n" + kNop + kHeader + kNop,
       "syntax error    1   V1.1\n"
       "syntax error    2 001 C000 00                 NOP\n", 1},
      {"end of input inside a header line", "PAGE 01    KEZ FIRMWARE 0C000-0C7FF",
       "syntax error    1 \n", 0},
      {"end of input right after a header line", kHeader, "syntax error    2 \n", 0},
      {"end of input inside a label run", kHeader + "001                 DONE\n",
       "syntax error    3 \n", 0},
      // The banner's three lines count as three; a later-page header in the table yields nothing.
      {"line counting through a symbol table",
       kHeader + kNop + kBanner + "START  C000 LOOP   C003\n" + kLaterHeader +
           "005                 X1\n"
           "006 C000 00                 NOP\n",
       "syntax error    9 006 C000 00                 NOP\n"
       "syntax error   10 \n", 1},
      {"zero byte inside a bad line ends its printed text",
       kHeader + "001                 L1\n" + "002 C000 76                 HLT             ST\0OP\n"s,
       "syntax error    3 002 C000 76                 HLT             ST\n"
       "syntax error    4 \n", 0},
      {"Ctrl-Z ends the input", kHeader + kNop + "\x1A" "001                 DONE\n", "", 1},
      {"line counter of five digits",
       kHeader + std::string(10000, '\n') + "001                 L1\n" + kNop,
       "syntax error 10003 001 C000 00                 NOP\n"
       "syntax error 10004 \n", 0},
  };
}

TEST(EndToEnd, ReportsExactlyTheBadTokens) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    for (bool crlf : {false, true}) {
      SCOPED_TRACE(crlf ? "CRLF line ends" : "LF line ends");
      RunResult r = runRomlift(crlf ? toCrlf(c.input) : c.input);
      EXPECT_EQ(r.out, count(c.bytes));
      EXPECT_EQ(r.err, c.err);
      EXPECT_EQ(r.status, 0);
      // A run without accepted code line makes no image file.
      EXPECT_EQ(r.files, c.bytes == 0 ? std::vector<std::string>{} : kFirstImage);
    }
  }
}

// Outside a page every recognised line is out of place, so each line of kBody is reported with
// its own number and text: none of the classes may be skipped as unrecognised.
TEST(EndToEnd, EveryLineClassIsRecognised) {
  std::string expected;
  int lineNo = 0;
  for (size_t from = 0; from < kBody.size();) {
    const size_t nl = kBody.find('\n', from);
    char number[16];
    std::snprintf(number, sizeof number, "%4d", ++lineNo);
    expected += "syntax error "s + number + " " + kBody.substr(from, nl - from) + "\n";
    from = nl + 1;
  }
  expected += "syntax error   15 \n";
  RunResult r = runRomlift(kBody);
  EXPECT_EQ(r.out, kCount);
  EXPECT_EQ(r.err, expected);
  EXPECT_EQ(r.status, 0);
}

// With both streams on one descriptor the byte count comes before the report that the end of
// input causes, and after the reports made while the input was still being read.
TEST(EndToEnd, MergedStreamsKeepTheOrderOfEvents) {
  struct Merged {
    const char* name;
    std::string input;
    std::string all;
  };
  const std::vector<Merged> merged = {
      {"empty input", "", kCount + "syntax error    1 \n"},
      {"end of input inside a header line", "PAGE 01    KEZ FIRMWARE 0C000-0C7FF",
       kCount + "syntax error    1 \n"},
      {"page without body", kHeader + kHeader2 + "001 C800 00                 NOP\n",
       "syntax error    2 PAGE 01    KEZ FIRMWARE \n"
       "syntax error    2 0C800-0CFFF\n"
       "syntax error    2   V1.1\n"
       "syntax error    3 001 C800 00                 NOP\n" +
           kCount + "syntax error    4 \n"},
      {"well-formed page", kHeader + kNop, count(1)},
  };
  RunOptions options;
  options.mergeOutput = true;
  for (const Merged& m : merged) {
    SCOPED_TRACE(m.name);
    RunResult r = runRomlift(m.input, options);
    EXPECT_EQ(r.out, m.all);
    EXPECT_EQ(r.status, 0);
  }
}

TEST(EndToEnd, SampleListingHasNoSyntaxError) {
  const std::string sample = readFile(examplePath("sample.lst"));
  ASSERT_FALSE(sample.empty());
  for (bool crlf : {false, true}) {
    SCOPED_TRACE(crlf ? "CRLF line ends" : "LF line ends");
    RunResult r = runRomlift(crlf ? toCrlf(sample) : sample);
    EXPECT_EQ(r.out, count(193));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files, kFirstImage);
  }
}

// Far more than one read block: lines, carriage-return pairs and the symbol tables' three-line
// banners cross block and buffer boundaries at many different offsets.
TEST(EndToEnd, LongListingCrossesReadBlocksCleanly) {
  const std::string sample = readFile(examplePath("sample.lst"));
  ASSERT_FALSE(sample.empty());
  std::string lf;
  for (int i = 0; i < 60; ++i) lf += sample;
  // A label run at the very end: its code line is reported, then the end of input.
  lf += "001                 L1\n" + kNop;
  const auto sampleLines = std::count(sample.begin(), sample.end(), '\n');
  const auto nopLine = 60 * sampleLines + 2;
  const std::string expected = "syntax error " + std::to_string(nopLine) + " " +
                               kNop.substr(0, kNop.size() - 1) + "\n" + "syntax error " +
                               std::to_string(nopLine + 1) + " \n";
  for (const std::string& input : {lf, toCrlf(lf)}) {
    RunResult r = runRomlift(input);
    // From the second copy on, every symbol-table entry of the sample (32) is a duplicate.
    const std::string dup = "Erreur Label ";
    size_t dups = 0;
    for (size_t at = r.out.find(dup); at != std::string::npos; at = r.out.find(dup, at + 1)) ++dups;
    EXPECT_EQ(dups, 59u * 32u);
    EXPECT_TRUE(r.out.ends_with("\n" + count(60 * 193))) << r.out.substr(r.out.size() - 200);
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(r.status, 0);
  }
}

TEST(EndToEnd, CommandLineArgumentsAreIgnored) {
  const std::vector<std::vector<std::string>> argSets = {{"-h"},          {"--help", "-v"}, {"--version=1"},
                                                         {"-v"},          {"examples/sample.lst"},
                                                         {"no-such-file.lst", "-o", "out.bin"}};
  for (const auto& args : argSets) {
    SCOPED_TRACE(args.front());
    RunOptions options;
    options.args = args;
    RunResult r = runRomlift(kHeader + "001                 DONE\n", options);
    EXPECT_EQ(r.out, kCount);
    EXPECT_EQ(r.err, "syntax error    3 \n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files, std::vector<std::string>{});
  }
}

// A lone --help or --version is answered at once: nothing is read, nothing is written.
TEST(EndToEnd, AnswersALoneHelpOrVersion) {
  const std::pair<std::string, std::string> cases[] = {{"--help", "Usage: romlift < LISTING\n\n"},
                                                       {"--version", "romlift 0.1.0\n"}};
  for (const auto& [arg, start] : cases) {
    SCOPED_TRACE(arg);
    RunOptions options;
    options.args = {arg};
    RunResult r = runRomlift(kHeader + kNop, options);
    EXPECT_TRUE(r.out.starts_with(start)) << r.out;
    EXPECT_EQ(r.out.find(count(1)), std::string::npos);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files, std::vector<std::string>{});
  }
}

// A read error on standard input (here: it is a folder) ends the run at once, without the byte
// count.
TEST(EndToEnd, ReadErrorIsFatal) {
  RunOptions options;
  options.stdinPath = ROMLIFT_EXAMPLES;
  RunResult r = runRomlift("", options);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "input in flex scanner failed\n");
  EXPECT_EQ(r.status, 2);
}

}  // namespace
}  // namespace romlift::test
