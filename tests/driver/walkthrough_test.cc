// The files of the README's restoration walk-through: the shipped damaged listing is the sample
// with five OCR faults, fix's patch mends four, and mending them by hand one after the other,
// in the walk-through's order, clears each check in turn.
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

// The README's examples run on the shipped files (ctest -L docs); these tests hold those files
// to what the walk-through says of them.
TEST(Walkthrough, ShippedListingIsTheSampleWithTheFiveFaultsThatFixLeavesOne) {
  ROMLIFT_SKIP_WITHOUT(kPatch);
  ASSERT_EQ(readFile(examplePath("firmware.lst")), firmware(0));
  RunOptions fixing;
  fixing.report = true;
  fixing.args = {"fix", "--name", "firmware.lst"};
  RunResult fix = runRomlift(firmware(0), fixing);
  EXPECT_EQ(fix.status, 1);
  EXPECT_EQ(gnuPatched(firmware(0), fix.out), firmware(0, 1));
  // Each fault, mended by hand in the walk-through's order, leaves its check clean.
  EXPECT_EQ(runRomlift(firmware(1)).err, "");
  EXPECT_EQ(runReport(firmware(2), {"gaps"}).out, "Nb ruptures : 0\n");
  EXPECT_EQ(runReport(firmware(4), {"xref"}).out, "Nb erreurs : 0\n");
  EXPECT_EQ(runReport(firmware(5), {"verify"}).status, 0);
  EXPECT_EQ(firmware(5), readFile(examplePath("sample.lst")));
}

// The images by address, and the ROM set that Python's zlib and hashlib give for them.
TEST(Walkthrough, ShippedRomSetIsWhatPythonGivesForTheImages) {
  ROMLIFT_SKIP_WITHOUT(kPython3);
  RunResult rom = runReport(firmware(5), {"rom"});
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
  EXPECT_EQ(readFile(examplePath("kez.txt")), set);
}

// The real assemblers' lines of the shipped monitor: gaps names each, verify checks them all.
TEST(Walkthrough, ShippedMonitorHasItsLinesOutsideTheLayoutNamed) {
  const std::string listing = readFile(examplePath("monitor.lst"));
  RunResult r = runReport(listing, {"gaps"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("<<< Hors format >>> : ligne 4 "), 0u) << r.out;
  EXPECT_EQ(runReport(listing, {"verify"}).out,
            "Nb lignes v\xC3\xA9rifi\xC3\xA9" "es : 4\nNb lignes non v\xC3\xA9rifiables : 0\nNb erreurs : 0\n");
}

}  // namespace
}  // namespace romlift::test
