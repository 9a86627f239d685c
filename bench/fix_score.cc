// fix_score: how well a correction undid the damage that ocr_damage did to a listing.
//
//   fix_score --truth FILE --original ORIG --damaged DAMAGED --patched PATCHED
//
// TRUTH is what ocr_damage wrote for ORIG and DAMAGED; PATCHED is DAMAGED with the correction
// applied. Prints a table per damage kind (damaged code lines restored in their fields, left
// alone, got wrong; damage after column 43 left alone), the edits on lines not damaged, and
// the same as one line:
//   fix_score lookalike=D/R/L/W/O ... lost=D/R/L/W/O all=D/R/L/W/O wrong_edits=N
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "fix_scoring.h"
#include "tool_args.h"

namespace {

int usage(std::string_view why) {
  return romlift::bench::tool::usage("fix_score", "--truth FILE --original ORIG --damaged DAMAGED --patched PATCHED",
                                     why);
}

}  // namespace

int main(int argc, char** argv) {
  namespace ocr = romlift::bench::ocr;
  constexpr const char* kFlags[] = {"--truth", "--original", "--damaged", "--patched"};
  std::string texts[4];
  bool have[4] = {};
  for (int i = 1; i < argc; ++i) {
    size_t f = 0;
    while (f < 4 && std::strcmp(argv[i], kFlags[f]) != 0) ++f;
    if (f == 4 || i + 1 == argc) return usage("unexpected argument " + std::string(argv[i]));
    const char* path = argv[++i];
    if (!romlift::bench::tool::readFile(path, texts[f])) {
      std::fprintf(stderr, "fix_score: cannot read %s: %s\n", path, std::strerror(errno));
      return 1;
    }
    have[f] = true;
  }
  for (size_t f = 0; f < 4; ++f) {
    if (!have[f]) return usage("--truth, --original, --damaged and --patched are required");
  }
  std::vector<ocr::Record> truth;
  std::string error, restored;
  if (!ocr::parseTruth(texts[0], truth, error)) return usage("the truth file: " + error);
  if (!ocr::restore(texts[2], truth, restored) || restored != texts[1])
    return usage("the truth does not turn the damaged listing into the original");
  std::string report = ocr::formatScore(ocr::score(truth, texts[1], texts[2], texts[3]));
  if (std::fwrite(report.data(), 1, report.size(), stdout) != report.size() || std::fflush(stdout) != 0) return 1;
  return 0;
}
