// ocr_rebuild: reads printed listing pages with tesseract and rebuilds the listing's text in
// its fixed columns, one line for each line printed, blank lines kept.
//
//   ocr_rebuild --geometry PREFIX.geom [--save-tsv] PAGE...
//
// The geometry is render_pages' (page_layout.h); the PAGEs are its pages in order, one per
// page of the geometry. A PAGE that ends in .tsv is tesseract's TSV output, read as it is;
// any other is an image that tesseract reads:
//   tesseract PAGE - --psm 6 -c preserve_interword_spaces=1 -c tessedit_char_whitelist=... tsv
// the whitelist being printable ASCII with the blank. --save-tsv keeps each TSV beside its
// image (PAGE with .tsv for its extension), so a later run can start from it. The listing
// goes to standard output.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "ocr_rebuild.h"
#include "tool_args.h"

namespace {

namespace pages = romlift::bench::pages;
namespace tool = romlift::bench::tool;

int usage(std::string_view why) {
  return tool::usage("ocr_rebuild", "--geometry PREFIX.geom [--save-tsv] PAGE...", why);
}

int fail(const std::string& what) {
  std::fprintf(stderr, "ocr_rebuild: %s\n", what.c_str());
  return 1;
}

bool endsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

std::string whitelist() {
  std::string chars;
  for (char c = ' '; c <= '~'; ++c) chars += c;
  return "tessedit_char_whitelist=" + chars;
}

// The TSV of one page: read from the file, or tesseract's output on the image (kept if asked).
bool pageTsv(const std::string& page, bool save, std::string& tsv, std::string& error) {
  if (endsWith(page, ".tsv")) {
    if (tool::readFile(page.c_str(), tsv)) return true;
    error = "cannot read " + page + ": " + std::strerror(errno);
    return false;
  }
  tool::Child tesseract{
      {"tesseract", page, "-", "--psm", "6", "-c", "preserve_interword_spaces=1", "-c", whitelist(), "tsv"}, {}, {}};
  if (tool::run(tesseract, tsv) != 0) {
    error = "tesseract failed on " + page + " (is the tesseract-ocr package installed?)";
    return false;
  }
  std::string saved = page.substr(0, page.rfind('.')) + ".tsv";
  if (save && !tool::writeFile(saved.c_str(), tsv)) {
    error = "cannot write " + saved + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* geometryPath = nullptr;
  bool save = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--geometry" && i + 1 < argc)
      geometryPath = argv[++i];
    else if (arg == "--save-tsv")
      save = true;
    else if (arg.substr(0, 2) == "--")
      return usage("unexpected argument " + std::string(arg));
    else
      files.emplace_back(arg);
  }
  if (geometryPath == nullptr) return usage("--geometry is required");
  std::string text, error;
  pages::Geometry geometry;
  if (!tool::readFile(geometryPath, text)) return fail(std::string("cannot read ") + geometryPath);
  if (!pages::parseGeometry(text, geometry, error)) return usage(std::string(geometryPath) + ": " + error);
  if (files.size() != geometry.pages.size())
    return usage("the geometry has " + std::to_string(geometry.pages.size()) + " pages, " +
                 std::to_string(files.size()) + " given");
  std::vector<std::vector<pages::Word>> words(files.size());
  for (size_t k = 0; k < files.size(); ++k) {
    std::string tsv;
    if (!pageTsv(files[k], save, tsv, error)) return fail(error);
    if (!pages::parseTsv(tsv, words[k], error)) return fail(files[k] + ": " + error);
  }
  std::string listing = pages::rebuildListing(words, geometry);
  if (std::fwrite(listing.data(), 1, listing.size(), stdout) != listing.size() || std::fflush(stdout) != 0)
    return fail(std::string("cannot write the listing: ") + std::strerror(errno));
  return 0;
}
