// The standard run end to end: ROM image contents, duplicate symbols, image file faults.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/capture.h"
#include "support/run_binary.h"
#include "support/listing.h"

namespace romlift::test {
namespace {

namespace fs = std::filesystem;


std::string count(long bytes) { return "Nb car \xC3\xA9" "crits : " + std::to_string(bytes) + "\n"; }

int hexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// The object code that a listing shows, read the simple way a person would: every line with a
// line number, an address and hex digits from column 9 on contributes those digits.
std::string objectBytes(const std::string& listing) {
  std::string bytes;
  size_t from = 0;
  while (from < listing.size()) {
    size_t nl = listing.find('\n', from);
    std::string line = listing.substr(from, nl - from);
    from = nl == std::string::npos ? listing.size() : nl + 1;
    if (line.size() < 11 || !isdigit(line[0]) || line[3] != ' ' || line[8] != ' ' || line[4] == ' ') continue;
    for (size_t i = 9; i + 1 < line.size() && line[i] != ' '; i += 2)
      bytes += static_cast<char>(16 * hexValue(line[i]) + hexValue(line[i + 1]));
  }
  return bytes;
}

// A page of n code lines of three bytes each (byte values follow the line number).
std::string threeBytePage(int n) {
  std::string page = kHeader;
  for (int i = 0; i < n; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%03d %04X %06X             JMP   X\n", i % 1000, (3 * i) & 0xFFFF,
                  (i * 0x010203) & 0xFFFFFF);
    page += line;
  }
  return page;
}

TEST(Images, HoldTheBytesTheListingShowsInOrder) {
  const std::string sample = readFile(examplePath("sample.lst"));
  const std::string want = objectBytes(sample);
  ASSERT_EQ(want.size(), 193u);
  struct Case {
    int copies;
    std::vector<size_t> sizes;  // of 511, 514 and 512
  };
  // 43 copies end 1 byte short of the first file change, 85 copies cross both.
  for (const Case& c : {Case{1, {193}}, Case{43, {8192, 107}}, Case{85, {8192, 8192, 21}}}) {
    SCOPED_TRACE(std::to_string(c.copies) + " copies of the sample");
    std::string listing;
    for (int i = 0; i < c.copies; ++i) listing += sample;
    RunResult r = runRomlift(listing);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // Copies of the sample repeat its symbol tables: duplicate reports come before the count.
    EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1), count(193L * c.copies));
    std::string whole;
    for (int i = 0; i < c.copies; ++i) whole += want;
    EXPECT_TRUE(sameBytes(imageBytes(r), whole));
    const char* names[] = {"511_CodeObjet.bin", "514_CodeObjet.bin", "512_CodeObjet.bin"};
    for (size_t k = 0; k < 3; ++k) {
      SCOPED_TRACE(names[k]);
      if (k < c.sizes.size()) {
        EXPECT_EQ(r.contents[names[k]].size(), c.sizes[k]);
      } else {
        EXPECT_EQ(r.contents.count(names[k]), 0u);
      }
    }
  }
}

TEST(Images, RejectedLinesWriteNothingAndLaterBytesMoveUp) {
  const std::string listing = kHeader +
                              "001 C000 C3                 RET\n"
                              "002                 L1\n"
                              "003 C001 3E01               MVI   A,1\n"  // breaks the label run
                              "004 C003 00         L2      NOP\n" +      // reported, not written
                              kHeader2 + "001 C800 76                 HLT\n";
  RunResult r = runRomlift(listing);
  EXPECT_EQ(r.out, count(2));
  EXPECT_EQ(r.err,
            "syntax error    4 003 C001 3E01               MVI   A,1\n"
            "syntax error    5 004 C003 00         L2      NOP\n");
  EXPECT_EQ(imageBytes(r), "\xC3\x76");
}

TEST(Images, SymbolGivenTwiceForOneAddressIsReported) {
  const std::string page = "001 C000 C9         START   RET\n\n" + kBanner;
  struct Case {
    const char* name;
    std::string listing;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"same entry twice on one line", kHeader + page + "START  C000 START  C000\n",
       "Erreur Label START dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/C000\n" + count(1)},
      {"same entry on two lines, another label between", kHeader + page + "START  C000 BEGIN  C000\nSTART  C000\n",
       "Erreur Label START dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/C000\n" + count(1)},
      {"same label and address in two sections", kHeader + page + "START  C000\n" + kHeader2 + page + "START  C000\n",
       count(2)},
      {"same label at two addresses", kHeader + page + "START  C000 START  C001\n", count(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunResult r = runRomlift(c.listing);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
  }
}

// The image files of an earlier run that this one does not reach are kept, and each is named.
TEST(Images, FilesOfAnEarlierRunThatThisOneDoesNotWriteAreNamed) {
  const std::string stale = "old bytes";
  struct Case {
    std::string name, listing;
    long bytes;
    std::vector<std::string> kept;  // the earlier run's files this one leaves
  };
  const Case cases[] = {
      {"one file written", threeBytePage(2), 6, {"514_CodeObjet.bin", "512_CodeObjet.bin"}},
      {"two files written", threeBytePage(2731), 8193, {"512_CodeObjet.bin"}},
      {"no byte at all", kHeader + "001\n", 0, {"511_CodeObjet.bin", "514_CodeObjet.bin", "512_CodeObjet.bin"}},
      {"all three written", threeBytePage(5462), 16386, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunOptions options;
    options.prepare = [&](const std::string& dir) {
      for (const char* name : {"511_CodeObjet.bin", "514_CodeObjet.bin", "512_CodeObjet.bin"})
        std::ofstream(dir + "/" + name, std::ios::binary) << stale;
    };
    RunResult r = runRomlift(c.listing, options);
    std::string err;
    for (const std::string& name : c.kept) {
      err += "Fichier " + name + " non \xC3\xA9" "crit par la passe : il date d'une passe pr\xC3\xA9" "c\xC3\xA9" "dente\n";
      EXPECT_EQ(r.contents[name], stale) << name;
    }
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.out, count(c.bytes));
    EXPECT_EQ(r.status, 0);
  }
}

// A file that cannot be created or written is reported once, by name and reason; the rest of
// the listing is still read, checked and written, and the run ends with status 1.
TEST(Images, FaultyImageFileIsReportedAndTheOthersAreWritten) {
  const std::string listing = threeBytePage(5462);  // 16386 bytes
  const std::string want = objectBytes(listing);
  struct Case {
    const char* file;
    std::function<void(const std::string&)> prepare;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"514_CodeObjet.bin", [](const std::string& dir) { fs::create_directory(dir + "/514_CodeObjet.bin"); },
       "Is a directory"},
      {"511_CodeObjet.bin",
       [](const std::string& dir) { fs::create_symlink("/dev/full", dir + "/511_CodeObjet.bin"); },
       "No space left on device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RunOptions options;
    options.prepare = c.prepare;
    RunResult r = runRomlift(listing, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, count(16386));
    EXPECT_EQ(r.err, std::string("Erreur fichier ") + c.file + " : " + c.reason + "\n");
    const std::string first = want.substr(0, 8192), second = want.substr(8192, 8192), rest = want.substr(16384);
    if (std::string(c.file) != "511_CodeObjet.bin") {
      EXPECT_TRUE(sameBytes(r.contents["511_CodeObjet.bin"], first));
    }
    if (std::string(c.file) != "514_CodeObjet.bin") {
      EXPECT_TRUE(sameBytes(r.contents["514_CodeObjet.bin"], second));
    }
    EXPECT_TRUE(sameBytes(r.contents["512_CodeObjet.bin"], rest));
  }
}

}  // namespace
}  // namespace romlift::test
