#include "formats/sums.h"

#include <cinttypes>
#include <string>

#include "formats/checksums.h"
#include "formats/placement.h"

namespace romlift::formats {
namespace {

// The image of the run that a check-file name stands for: its last path component is the
// image's file name. -1 when the run writes no such image.
int imageNamed(const ObjectCode& code, const std::string& name) {
  size_t slash = name.find_last_of('/');
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  for (int k = 0; k < code.imageCount(); ++k)
    if (base == kImageNames[k]) return k;
  return -1;
}

void printImageSums(const ObjectCode& code, FILE* out) {
  std::fputs("Fichier;Octets;CRC32;SHA1\n", out);
  for (int k = 0; k < code.imageCount(); ++k) {
    Checksums sums;
    sums.add(code.image(k));
    char sha1[kSha1HexSize];
    sha1Hex(code.image(k), sha1);
    std::fprintf(out, "%s;%zu;%08" PRIx32 ";%s\n", kImageNames[k], code.image(k).size(), sums.crc32(), sha1);
  }
}

void printSectionSums(const ObjectCode& code, FILE* out) {
  std::fputs("Segment;Octets;Somme8;Somme16;CRC32\n", out);
  for (const ObjectCode::Section& s : code.sections()) {
    Checksums sums;
    code.forEachPiece(s.firstOffset, s.firstOffset + s.bytes, [&](int64_t, std::string_view piece) { sums.add(piece); });
    std::fprintf(out, "%s;%lld;%02X;%04X;%08" PRIx32 "\n", s.seg, static_cast<long long>(s.bytes), sums.sum8(),
                 sums.sum16(), sums.crc32());
  }
}

// One line for the bytes that e names (what, its name and range): whether they match.
// Returns true when they do.
bool checkBytes(std::string_view bytes, const Expected& e, const std::string& what, FILE* out) {
  std::string wrong;
  if (e.hasCrc) {
    Checksums sums;
    sums.add(bytes);
    char text[64];
    std::snprintf(text, sizeof text, " CRC32 trouv\xC3\xA9 %08" PRIx32 " attendu %08" PRIx32, sums.crc32(), e.crc);
    if (sums.crc32() != e.crc) wrong += text;
  }
  if (e.hasSha1) {
    char sha1[kSha1HexSize];
    sha1Hex(bytes, sha1);
    if (std::string(sha1) != e.sha1) wrong += std::string(" SHA1 trouv\xC3\xA9 ") + sha1 + " attendu " + e.sha1;
  }
  if (wrong.empty()) {
    std::fprintf(out, "Conforme : %s\n", what.c_str());
    return true;
  }
  std::fprintf(out, "<<< Erreur >>> : %s%s\n", what.c_str(), wrong.c_str());
  return false;
}

// One line for the image or the range that e names. Returns true when it matches.
bool checkExpected(const ObjectCode& code, const Placement& placement, const Expected& e, uint8_t fill, FILE* out) {
  if (e.hasRange) {
    char range[32];
    std::snprintf(range, sizeof range, " (%04" PRIX32 "-%04" PRIX32 ")", e.offset, e.offset + (e.size - 1));
    return checkBytes(placement.range(e.offset, e.size, fill), e, e.name + range, out);
  }
  int k = imageNamed(code, e.name);
  if (k >= 0) return checkBytes(code.image(k), e, e.name, out);
  std::fprintf(out, "<<< Erreur >>> : %s non \xC3\xA9" "crit par la passe\n", e.name.c_str());
  return false;
}

}  // namespace

int printSums(const ObjectCode& code, FILE* out, const SumsOptions& options) {
  if (options.expected == nullptr) {
    printImageSums(code, out);
    printSectionSums(code, out);
    return 0;
  }
  Placement placement;
  placement.place(code, nullptr);  // rom tells of the lines that give an address twice
  int problems = 0;
  for (const Expected& e : *options.expected) problems += checkExpected(code, placement, e, options.fill, out) ? 0 : 1;
  std::fprintf(out, "Nb erreurs : %d\n", problems);
  return problems > 0 ? 1 : 0;
}

}  // namespace romlift::formats
