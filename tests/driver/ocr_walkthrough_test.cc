// The README's walk-through from scans to checksums: the sample listing printed as seven
// average scans, read by romlift-ocr, corrected by fix, must give what the README shows and the
// sample's own images. Seven pages read take ten seconds and more: the suite is a slow one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "page_layout.h"
#include "page_render.h"
#include "support/independent_tools.h"
#include "support/prerequisites.h"
#include "support/printed_page.h"
#include "support/run_binary.h"

namespace romlift::test {
namespace {

namespace pages = bench::pages;

// The pages as `render_pages --scan average --seed 5` prints the listing, PGM bytes each.
std::vector<std::string> scans(const std::string& listing) {
  std::vector<std::string_view> lines = pages::listingLines(listing);
  pages::Geometry g;
  size_t columns = 80;
  for (std::string_view l : lines) columns = std::max(columns, l.size());
  g.width = 2 * g.left + static_cast<int>(columns) * g.pitch;
  g.height = 2 * g.top + static_cast<int>(g.linesPerPage) * g.line;
  g.pages = pages::paginate(lines, g.linesPerPage);
  pages::Font font;
  std::string error;
  EXPECT_TRUE(font.open(kFreeMono, g.pitch, error)) << error;
  std::vector<std::string> out;
  for (const pages::PageLines& page : g.pages)
    out.push_back(pages::formatPgm(pages::renderPage(lines, page, g, font, pages::Scan::Average, 5)));
  return out;
}

std::string report(const std::string& listing, std::vector<std::string> args) {
  RunOptions options;
  options.report = true;
  options.args = std::move(args);
  return runRomlift(listing, options).out;
}

TEST(OcrWalkthroughSlow, ReadmeShowsWhatTheToolsPrintFromScansToChecksums) {
  ROMLIFT_SKIP_WITHOUT(kFreeMono);
  ROMLIFT_SKIP_WITHOUT(kEnglishModel);
  ROMLIFT_SKIP_WITHOUT(kPatch);
  const std::string readme = readFile(std::string(ROMLIFT_SOURCE_DIR) + "/README.md");
  const std::string sample = readFile(examplePath("sample.lst"));
  std::vector<std::string> images = scans(sample);
  ASSERT_EQ(images.size(), 7u);
  RunOptions reading;
  reading.program = "romlift-ocr";
  reading.args = {"--alternatives", "scanned.alt"};
  reading.timeout = std::chrono::seconds(300);  // seven pages, under the sanitizers on a busy machine
  for (size_t k = 0; k < images.size(); ++k) reading.args.push_back("scan-00" + std::to_string(k + 1) + ".pgm");
  reading.prepare = [&](const std::string& dir) {
    for (size_t k = 0; k < images.size(); ++k)
      std::ofstream(dir + "/scan-00" + std::to_string(k + 1) + ".pgm", std::ios::binary) << images[k];
  };
  RunResult ocr = runRomlift("", reading);
  ASSERT_EQ(ocr.status, 0) << ocr.err;
  // The README's examples run on what it read, shipped in examples/.
  EXPECT_EQ(ocr.out, readFile(examplePath("scanned.lst")));
  EXPECT_EQ(ocr.contents["scanned.alt"], readFile(examplePath("scanned.alt")));
  // Every line the README shows misread is in the text, and every other code line as printed.
  size_t block = readme.find("got wrong is in operands and comments:\n\n```\n");
  ASSERT_NE(block, std::string::npos);
  size_t from = readme.find('\n', readme.find("```", block)) + 1;
  std::string shown = readme.substr(from, readme.find("```", from) - from);
  for (std::string_view line : bench::pages::listingLines(shown))
    EXPECT_NE(ocr.out.find(std::string(line) + "\n"), std::string::npos) << line;
  for (std::string_view line : bench::pages::listingLines(sample)) {
    bool lost = ocr.out.find(std::string(line) + "\n") == std::string::npos;
    if (lost && !codeLines(std::string(line) + "\n").empty()) {
      EXPECT_NE(shown.find(std::string(line.substr(0, 15))), std::string::npos) << line;
    }
  }
  // fix's patch of it, with the engine's alternatives, gives the sample's images, whose sums the
  // README shows.
  RunOptions fixing;
  fixing.report = true;
  fixing.args = {"fix", "--name", "scanned.lst", "--alternatives", "scanned.alt"};
  fixing.prepare = [&](const std::string& dir) {
    std::ofstream(dir + "/scanned.alt", std::ios::binary) << ocr.contents["scanned.alt"];
  };
  RunResult fix = runRomlift(ocr.out, fixing);
  EXPECT_EQ(fix.status, 0) << fix.err;
  std::optional<std::string> patched = gnuPatched(ocr.out, fix.out);
  ASSERT_TRUE(patched.has_value());
  // The quote of 'KEZ' and the F of LF, which the checks decide, are back as printed.
  EXPECT_NE(patched->find("BANNER  DB    'KEZ'     SIGN-ON TEXT\n053 C050 0D0A               DB    CR,LF "),
            std::string::npos);
  std::string sums = report(*patched, {"sums"});
  EXPECT_EQ(sums, report(sample, {"sums"}));
  EXPECT_NE(readme.find("$ romlift-report sums < ../scanned.lst\n" + sums + "```\n\nfix's patch"), std::string::npos)
      << sums;
}

}  // namespace
}  // namespace romlift::test
