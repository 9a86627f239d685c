// fix --alternatives: a reading that one of the OCR engine's choices backs ranks above one that
// no choice supports, and settles what the listing alone leaves open; a file that cannot be
// read is a usage error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "support/independent_tools.h"
#include "support/prerequisites.h"
#include "support/report.h"
#include "support/run_binary.h"

namespace romlift {
namespace {

// The engine's choices in a file of this process's own, removed with the object: ctest runs
// the two tests of this file side by side, and under one name for both, the bad file of one
// stood now and then for the other's choices.
class AlternativesFile {
 public:
  explicit AlternativesFile(const std::string& text)
      : path_(::testing::TempDir() + "romlift-fix-alternatives-" + std::to_string(getpid()) + ".txt") {
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~AlternativesFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

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
    AlternativesFile file(c.alternatives);
    test::Outcome r = test::report({"fix", "--alternatives", file.path().c_str()}, listing);
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
  AlternativesFile bad("12 5\n");
  r = test::report({"fix", "--alternatives", bad.path().c_str()}, listing);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "romlift-report : " + bad.path() + " : ligne 1 : il faut une ligne, une colonne et un choix au moins\n");
}

}  // namespace
}  // namespace romlift
