// The benchmark listings' outputs, pinned by checksum: any fast path in the scanner, the
// grammar, the registers or the writer must leave every byte of every output as it was, and a
// change says which output of which listing moved.
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
#include "checks/directives.h"
#include "checks/xref.h"
#include "output/reports.h"
#include "support/capture.h"
#include "support/run_binary.h"

#include <unistd.h>

namespace romlift {
namespace {

uint64_t fnv(std::string_view bytes) {
  uint64_t h = 1469598103934665603ULL;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  return h;
}


// Checksums of each output of the standard run and of the reports over both registers.
struct Outputs {
  uint64_t out = 0, err = 0, reports = 0, images[3] = {};
};

// The outputs for the listing read in blocks of `chunk` bytes. The images are written to files
// in imageDir, or kept in memory when it is empty: the writer has a fast path for files.
Outputs outputsOf(const std::string& listing, size_t chunk, const std::string& imageDir = {}) {
  size_t pos = 0;
  auto reader = [&](char* dst, size_t cap) -> ssize_t {
    size_t n = std::min({cap, chunk, listing.size() - pos});
    std::memcpy(dst, listing.data() + pos, n);
    pos += n;
    return static_cast<ssize_t>(n);
  };
  test::Captured out, err, reports;
  DirectiveLog directives;
  RunOptions options;
  options.observer = &directives;
  options.skipped = &directives;
  options.images = imageDir.empty() ? ImageTarget::Memory : ImageTarget::Files;
  options.imageDir = imageDir;
  Run run(Input(reader), out.file(), err.file(), options);
  EXPECT_EQ(run.run(), 0);
  CodeLists codes(run.state().registers.codes, reports.file());
  SymbolLists symbols(run.state().registers.symbols, reports.file());
  Listecode(reports.file(), codes);
  Listest(reports.file(), symbols);
  ListeER(reports.file(), codes);
  xref(reports.file(), codes, symbols, directives);
  Outputs o;
  o.out = fnv(out.text());
  o.err = fnv(err.text());
  o.reports = fnv(reports.text());
  run.state().writer.close();
  for (int k = 0; k < 3; ++k) {
    std::string image = imageDir.empty() ? run.state().writer.memoryImage(k)
                                         : test::readFile((std::filesystem::path(imageDir) / kImageNames[k]).string());
    o.images[k] = fnv(image);
  }
  return o;
}

void expectOutputs(const Outputs& got, const Outputs& want) {
  EXPECT_EQ(got.out, want.out) << "standard output changed";
  EXPECT_EQ(got.err, want.err) << "standard error changed";
  EXPECT_EQ(got.reports, want.reports) << "the reports (code, symbols, rules, xref) changed";
  for (int k = 0; k < 3; ++k) EXPECT_EQ(got.images[k], want.images[k]) << kImageNames[k] << " changed";
}

TEST(BenchListings, OutputsKeepTheirChecksums) {
  struct Case {
    bench::Variant variant;
    Outputs want;
  };
  const Case cases[] = {
      {bench::Variant::Clean,
       {0xB7786FA1DE7DFFA7, 0x14650FB0739D0383, 0x854C810A255C2854,
        {0x8CD583BCE3070F8D, 0x99214B7BA0A071CF, 0x7288C3AD056E51D0}}},
      {bench::Variant::Symbols,
       {0x9DD5B8FD6C68151C, 0x14650FB0739D0383, 0x82A3A1A27B7E77A4,
        {0x79CC0E863F1FB531, 0x5A4A16BE3218FFA0, 0xE2E9998D6E69FC97}}},
      {bench::Variant::Damaged,
       {0xD283EEB42068AF9E, 0xE42D6C642D2E3DAC, 0x2ACDCC17052D4497,
        {0x33DCD6F1437D4C5E, 0xF21D10544EEF6D30, 0x3E426D40B9419B6F}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(bench::variantName(c.variant)) + " listing");
    bench::GenOptions options;
    options.variant = c.variant;
    options.seed = 7;
    options.minBytes = 1 << 20;
    std::string listing = bench::makeListing(options);
    for (size_t chunk : {size_t{1} << 20, size_t{4093}}) {
      SCOPED_TRACE("read " + std::to_string(chunk) + " bytes at a time");
      expectOutputs(outputsOf(listing, chunk), c.want);
    }
    test::ScratchFile scratch;
    std::string dir = std::filesystem::path(scratch.path).parent_path().string();
    SCOPED_TRACE("images written to files");
    expectOutputs(outputsOf(listing, 1 << 20, dir), c.want);
  }
}

}  // namespace
}  // namespace romlift
