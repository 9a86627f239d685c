// gen_listing: writes a synthetic assembler listing for romlift on standard output.
//
//   gen_listing --mb N --variant clean|symbols|damaged|firmware [--seed S] [--stats]
//
// The listing ends at the first section boundary after N megabytes (10^6 bytes). The same
// arguments always give the same bytes. --stats prints what was written on standard error as
// one line of name=value pairs; for the firmware variant also the counts of EQU and DS lines
// and of the lines whose operand names a label, an EQU constant or `$`, or is an expression.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "listing_gen.h"
#include "tool_args.h"

namespace {

int usage(std::string_view why) {
  return romlift::bench::tool::usage("gen_listing",
                                     "--mb N --variant clean|symbols|damaged|firmware [--seed S] [--stats]", why);
}

}  // namespace

int main(int argc, char** argv) {
  using romlift::bench::GenOptions;
  GenOptions options;
  bool haveSize = false, haveVariant = false, stats = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--mb" && hasValue) {
      double mb = 0;
      if (!romlift::bench::tool::parseNumber(argv[++i], mb) || mb > 1e6) return usage("--mb takes a size in megabytes");
      options.minBytes = static_cast<uint64_t>(mb * 1e6);
      haveSize = true;
    } else if (arg == "--variant" && hasValue) {
      if (!romlift::bench::parseVariant(argv[++i], options.variant)) return usage("unknown variant");
      haveVariant = true;
    } else if (arg == "--seed" && hasValue) {
      double seed = 0;
      if (!romlift::bench::tool::parseNumber(argv[++i], seed) ||
          seed != static_cast<double>(static_cast<uint64_t>(seed)))
        return usage("--seed takes a whole number");
      options.seed = static_cast<uint64_t>(seed);
    } else if (arg == "--stats") {
      stats = true;
    } else {
      return usage("unexpected argument " + std::string(arg));
    }
  }
  if (!haveSize || !haveVariant) return usage("--mb and --variant are required");

  bool failed = false;
  romlift::bench::GenStats s = romlift::bench::generateListing(options, [&failed](std::string_view piece) {
    if (!failed && std::fwrite(piece.data(), 1, piece.size(), stdout) != piece.size()) failed = true;
  });
  if (std::fflush(stdout) != 0) failed = true;
  if (failed) {
    std::fprintf(stderr, "gen_listing: cannot write the listing: %s\n", std::strerror(errno));
    return 1;
  }
  if (stats) {
    std::fprintf(stderr,
                 "bytes=%" PRIu64 " lines=%" PRIu64 " sections=%" PRIu64 " code_lines=%" PRIu64
                 " object_bytes=%" PRIu64 " labels=%" PRIu64 " damaged_lines=%" PRIu64,
                 s.bytes, s.lines, s.sections, s.codeLines, s.objectBytes, s.labels, s.damagedLines);
    if (options.variant == romlift::bench::Variant::Firmware) {
      std::fprintf(stderr,
                   " equ_lines=%" PRIu64 " ds_lines=%" PRIu64 " label_operands=%" PRIu64 " equ_operands=%" PRIu64
                   " dollar_operands=%" PRIu64 " expr_operands=%" PRIu64,
                   s.equLines, s.dsLines, s.labelOperands, s.equOperands, s.dollarOperands, s.exprOperands);
    }
    std::fputc('\n', stderr);
  }
  return 0;
}
