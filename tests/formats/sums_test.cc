// sums: image and section checksums at the edges (an image file started empty, no byte at
// all), and --check against the forms that sha1sum and emulator ROM sets write, image files
// and address ranges. The expected values come from sha1sum and Python's zlib.crc32 over the
// image files romlift writes, and from sums done by hand in Python over the object code
// printed in the listing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "formats/formats_run.h"
#include "formats/sums.h"
#include "support/listing.h"
#include "support/run_binary.h"

namespace romlift::formats::test {
namespace {

namespace fs = std::filesystem;
using romlift::test::examplePath;
using romlift::test::readFile;

const std::string kSha1 = "135efc8c603338f9f6f78abc86a3d0ef7bb00854";  // of the sample's 511_CodeObjet.bin
// A section of n lines that each carry the bytes 3E 01.
std::string twoByteLines(int n) {
  std::string listing = romlift::test::kHeader;
  for (int i = 0; i < n; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%03d %04X 3E01               MVI   A,1\n", i % 1000, 0xC000 + 2 * i);
    listing += line;
  }
  return listing;
}

TEST(Sums, ListEachImageThenEachSection) {
  struct Case {
    std::string name, listing, out;
  };
  // The sample and listings of three image files go through the binary (tests/driver).
  const Case cases[] = {
      // Exactly 8192 bytes: the run still creates 514_CodeObjet.bin, empty.
      {"8192 bytes", twoByteLines(4096),
       "Fichier;Octets;CRC32;SHA1\n511_CodeObjet.bin;8192;720e29ee;dc5e941c12d92946b6dfdd33a1e98aa05827ea1a\n"
       "514_CodeObjet.bin;0;00000000;da39a3ee5e6b4b0d3255bfef95601890afd80709\n"
       "Segment;Octets;Somme8;Somme16;CRC32\n0C000-0C7FF;8192;00;F000;720e29ee\n"},
      {"no code line", romlift::test::kHeader + "001                         ORG   :C000\n",
       "Fichier;Octets;CRC32;SHA1\nSegment;Octets;Somme8;Somme16;CRC32\n0C000-0C7FF;0;00;0000;00000000\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FormatsRun run(c.listing, ObjectCode::Keep::Sections);
    Captured out;
    EXPECT_EQ(printSums(run.code(), out.file(), SumsOptions{}), 0);
    EXPECT_EQ(out.text(), c.out);
  }
}

TEST(Sums, CheckTheImagesAgainstAFile) {
  const fs::path path = fs::temp_directory_path() / ("romlift-sums-" + std::to_string(getpid()) + ".txt");
  const std::string at = "romlift-report : " + path.string() + " : ";
  const std::string wrongSha1(40, '0');
  struct Case {
    std::string name;
    std::string check;  // the check file's text
    int status;
    std::string out, err;
  };
  // A wrong CRC, a malformed CRC and a missing file go through the binary (tests/driver).
  const Case cases[] = {
      {"sha1sum text mode", kSha1 + "  511_CodeObjet.bin\n", 0, "Conforme : 511_CodeObjet.bin\nNb erreurs : 0\n", ""},
      {"sha1sum binary mode with a folder, comments, CRLF", "# from the dump\r\n\r\n" + kSha1 + " *rom/511_CodeObjet.bin\r\n",
       0, "Conforme : rom/511_CodeObjet.bin\nNb erreurs : 0\n", ""},
      {"sha1sum --tag, in a folder", "SHA1 (rom/511_CodeObjet.bin) = " + kSha1 + "\n", 0,
       "Conforme : rom/511_CodeObjet.bin\nNb erreurs : 0\n", ""},
      {"sha1sum --tag, wrong", "SHA1 (511_CodeObjet.bin) = " + wrongSha1 + "\n", 1,
       "<<< Erreur >>> : 511_CodeObjet.bin SHA1 trouv\xC3\xA9 " + kSha1 + " attendu " + wrongSha1 + "\nNb erreurs : 1\n", ""},
      {"sha1sum --tag of another sum", "SHA256 (511_CodeObjet.bin) = " + kSha1 + "\n", 2, "",
       at + "ligne 1 : ni empreinte sha1sum, ni CRC(...) ou SHA1(...) \xC2\xAB SHA256 (511_CodeObjet.bin) = " + kSha1 + " \xC2\xBB\n"},
      {"a wrong SHA-1", wrongSha1 + "  511_CodeObjet.bin\n", 1,
       "<<< Erreur >>> : 511_CodeObjet.bin SHA1 trouv\xC3\xA9 " + kSha1 + " attendu " + wrongSha1 + "\nNb erreurs : 1\n", ""},
      {"an image the run does not write",
       "511_CodeObjet.bin CRC(63343D43)\n514_CodeObjet.bin CRC(00000000) SHA1(" + wrongSha1 + ")\n", 1,
       "Conforme : 511_CodeObjet.bin\n<<< Erreur >>> : 514_CodeObjet.bin non \xC3\xA9" "crit par la passe\n"
       "Nb erreurs : 1\n", ""},
      {"a line without a value", "# ok\n" + kSha1 + "  511_CodeObjet.bin\nROM_LOAD( \"511_CodeObjet.bin\", 0, 0x2000 )\n", 2, "",
       at + "ligne 3 : ni empreinte sha1sum, ni CRC(...) ou SHA1(...) \xC2\xAB ROM_LOAD( \"511_CodeObjet.bin\", 0, 0x2000 ) \xC2\xBB\n"},
      {"no name", "CRC(63343d43)\n", 2, "", at + "ligne 1 : nom de fichier manquant \xC2\xAB CRC(63343d43) \xC2\xBB\n"},
      // a ROM set's line with an offset and a size: the bytes at those addresses, FF where no
      // line gives one (values from Python's zlib and hashlib over objcopy's layout of ihex)
      {"a range, in decimal", "ROM_LOAD( \"c0.bin\", 49152, 256, CRC(8fa928ec) SHA1(a45b226a737a6a95a3337f7b62d94d8b9bc998a9) )\n",
       0, "Conforme : c0.bin (C000-C0FF)\nNb erreurs : 0\n", ""},
      {"a range no line reaches", "ROM_LOAD( \"511_CodeObjet.bin\", 0x0000, 0x2000, CRC(63343d43) )\n", 1,
       "<<< Erreur >>> : 511_CodeObjet.bin (0000-1FFF) CRC32 trouv\xC3\xA9 b4293435 attendu 63343d43\nNb erreurs : 1\n", ""},
      {"an offset without size", "ROM_LOAD( \"x.bin\", 0xe000, CRC(63343d43) )\n", 2, "",
       at + "ligne 1 : taille manquante ou impossible apr\xC3\xA8s l'adresse \xC2\xAB ROM_LOAD( \"x.bin\", 0xe000, CRC(63343d43) ) \xC2\xBB\n"},
      {"a size of 0", "ROM_LOAD( \"x.bin\", 0xe000, 0, CRC(63343d43) )\n", 2, "",
       at + "ligne 1 : taille manquante ou impossible apr\xC3\xA8s l'adresse \xC2\xAB ROM_LOAD( \"x.bin\", 0xe000, 0, CRC(63343d43) ) \xC2\xBB\n"},
      {"past 32 bits", "ROM_LOAD( \"x.bin\", 0xfffff800, 0x1000, CRC(63343d43) )\n", 2, "",
       at + "ligne 1 : taille manquante ou impossible apr\xC3\xA8s l'adresse \xC2\xAB ROM_LOAD( \"x.bin\", 0xfffff800, 0x1000, CRC(63343d43) ) \xC2\xBB\n"},
      {"only comments", "# nothing yet\n\n", 2, "", at + "aucune image nomm\xC3\xA9" "e\n"},
  };
  FormatsRun run(readFile(examplePath("sample.lst")));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(path, std::ios::binary) << c.check;
    // As romlift-report does it: the file first, compared once the run is over.
    std::vector<Expected> expected;
    Captured out, err;
    int status = readCheckFile(path.c_str(), &expected, err.file()) ? printSums(run.code(), out.file(), {&expected}) : 2;
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(out.text(), c.out);
    EXPECT_EQ(err.text(), c.err);
  }
  fs::remove(path);
}

}  // namespace
}  // namespace romlift::formats::test
