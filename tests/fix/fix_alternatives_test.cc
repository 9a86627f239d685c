// fix --alternatives: a reading that one of the OCR engine's choices backs ranks above one that
// no choice supports, and settles what the listing alone leaves open; a file that cannot be
// read is a usage error.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/independent_tools.h"
#include "support/prerequisites.h"
#include "support/report.h"
#include "support/run_binary.h"

namespace romlift {
namespace {

std::string alternativesFile(const std::string& text) {
  std::string path = ::testing::TempDir() + "romlift-fix-alternatives.txt";
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// CD0300 under CALL 0D003H: 0 read for D in the object code, or D for 0 in the operand. The
// listing alone cannot tell; the engine's second choice at either place can.
TEST(FixAlternatives, TheEnginesChoiceSettlesTwoReadings) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  std::string listing = test::readFile(test::examplePath("sample.lst"));
  const std::string printed = "044 C040 CD03D0     TEST    CALL  0D003H", read = "044 C040 CD0300     TEST    CALL  0D003H";
  listing.replace(listing.find(printed), printed.size(), read);
  struct Case {
    const char* what;
    std::string alternatives, line;  // the line 48 after the patch
  };
  const Case cases[] = {
      {"D offered for the object code's digit", "# romlift-ocr\n48 13 0=55 D=45\n", printed},
      {"0 offered for the operand's D", "48 35 D=55 0=45\n", "044 C040 CD0300     TEST    CALL  00003H"},
      {"a choice that backs no reading", "48 13 0=55 8=45\n", read},
      {"a choice elsewhere", "47 13 0=55 D=45\n", read},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = alternativesFile(c.alternatives);
    test::Outcome r = test::report({"fix", "--alternatives", path.c_str()}, listing);
    std::string patched = test::gnuPatched(listing, r.out).value_or("");
    size_t at = patched.find("044 C040 ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(patched.substr(at, c.line.size()), c.line) << r.err;
    EXPECT_EQ(r.status, c.line == read ? 1 : 0);
  }
}

TEST(FixAlternatives, AFileThatCannotBeReadIsAUsageError) {
  const std::string listing = test::readFile(test::examplePath("sample.lst"));
  std::string missing = ::testing::TempDir() + "romlift-no-such-file";
  std::string option = "--alternatives=" + missing;
  test::Outcome r = test::report({"fix", option.c_str()}, listing);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "romlift-report : " + missing + " : No such file or directory\n");
  std::string bad = alternativesFile("12 5\n");
  r = test::report({"fix", "--alternatives", bad.c_str()}, listing);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "romlift-report : " + bad + " : ligne 1 : il faut une ligne, une colonne et un choix au moins\n");
}

}  // namespace
}  // namespace romlift
