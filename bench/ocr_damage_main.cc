// ocr_damage: damages a listing the way OCR does and keeps the truth.
//
//   ocr_damage --percent P --seed S --truth FILE < listing > damaged
//
// P percent of the listing's lines are damaged (0.5, 2 and 5 are typical); the same seed and
// listing always give the same damage. FILE gets one record per damaged place: the kind, the
// lines of the damaged text that stand for it and the original lines (see ocr_damage.h).
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ocr_damage.h"
#include "tool_args.h"

namespace {

int usage(std::string_view why) {
  return romlift::bench::tool::usage("ocr_damage", "--percent P --seed S --truth FILE < listing > damaged", why);
}

}  // namespace

int main(int argc, char** argv) {
  namespace tool = romlift::bench::tool;
  romlift::bench::ocr::Options options;
  const char* truthPath = nullptr;
  bool havePercent = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    bool hasValue = i + 1 < argc;
    double value = 0;
    if (arg == "--percent" && hasValue) {
      if (!tool::parseNumber(argv[++i], options.percent) || options.percent > 100)
        return usage("--percent takes a share from 0 to 100");
      havePercent = true;
    } else if (arg == "--seed" && hasValue) {
      if (!tool::parseNumber(argv[++i], value) || value != static_cast<double>(static_cast<uint64_t>(value)))
        return usage("--seed takes a whole number");
      options.seed = static_cast<uint64_t>(value);
    } else if (arg == "--truth" && hasValue) {
      truthPath = argv[++i];
    } else {
      return usage("unexpected argument " + std::string(arg));
    }
  }
  if (!havePercent || truthPath == nullptr) return usage("--percent and --truth are required");

  std::string listing;
  if (!tool::readAll(stdin, listing)) {
    std::fprintf(stderr, "ocr_damage: cannot read the listing: %s\n", std::strerror(errno));
    return 1;
  }
  romlift::bench::ocr::Damaged d = romlift::bench::ocr::damage(listing, options);
  if (!tool::writeFile(truthPath, romlift::bench::ocr::formatTruth(d.truth))) {
    std::fprintf(stderr, "ocr_damage: cannot write %s: %s\n", truthPath, std::strerror(errno));
    return 1;
  }
  if (std::fwrite(d.text.data(), 1, d.text.size(), stdout) != d.text.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "ocr_damage: cannot write the damaged listing: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
