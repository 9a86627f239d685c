#include "formats/rom_images.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "formats/placement.h"

namespace romlift::formats {
namespace {

// The blocks of `split` bytes that hold a byte some line gives, going up.
std::vector<uint32_t> blocksReached(const Placement& placement, uint32_t split) {
  std::vector<uint32_t> blocks;
  placement.forEachRun([&](uint32_t address, std::string_view bytes) {
    uint32_t last = address + static_cast<uint32_t>(bytes.size()) - 1;
    for (uint32_t b = address / split; b <= last / split; ++b)
      if (blocks.empty() || blocks.back() != b) blocks.push_back(b);
  });
  return blocks;
}

// Writes bytes to the file name; false after a message on err.
bool writeFile(const char* name, const std::string& bytes, FILE* err) {
  errno = 0;
  FILE* f = std::fopen(name, "wb");
  bool ok = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  int why = errno;
  if (f != nullptr && std::fclose(f) != 0 && ok) {
    ok = false;
    why = errno;
  }
  if (!ok) std::fprintf(err, "Erreur fichier %s : %s\n", name, std::strerror(why != 0 ? why : EIO));
  return ok;
}

}  // namespace

int writeRomImages(const ObjectCode& code, FILE* out, FILE* err, const RomOptions& options) {
  Placement placement(Placement::Report::Conflicts);
  int conflicts = placement.place(code, err);
  bool written = true;
  std::fputs("Fichier;Debut;Fin;Octets;Remplis\n", out);
  for (uint32_t block : blocksReached(placement, options.split)) {
    uint32_t low = block * options.split, high = low + options.split - 1;
    uint32_t given = 0;
    for (uint32_t a = low; a <= high; ++a) given += placement.given(a) ? 1 : 0;
    char name[40];
    std::snprintf(name, sizeof name, "rom_%04X-%04X.bin", low, high);
    written = writeFile(name, placement.range(low, options.split, options.fill), err) && written;
    std::fprintf(out, "%s;%04X;%04X;%u;%u\n", name, low, high, given, options.split - given);
  }
  return conflicts > 0 || !written ? 1 : 0;
}

}  // namespace romlift::formats
