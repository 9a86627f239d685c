// romlift-report rom and the ROM-set lines of sums --check through the binary: each image
// against what binutils' objcopy lays out of the listing's Intel HEX with the same fill, and
// each ROM_LOAD line's CRC and SHA-1 as Python's zlib and hashlib give them for those bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/independent_tools.h"
#include "support/prerequisites.h"
#include "support/run_binary.h"

namespace romlift::test {
namespace {

// Two EPROMs' worth of code: a reserved block inside the first, a line across its end, and
// code at the top of the address space; nothing from F000 to F7FF.
const std::string kTwoRoms =
    "PAGE 01    KEZ FIRMWARE 0E000-0E7FF  V1.1\n"
    "001                         ORG   :E000\n"
    "002 E000 F3         RESET   DI\n"
    "003 E001 310020             LXI   SP,2000H\n"
    "004 E004 C300E1             JMP   INIT\n"
    "005 E007            BUF     DS    249\n"
    "006 E100 AF         INIT    XRA   A\n"
    "007 E101 C9                 RET\n"
    "008                         ORG   :E7FE\n"
    "009 E7FE CD00F8             CALL  0F800H\n"
    "PAGE 01    KEZ FIRMWARE 0F800-0FFFF  V1.1\n"
    "001                         ORG   :F800\n"
    "002 F800 C9         BEEP    RET\n"
    "003                         ORG   :FFFD\n"
    "004 FFFD C300E0             JMP   RESET\n";

// A section whose range puts its addresses above FFFF.
const std::string kBanked =
    "PAGE 01    KEZ FIRMWARE 1C000-1C7FF  V1.1\n"
    "001 C000 C30CC8     VINIT   JMP   SINIT\n"
    "002 C003 00                 NOP\n";

// Line 5 gives C001 the byte that line 2 gave; line 6 gives C002 another byte than line 3.
const std::string kTwice =
    "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n"
    "001 C000 3E01               MVI   A,1\n"
    "002 C002 00                 NOP\n"
    "003 C003 C9                 RET\n"
    "004 C001 01                 DB    1\n"
    "005 C002 76                 HLT\n";

std::string ihexOf(const std::string& listing) { return runReport(listing, {"ihex"}).out; }

TEST(Rom, EachImageIsWhatObjcopyLaysOutOfTheRecords) {
  ROMLIFT_SKIP_WITHOUT(kObjcopy);
  const std::string conflict = "<<< Conflit >>> : ligne 6 segment 0C000-0C7FF adresse C002 donn\xC3\xA9" "e autrement "
                               "par la ligne 3 (1 octet)\nNb conflits : 1\n";
  struct Case {
    std::string listing;
    std::vector<std::string> args;
    uint8_t fill;
    int status;
    std::string out, err;
  };
  const Case cases[] = {
      {kTwoRoms, {"rom"}, 0xFF, 0,
       "rom_E000-E7FF.bin;E000;E7FF;11;2037\nrom_E800-EFFF.bin;E800;EFFF;1;2047\nrom_F800-FFFF.bin;F800;FFFF;4;2044\n", ""},
      {kTwoRoms, {"rom", "--split", "256", "--fill=00"}, 0x00, 0,
       "rom_E000-E0FF.bin;E000;E0FF;7;249\nrom_E100-E1FF.bin;E100;E1FF;2;254\nrom_E700-E7FF.bin;E700;E7FF;2;254\n"
       "rom_E800-E8FF.bin;E800;E8FF;1;255\nrom_F800-F8FF.bin;F800;F8FF;1;255\nrom_FF00-FFFF.bin;FF00;FFFF;3;253\n", ""},
      {kTwoRoms, {"rom", "--split=64k", "--fill", "e5"}, 0xE5, 0, "rom_0000-FFFF.bin;0000;FFFF;16;65520\n", ""},
      {kBanked, {"rom", "--split=1K"}, 0xFF, 0, "rom_1C000-1C3FF.bin;1C000;1C3FF;4;1020\n", ""},
      {kTwice, {"rom"}, 0xFF, 1, "rom_C000-C7FF.bin;C000;C7FF;4;2044\n", conflict},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args) + " on " + c.listing.substr(24, 11));
    RunResult r = runReport(c.listing, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "Fichier;Debut;Fin;Octets;Remplis\n" + c.out);
    EXPECT_EQ(r.err, c.err);
    const std::string ihex = ihexOf(c.listing);
    std::vector<std::string> named;
    std::istringstream rows(c.out);
    for (std::string row; std::getline(rows, row);) {
      std::string name = row.substr(0, row.find(';'));
      named.push_back(name);
      std::string digits = name.substr(4, name.find('-') - 4);
      uint32_t low = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
      uint32_t high = static_cast<uint32_t>(std::stoul(name.substr(name.find('-') + 1), nullptr, 16));
      EXPECT_TRUE(r.contents[name] == objcopyRange(ihex, low, high - low + 1, c.fill)) << name;
    }
    EXPECT_EQ(r.files, named);
  }
}

// An image that cannot be written is named; the others are still written.
TEST(Rom, AnImageThatCannotBeWritten) {
  ROMLIFT_SKIP_WITHOUT(kPython3);
  RunOptions options;
  options.report = true;
  options.args = {"rom"};
  options.prepare = [](const std::string& dir) { std::filesystem::create_directory(dir + "/rom_E800-EFFF.bin"); };
  RunResult r = runRomlift(kTwoRoms, options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Erreur fichier rom_E800-EFFF.bin : Is a directory\n");
  EXPECT_EQ(r.files, (std::vector<std::string>{"rom_E000-E7FF.bin", "rom_E800-EFFF.bin", "rom_F800-FFFF.bin"}));
  EXPECT_EQ(r.contents.count("rom_F800-FFFF.bin"), 1u);
}

// A ROM set's line: its name, offset and size, and Python's CRC and SHA-1 of bytes.
std::string romLoad(const std::string& name, uint32_t offset, uint32_t size, const std::string& bytes) {
  std::string sums = pythonCrcSha1(bytes);
  char line[160];
  std::snprintf(line, sizeof line, "\tROM_LOAD( \"%s\", 0x%04x, 0x%04x, CRC(%s) SHA1(%s) )\n", name.c_str(), offset, size,
                sums.substr(0, 8).c_str(), sums.substr(9).c_str());
  return line;
}

TEST(Rom, SumsCheckComparesTheBytesOfEachRomSetRange) {
  ROMLIFT_SKIP_WITHOUT(kObjcopy);
  ROMLIFT_SKIP_WITHOUT(kPython3);
  const std::string ihex = ihexOf(kTwoRoms);
  const std::string e000 = objcopyRange(ihex, 0xE000, 0x800, 0xFF), f800 = objcopyRange(ihex, 0xF800, 0x800, 0xFF);
  // JMP RESET read as JMP 0E800H: the second EPROM changes.
  std::string damaged = kTwoRoms;
  damaged.replace(damaged.find("C300E0"), 6, "C300E8");
  const std::string wrong = pythonCrcSha1(objcopyRange(ihexOf(damaged), 0xF800, 0x800, 0xFF));
  const std::string expected = pythonCrcSha1(f800);
  const std::string stream = runReport(kTwoRoms, {"ihex", "--offsets"}).out;
  const std::string set = romLoad("kez_e0.bin", 0xE000, 0x800, e000) + romLoad("kez_f8.bin", 0xF800, 0x800, f800);
  struct Case {
    std::string what, listing, check;
    std::vector<std::string> args;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {"the set", kTwoRoms, set, {}, 0, "Conforme : kez_e0.bin (E000-E7FF)\nConforme : kez_f8.bin (F800-FFFF)\nNb erreurs : 0\n"},
      {"a digit misread", damaged, set, {}, 1,
       "Conforme : kez_e0.bin (E000-E7FF)\n<<< Erreur >>> : kez_f8.bin (F800-FFFF) CRC32 trouv\xC3\xA9 " + wrong.substr(0, 8) +
           " attendu " + expected.substr(0, 8) + " SHA1 trouv\xC3\xA9 " + wrong.substr(9) + " attendu " +
           expected.substr(9) + "\nNb erreurs : 1\n"},
      {"filled with zeros", kTwoRoms, romLoad("zero.bin", 0xE000, 0x100, objcopyRange(ihex, 0xE000, 0x100, 0x00)),
       {"--fill", "00"}, 0, "Conforme : zero.bin (E000-E0FF)\nNb erreurs : 0\n"},
      {"a range and an image file", kTwoRoms,
       romLoad("kez_e0.bin", 0xE000, 0x800, e000) + "511_CodeObjet.bin CRC(" +
           pythonCrcSha1(objcopyBinary(stream, "ihex")).substr(0, 8) + ")\n",
       {}, 0, "Conforme : kez_e0.bin (E000-E7FF)\nConforme : 511_CodeObjet.bin\nNb erreurs : 0\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = {"sums", "--check", "roms.txt"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = runReport(c.listing, args, c.check);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace
}  // namespace romlift::test
