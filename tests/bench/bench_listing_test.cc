// The benchmark listings' outputs, pinned by checksum: any fast path in the scanner, the
// grammar, the registers or the writer must leave every byte of every output as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "driver/run.h"
#include "listing_gen.h"
#include "checks/checks.h"
#include "output/reports.h"

#include <unistd.h>

namespace romlift {
namespace {

uint64_t fnv(std::string_view bytes) {
  uint64_t h = 1469598103934665603ULL;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  return h;
}

struct Captured {
  char* data = nullptr;
  size_t size = 0;
  FILE* file = open_memstream(&data, &size);
  ~Captured() {
    std::fclose(file);
    std::free(data);
  }
  std::string_view text() {
    std::fflush(file);
    return {data, size};
  }
};

// An image file's bytes; empty when there is no such file.
std::string fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One checksum over the standard run's three streams of output and the reports of both
// registers, for the listing read in blocks of `chunk` bytes. The images are written to files
// in imageDir, or kept in memory when it is empty: the writer has a fast path for files.
uint64_t outputsChecksum(const std::string& listing, size_t chunk, const std::string& imageDir = {}) {
  size_t pos = 0;
  auto reader = [&](char* dst, size_t cap) -> ssize_t {
    size_t n = std::min({cap, chunk, listing.size() - pos});
    std::memcpy(dst, listing.data() + pos, n);
    pos += n;
    return static_cast<ssize_t>(n);
  };
  Captured out, err, reports;
  RunOptions options;
  options.images = imageDir.empty() ? ImageTarget::Memory : ImageTarget::Files;
  options.imageDir = imageDir;
  Run run(Input(reader), out.file, err.file, options);
  EXPECT_EQ(run.run(), 0);
  // The cross-checks' own messages go where the registers' messages go: standard output.
  CodeLists codes(run.state().registers.codes, out.file);
  SymbolLists symbols(run.state().registers.symbols, out.file);
  Listecode(reports.file, codes);
  Listest(reports.file, symbols);
  ListeER(reports.file, codes);
  xref(reports.file, codes, symbols);
  uint64_t h = fnv(out.text()) ^ fnv(err.text()) * 3 ^ fnv(reports.text()) * 5;
  run.state().writer.close();
  for (int k = 0; k < 3; ++k) {
    std::string image = imageDir.empty() ? run.state().writer.memoryImage(k)
                                         : fileBytes(std::filesystem::path(imageDir) / kImageNames[k]);
    h ^= fnv(image) * (7 + 2 * k);
  }
  return h;
}

TEST(BenchListings, OutputsKeepTheirChecksums) {
  struct Case {
    bench::Variant variant;
    uint64_t checksum;
  };
  const Case cases[] = {
      {bench::Variant::Clean, 0x4034909F954ED3E6},
      {bench::Variant::Symbols, 0x95CF8FD79A779B2B},
      {bench::Variant::Damaged, 0xD088614F320603B8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(bench::variantName(c.variant));
    bench::GenOptions options;
    options.variant = c.variant;
    options.seed = 7;
    options.minBytes = 1 << 20;
    std::string listing = bench::makeListing(options);
    for (size_t chunk : {size_t{1} << 20, size_t{4093}}) {
      SCOPED_TRACE("reads of " + std::to_string(chunk));
      EXPECT_EQ(outputsChecksum(listing, chunk), c.checksum);
    }
    auto dir = std::filesystem::temp_directory_path() / ("romlift-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    EXPECT_EQ(outputsChecksum(listing, 1 << 20, dir.string()), c.checksum) << "images in files";
    std::filesystem::remove_all(dir);
  }
}

}  // namespace
}  // namespace romlift
