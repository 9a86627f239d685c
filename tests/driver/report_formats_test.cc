// romlift-report sums, ihex and srec through the installed binary: what sha1sum, gzip and
// objcopy make of the same bytes, the exit statuses and the command-line mistakes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/independent_tools.h"
#include "support/listing.h"
#include "support/prerequisites.h"
#include "support/run_binary.h"

namespace romlift::test {
namespace {

const char* const kImages[] = {"511_CodeObjet.bin", "514_CodeObjet.bin", "512_CodeObjet.bin"};

// Sizes, 8- and 16-bit sums and CRC32 of the sample's sections, worked out in Python from the
// object code printed in the listing.
const std::string kSectionSums =
    "0C000-0C7FF;83;36;2636;548a971c\n"
    "0C800-0CFFF;66;51;2151;cea99612\n"
    "0D000-0D7FF;44;C5;11C5;7ae64700\n";

std::string sample() { return readFile(examplePath("sample.lst")); }

TEST(ReportFormats, SumsAgreeWithSha1sumAndGzipOnTheImagesRomliftWrites) {
  std::string copies;
  for (int i = 0; i < 85; ++i) copies += sample();  // 16405 bytes: all three image files
  std::string copiesSections;
  for (int i = 0; i < 85; ++i) copiesSections += kSectionSums;
  struct Case {
    std::string name, listing, sections;
  };
  const Case cases[] = {{"sample", sample(), kSectionSums}, {"85 copies", copies, copiesSections}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunResult images = runRomlift(c.listing);
    std::string expected = "Fichier;Octets;CRC32;SHA1\n";
    for (const char* name : kImages) {
      if (images.contents.count(name) == 0) continue;
      const std::string& bytes = images.contents[name];
      expected += std::string(name) + ";" + std::to_string(bytes.size()) + ";" + gzipCrc32(bytes) + ";" +
                  sha1sum(bytes) + "\n";
    }
    RunResult sums = runReport(c.listing, {"sums"});
    EXPECT_EQ(sums.status, 0);
    EXPECT_EQ(sums.out, expected + "Segment;Octets;Somme8;Somme16;CRC32\n" + c.sections);
    // The copies give every label again: the duplicate-label messages go to standard error.
    EXPECT_EQ(sums.err.empty(), c.name == "sample");
    EXPECT_TRUE(sums.files.empty()) << "sums wrote a file";
  }
}

// The check file is read before the listing: a mistake in it leaves the syntax errors of a
// damaged listing unreported.
TEST(ReportFormats, SumsCheckSaysWhichImageDiffers) {
  const std::string image = runRomlift(sample()).contents["511_CodeObjet.bin"];
  const std::string sha1 = sha1sum(image);
  const std::string damaged = sample() + "002                 RESET\n";  // a label-only line at the end
  struct Case {
    std::string name, listing, checkFile;
    int status;
    std::string out, err;
  };
  const Case cases[] = {
      {"as sha1sum writes it", sample(), sha1 + "  511_CodeObjet.bin\n", 0,
       "Conforme : 511_CodeObjet.bin\nNb erreurs : 0\n", ""},
      {"as sha1sum --tag writes it", sample(), sha1sumTag(image, "511_CodeObjet.bin"), 0,
       "Conforme : 511_CodeObjet.bin\nNb erreurs : 0\n", ""},
      {"a damaged listing", damaged, sha1 + "  511_CodeObjet.bin\n", 0, "Conforme : 511_CodeObjet.bin\nNb erreurs : 0\n",
       // the end of input, reported with the counter one past the last line
       "syntax error  " + std::to_string(std::count(damaged.begin(), damaged.end(), '\n') + 1) + " \n"},
      {"a wrong CRC, an image not written", sample(),
       "511_CodeObjet.bin CRC(1a2b3c4d) SHA1(" + sha1 + ")\n" + sha1 +
           "  514_CodeObjet.bin\n",
       1,
       "<<< Erreur >>> : 511_CodeObjet.bin CRC32 trouv\xC3\xA9 63343d43 attendu 1a2b3c4d\n"
       "<<< Erreur >>> : 514_CodeObjet.bin non \xC3\xA9" "crit par la passe\nNb erreurs : 2\n",
       ""},
      {"a malformed line", damaged, "# roms\n511_CodeObjet.bin CRC(63343d4)\n", 2, "",
       "romlift-report : roms.txt : ligne 2 : CRC(...) ne contient pas 8 chiffres hexad\xC3\xA9" "cimaux "
       "\xC2\xAB 511_CodeObjet.bin CRC(63343d4) \xC2\xBB\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunResult r = runReport(c.listing, {"sums", "--check", "roms.txt"}, c.checkFile);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
  RunResult missing = runReport(damaged, {"sums", "--check", "absent.txt"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "romlift-report : absent.txt : No such file or directory\n");
}

TEST(ReportFormats, ObjcopyReadsTheListingsBytesBackFromTheRecords) {
  ROMLIFT_SKIP_WITHOUT(kObjcopy);
  // Line 4 gives C001 again, which line 2 gave: its byte wins at the addresses.
  const std::string overlap = kHeader + "001 C000 3E01               MVI   A,1\n" +
                              "002 C002 00                 NOP\n" + "003 C001 C9                 RET\n";
  const std::string overlapReport = "<<< Chevauchement >>> : ligne 4 segment 0C000-0C7FF adresse C001 d\xC3\xA9j\xC3\xA0 "
                                    "donn\xC3\xA9" "e par la ligne 2 (1 octet)\nNb chevauchements : 1\n";
  const std::vector<CodeBytes> lines = codeLines(sample());
  // Twice the sample: every label twice. The duplicate-label messages, which romlift prints
  // before its byte count, go to standard error, out of the records' way.
  const std::string twice = sample() + sample();
  const std::string romliftOut = runRomlift(twice).out;
  const std::string duplicates = romliftOut.substr(0, romliftOut.rfind("Nb car"));
  struct Case {
    std::vector<std::string> args;
    std::string listing;
    int status;
    std::string bytes, err;
  };
  const Case cases[] = {
      {{"ihex"}, sample(), 0, placedOf(lines), ""},
      {{"srec"}, sample(), 0, placedOf(lines), ""},
      {{"ihex", "--offsets"}, sample(), 0, streamOf(lines), ""},
      {{"srec", "--offsets"}, sample(), 0, streamOf(lines), ""},
      {{"ihex"}, overlap, 1, std::string("\x3E\xC9\x00", 3), overlapReport},
      {{"srec", "--offsets"}, overlap, 0, std::string("\x3E\x01\x00\xC9", 4), ""},
      {{"ihex", "--offsets"}, twice, 0, streamOf(lines) + streamOf(lines), duplicates},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "") + " on " + c.listing.substr(0, 8));
    RunResult r = runReport(c.listing, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(objcopyBinary(r.out, c.args[0] == "ihex" ? "ihex" : "srec") == c.bytes);
    EXPECT_TRUE(r.files.empty()) << "the records went to a file";
  }
}

TEST(ReportFormats, UsageErrors) {
  const std::string see = " (voir romlift-report --help)\n";
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"sums", "--check"}, "fichier manquant apr\xC3\xA8s \xC2\xAB --check \xC2\xBB"},
      {{"sums", "--check", "a", "--check", "b"}, "option en double \xC2\xAB --check \xC2\xBB"},
      {{"sums", "--check", "a", "b", "c"}, "argument en trop \xC2\xAB c \xC2\xBB"},
      {{"sums", "--check="}, "fichier manquant apr\xC3\xA8s \xC2\xAB --check \xC2\xBB"},
      {{"sums", "--check=a", "--check", "b"}, "option en double \xC2\xAB --check \xC2\xBB"},
      {{"ihex", "--offsets=1"}, "valeur en trop \xC2\xAB --offsets=1 \xC2\xBB"},
      {{"sums", "--offsets"}, "option inconnue \xC2\xAB --offsets \xC2\xBB"},
      {{"ihex", "--check", "a"}, "option inconnue \xC2\xAB --check \xC2\xBB"},
      {{"srec", "--offsets", "--offsets"}, "option en double \xC2\xAB --offsets \xC2\xBB"},
      {{"srec", "-", "x"}, "argument en trop \xC2\xAB x \xC2\xBB"},
      {{"srec", "-x"}, "option inconnue \xC2\xAB -x \xC2\xBB"},
      {{"map", "--offsets"}, "option inconnue \xC2\xAB --offsets \xC2\xBB"},
      {{"rom", "--split"}, "taille manquante apr\xC3\xA8s \xC2\xAB --split \xC2\xBB"},
      {{"rom", "--split=3K"}, "taille d'image impossible \xC2\xAB 3K \xC2\xBB"},
      {{"rom", "--split", "128"}, "taille d'image impossible \xC2\xAB 128 \xC2\xBB"},
      {{"rom", "--split", "128K"}, "taille d'image impossible \xC2\xAB 128K \xC2\xBB"},
      {{"rom", "--split", "0x800"}, "taille d'image impossible \xC2\xAB 0x800 \xC2\xBB"},
      {{"rom", "--split=2K", "--split=4K"}, "option en double \xC2\xAB --split \xC2\xBB"},
      {{"rom", "--fill="}, "octet manquant apr\xC3\xA8s \xC2\xAB --fill \xC2\xBB"},
      {{"rom", "--fill", "100"}, "octet de remplissage impossible \xC2\xAB 100 \xC2\xBB"},
      {{"rom", "--fill", "GG"}, "octet de remplissage impossible \xC2\xAB GG \xC2\xBB"},
      {{"sums", "--split", "2K"}, "option inconnue \xC2\xAB --split \xC2\xBB"},
      {{"ihex", "--fill", "00"}, "option inconnue \xC2\xAB --fill \xC2\xBB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    RunResult r = runReport(sample(), c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "romlift-report : " + c.err + see);
  }
}

}  // namespace
}  // namespace romlift::test
