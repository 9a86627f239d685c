// The README's restoration walk-through, step by step: the sample listing with five OCR faults,
// the patch that fix proposes for it, then the faults fixed one after the other, must give
// exactly what the README shows.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "support/independent_tools.h"
#include "support/prerequisites.h"
#include "support/run_binary.h"

namespace romlift::test {
namespace {

// Each fault as OCR made it, in the order the walk-through fixes them.
const std::vector<std::pair<std::string, std::string>> kFaults = {
    {"052 C04D 4B455A     BANNER  DB    'KEZ'     SIGN-ON TEXT", "052                 BANNER"},
    {"022 C016 CD03D0             CALL  0D003H    ROM CHECKSUM", "022 C016 CD03D0            CALL  0D003H    ROM CHECKSUM"},
    {"033 C027 0E3E       PROMPT  MVI   C,'>'", "033 C027 0E3E       PR0MPT  MVI   C,'>'"},
    {"RAM    8000 START  C000 TEST   C040", "RAM    8000 START  C000 TEST   CO40"},
    {"047 C047 3EFF       FAIL", "047 C047 3FFF       FAIL"},
};

// The sample with the faults from the fixed-th on, up to the end-th.
std::string firmware(size_t fixed, size_t end = kFaults.size()) {
  std::string listing = readFile(examplePath("sample.lst"));
  for (size_t k = fixed; k < end; ++k) {
    size_t at = listing.find(kFaults[k].first);
    EXPECT_NE(at, std::string::npos) << kFaults[k].first;
    if (at != std::string::npos) listing.replace(at, kFaults[k].first.size(), kFaults[k].second);
  }
  return listing;
}

std::string reportOn(const std::string& command, const std::string& listing) {
  RunOptions options;
  options.report = true;
  options.args = {command};
  return runRomlift(listing, options).out;
}

// The first n reports of text.
std::string firstLines(const std::string& text, size_t n) {
  size_t at = 0;
  for (size_t k = 0; k < n && at != std::string::npos; ++k) at = text.find("\nsyntax error", at + 1);
  return text.substr(0, at + 1);
}

TEST(Walkthrough, ReadmeShowsWhatTheToolsPrint) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string readme = readFile(std::string(ROMLIFT_SOURCE_DIR) + "/README.md");
  auto shows = [&](const std::string& text) {
    return readme.find(text) != std::string::npos ? ::testing::AssertionSuccess()
                                                  : ::testing::AssertionFailure() << "README.md lacks:\n" << text;
  };
  // fix corrects all but the line cut down to its label, and GNU patch applies what it prints.
  RunOptions fixing;
  fixing.report = true;
  fixing.args = {"fix", "--name", "firmware.lst"};
  RunResult fix = runRomlift(firmware(0), fixing);
  EXPECT_EQ(fix.status, 1);
  EXPECT_EQ(gnuPatched(firmware(0), fix.out), firmware(0, 1));
  EXPECT_TRUE(shows("$ romlift-report fix --name firmware.lst < firmware.lst > firmware.diff\n" + fix.err +
                    "$ cat firmware.diff\n" + fix.out + "```"));
  RunResult first = runRomlift(firmware(0));
  size_t reports = 0;
  for (size_t at = first.err.find("syntax error"); at != std::string::npos; at = first.err.find("syntax error", at + 1))
    ++reports;
  EXPECT_TRUE(shows("```\n" + first.out + "```"));
  EXPECT_TRUE(shows("shows " + std::to_string(reports) + " reports (`\xE2\x80\xA6` stands for the\n" +
                    std::to_string(reports - 7) + " left out here)"));
  const std::string last = first.err.substr(first.err.rfind("syntax error"));
  EXPECT_TRUE(shows("```\n" + firstLines(first.err, 6) + "\xE2\x80\xA6\n" + last + "```"));
  RunResult second = runRomlift(firmware(1));
  EXPECT_EQ(second.err, "");
  EXPECT_TRUE(shows("Here it now prints\n`" + second.out.substr(0, second.out.size() - 1) + "`, and nothing else."));
  EXPECT_TRUE(shows("$ romlift-report gaps < ../firmware.lst\n" + reportOn("gaps", firmware(1)) + "```"));
  EXPECT_TRUE(shows("$ romlift-report xref < ../firmware.lst\n" + reportOn("xref", firmware(2)) + "```"));
  EXPECT_EQ(reportOn("xref", firmware(4)), "Nb erreurs : 0\n");
  EXPECT_TRUE(shows("$ romlift-report verify < ../firmware.lst\n" + reportOn("verify", firmware(4)) + "```"));
  EXPECT_TRUE(reportOn("verify", firmware(5)).ends_with("Nb erreurs : 0\n"));
  EXPECT_TRUE(shows("$ romlift-report map < ../firmware.lst\n" + reportOn("map", firmware(5)) + "```"));
  std::string rules = reportOn("rules", firmware(5));
  size_t third = rules.rfind('\n', rules.rfind('\n', rules.rfind('\n', rules.size() - 2) - 1) - 1);
  EXPECT_TRUE(shows("$ romlift-report rules < ../firmware.lst | tail -n 3\n" + rules.substr(third + 1) + "```"));
  EXPECT_TRUE(shows("$ romlift-report sums < ../firmware.lst\n" + reportOn("sums", firmware(5)) + "```"));
  std::string hex = reportOn("ihex", firmware(5));
  size_t three = hex.find('\n', hex.find('\n', hex.find('\n') + 1) + 1);
  EXPECT_TRUE(shows("$ head -n 3 firmware.hex\n" + hex.substr(0, three + 1)));
}

// The images by address, and the ROM set that Python's zlib and hashlib give for them.
TEST(Walkthrough, ReadmeShowsTheRomImagesAndTheirRomSet) {
  ROMLIFT_SKIP_WITHOUT(kPython3);
  const std::string readme = readFile(std::string(ROMLIFT_SOURCE_DIR) + "/README.md");
  RunResult rom = runReport(firmware(5), {"rom"});
  EXPECT_NE(readme.find("$ romlift-report rom < ../firmware.lst\n" + rom.out + "```"), std::string::npos) << rom.out;
  std::string set, conforme;
  for (const auto& [name, bytes] : rom.contents) {
    std::string low = name.substr(4, 4), sums = pythonCrcSha1(bytes), high = name.substr(9, 4);
    std::string lower = low;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    set += "ROM_LOAD( \"kez_" + lower.substr(0, 2) + ".bin\", 0x" + lower + ", 0x0800, CRC(" + sums.substr(0, 8) +
           ") SHA1(" + sums.substr(9) + ") )\n";
    conforme += "Conforme : kez_" + lower.substr(0, 2) + ".bin (" + low + "-" + high + ")\n";
  }
  RunResult check = runReport(firmware(5), {"sums", "--check", "roms.txt"}, set);
  EXPECT_EQ(check.out, conforme + "Nb erreurs : 0\n");
  EXPECT_NE(readme.find("$ cat ../kez.txt\n" + set + "$ romlift-report sums --check ../kez.txt < ../firmware.lst\n" +
                        check.out + "```"),
            std::string::npos)
      << set;
}

// A listing of real assemblers' lines, and what gaps says of them.
TEST(Walkthrough, ReadmeShowsTheLinesPrintedOutsideTheLayout) {
  const std::string readme = readFile(std::string(ROMLIFT_SOURCE_DIR) + "/README.md");
  const std::string cat = "$ cat monitor.lst\n", gaps = "$ romlift-report gaps < monitor.lst\n";
  size_t from = readme.find(cat), to = readme.find(gaps);
  ASSERT_TRUE(from != std::string::npos && to != std::string::npos);
  const std::string listing = readme.substr(from + cat.size(), to - from - cat.size());
  RunResult r = runReport(listing, {"gaps"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("<<< Hors format >>>"), std::string::npos);
  EXPECT_NE(readme.find(gaps + r.out + "```"), std::string::npos) << r.out;
  EXPECT_EQ(runReport(listing, {"verify"}).out,
            "Nb lignes v\xC3\xA9rifi\xC3\xA9" "es : 4\nNb lignes non v\xC3\xA9rifiables : 0\nNb erreurs : 0\n");
}

}  // namespace
}  // namespace romlift::test
