// ihex and srec: records worked out by hand for small listings, and whole listings that
// binutils' objcopy turns back into the listing's bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "formats/formats_run.h"
#include "formats/hex_output.h"
#include "support/independent_tools.h"
#include "support/prerequisites.h"
#include "support/run_binary.h"

namespace romlift::formats::test {
namespace {

using romlift::test::codeLines;
using romlift::test::examplePath;
using romlift::test::objcopyBinary;
using romlift::test::readFile;
using romlift::test::streamOf;

std::string header(const char* range) { return std::string("PAGE 01    KEZ FIRMWARE ") + range + "  V1.1\n"; }

Printed records(RecordFormat format, const std::string& listing, bool offsets) {
  FormatsRun run(listing);
  HexOptions options;
  options.offsets = offsets;
  return print(format == RecordFormat::IntelHex ? printIntelHex : printSRecords, run.code(), options);
}

// Checksums worked out by hand: Intel HEX makes all bytes of a record add up to 0 mod 256,
// an S-record's is the ones' complement of the sum from the count byte on.
TEST(HexRecords, WorkedByHand) {
  const std::string banked = header("1C000-1C7FF") + "001 C000 C30CC8     VINIT   JMP   SINIT\n" +
                             "002 C003 00                 NOP\n";
  // Line 4 gives C001 again, which line 2 gave.
  const std::string overlap = header("0C000-0C7FF") + "001 C000 3E01               MVI   A,1\n" +
                              "002 C002 00                 NOP\n" + "003 C001 C9                 RET\n";
  // A range across a bank boundary: 0000 stands after FFFF.
  const std::string across = header("0FFF0-1000F") + "001 FFFF 00                 NOP\n" +
                             "002 0000 C9                 RET\n";
  const std::string overlapReport = "<<< Chevauchement >>> : ligne 4 segment 0C000-0C7FF adresse C001 d\xC3\xA9j\xC3\xA0 "
                                    "donn\xC3\xA9" "e par la ligne 2 (1 octet)\nNb chevauchements : 1\n";
  // Lines 5 to 7 give again, one after the other, the bytes that lines 2 to 4 gave: one run.
  const std::string again = header("0C000-0C7FF") + "001 C000 3E01               MVI   A,1\n" +
                            "002 C002 00                 NOP\n" + "003 C003 C9                 RET\n" +
                            "004 C000 00                 NOP\n" + "005 C001 0000               DW    0\n" +
                            "006 C003 76                 HLT\n" + "007 C010 00                 NOP\n" +
                            "008 C003 C9                 RET\n";
  const std::string againReport =
      "<<< Chevauchement >>> : lignes 5-7 segment 0C000-0C7FF adresse C000 d\xC3\xA9j\xC3\xA0 donn\xC3\xA9" "e par les "
      "lignes 2-4 (4 octets)\n"
      "<<< Chevauchement >>> : ligne 9 segment 0C000-0C7FF adresse C003 d\xC3\xA9j\xC3\xA0 donn\xC3\xA9" "e par la ligne "
      "7 (1 octet)\nNb chevauchements : 2\n";
  struct Case {
    std::string name, listing;
    RecordFormat format;
    int status;
    std::string out, err;
  };
  const Case cases[] = {
      {"banked, Intel", banked, RecordFormat::IntelHex, 0, ":020000040001F9\n:04C00000C30CC800A5\n:00000001FF\n", ""},
      {"banked, S2", banked, RecordFormat::SRecord, 0, "S20801C000C30CC8009F\nS804000000FB\n", ""},
      {"overlap, Intel", overlap, RecordFormat::IntelHex, 1, ":03C000003EC90036\n:00000001FF\n", overlapReport},
      {"overlapping runs, Intel", again, RecordFormat::IntelHex, 1, ":04C00000000000C973\n:01C01000002F\n:00000001FF\n",
       againReport},
      {"overlap, S1", overlap, RecordFormat::SRecord, 1, "S106C0003EC90032\nS9030000FC\n", overlapReport},
      {"across banks, Intel", across, RecordFormat::IntelHex, 0,
       ":01FFFF000001\n:020000040001F9\n:01000000C936\n:00000001FF\n", ""},
      {"no code, S1", header("0C000-0C7FF"), RecordFormat::SRecord, 0, "S9030000FC\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Printed p = records(c.format, c.listing, false);
    EXPECT_EQ(p.status, c.status);
    EXPECT_EQ(p.out, c.out);
    EXPECT_EQ(p.err, c.err);
  }
}

// The sample at its addresses and offsets goes through the binary (tests/driver); here, a
// stream longer than FFFF.
TEST(HexRecords, ObjcopyReadsBackOffsetsPastFFFF) {
  ROMLIFT_SKIP_WITHOUT(kObjcopy);
  const std::string sample = readFile(examplePath("sample.lst"));
  // 400 copies give 77200 bytes: offsets above FFFF need type 04 records, or S2 records.
  std::string big;
  for (int i = 0; i < 400; ++i) big += sample;
  const std::string bigStream = streamOf(codeLines(big));
  ASSERT_EQ(bigStream.size(), 77200u);
  struct Case {
    RecordFormat format;
    const char* objcopyFormat;
    std::string within;  // records the output must hold where the offsets pass FFFF
  };
  const Case cases[] = {
      {RecordFormat::IntelHex, "ihex", "\n:020000040001F9\n:10000000"},
      {RecordFormat::SRecord, "srec", "\nS21401000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.objcopyFormat);
    Printed p = records(c.format, big, true);
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.err, "");
    EXPECT_NE(p.out.find(c.within), std::string::npos);
    EXPECT_TRUE(objcopyBinary(p.out, c.objcopyFormat) == bigStream);
  }
}

// romlift itself must not need the formats' libraries at run time.
TEST(HexRecords, RomliftNeedsNoFormatLibrary) {
  ROMLIFT_SKIP_WITHOUT(kObjdump);
  FILE* pipe = popen((std::string("objdump -p ") + ROMLIFT_BIN).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string needed;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr)
    if (std::strstr(line, "NEEDED") != nullptr) needed += line;
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_NE(needed.find("libc.so"), std::string::npos) << needed;
  EXPECT_EQ(needed.find("libz"), std::string::npos) << needed;
  EXPECT_EQ(needed.find("nettle"), std::string::npos) << needed;
}

}  // namespace
}  // namespace romlift::formats::test
