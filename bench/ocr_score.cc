// ocr_score: how much of a listing came back through printing and OCR, and through fix.
//
//   ocr_score --truth ORIGINAL.lst --ocr OCR.lst [--patched PATCHED.lst --diff FIX.diff]
//             --report PATH/romlift-report [--romlift PATH/romlift] [--confusions N]
//
// Prints one line of name=value pairs:
//   ocr_score chars=N char_errors=N code_lines=N code_lines_damaged=N bytes_truth=N
//             bytes_true_ocr=N bytes_false_ocr=N FIELD_chars=N FIELD_errors=N ...
//             hex_digits=N hex_right=N
// with FIELD number, address, object, label, mnemonic and operand of the code lines; and with
// --patched and --diff, on the same line:
//             bytes_true_patched=N bytes_false_patched=N listings_exact=0|1 code_lines_hidden=N
// (see ocr_scoring.h). The bytes are those of `romlift-report ihex` on each listing;
// listings_exact is 1 when romlift, run in a scratch folder on the truth and on the patched
// listing, writes the same three image files. romlift is the one beside romlift-report unless
// --romlift names it. --confusions N adds a line `ocr_confusions` with the N most frequent
// edits in the fields, as T>O=COUNT (T read as O; T> left out, >O put in; _ is a blank).
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "ocr_scoring.h"
#include "tool_args.h"

namespace {

namespace ocr = romlift::bench::ocr;
namespace tool = romlift::bench::tool;
namespace fs = std::filesystem;

constexpr const char* kSynopsis =
    "--truth ORIGINAL.lst --ocr OCR.lst [--patched PATCHED.lst --diff FIX.diff] --report PATH/romlift-report "
    "[--romlift PATH/romlift] [--confusions N]";
constexpr const char* kImages[] = {"511_CodeObjet.bin", "514_CodeObjet.bin", "512_CodeObjet.bin"};

int usage(std::string_view why) { return tool::usage("ocr_score", kSynopsis, why); }

struct Options {
  std::string truth, ocr, patched, diff, report, romlift;
  double confusions = 0;
};

int parseOptions(int argc, char** argv, Options& o) {
  struct Named {
    const char* name;
    std::string* value;
  };
  const Named named[] = {{"--truth", &o.truth}, {"--ocr", &o.ocr},       {"--patched", &o.patched},
                         {"--diff", &o.diff},   {"--report", &o.report}, {"--romlift", &o.romlift}};
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    auto n = std::find_if(std::begin(named), std::end(named), [&](const Named& k) { return arg == k.name; });
    if (i + 1 == argc) return usage("unexpected argument " + std::string(arg));
    if (n != std::end(named))
      *n->value = argv[++i];
    else if (arg != "--confusions" || !tool::parseNumber(argv[++i], o.confusions))
      return usage("unexpected argument " + std::string(arg));
  }
  if (o.truth.empty() || o.ocr.empty() || o.report.empty()) return usage("--truth, --ocr and --report are required");
  if (o.patched.empty() != o.diff.empty()) return usage("--patched and --diff go together");
  if (o.romlift.empty()) o.romlift = (fs::path(o.report).parent_path() / "romlift").string();
  if (o.romlift.find('/') != std::string::npos) o.romlift = fs::absolute(o.romlift).string();  // it runs elsewhere
  return 0;
}

// The bytes of `romlift-report ihex` on the listing; false when it cannot give them.
bool romBytes(const Options& o, const std::string& listing, ocr::Bytes& bytes) {
  std::string hex, error;
  int status = tool::run({{o.report, "ihex"}, listing, {}}, hex);
  if ((status == 0 || status == 1) && ocr::parseIntelHex(hex, bytes, error)) return true;
  std::fprintf(stderr, "ocr_score: romlift-report ihex on %s: %s\n", listing.c_str(),
               status > 1 || status < 0 ? "failed" : error.c_str());
  return false;
}

// The image files romlift writes for the listing, in a folder of its own under scratch.
bool images(const Options& o, const std::string& listing, const fs::path& folder, std::string (&files)[3]) {
  fs::create_directory(folder);
  std::string out;
  if (tool::run({{o.romlift}, listing, folder.string()}, out) != 0) return false;
  for (size_t k = 0; k < 3; ++k) {
    if (!tool::readFile((folder / kImages[k]).c_str(), files[k])) files[k] = "(none)";
  }
  return true;
}

// 1 when romlift writes the same images for both listings, 0 when not, -1 when it fails.
int sameImages(const Options& o) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/ocr_score.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return -1;
  fs::path scratch(pattern);
  std::string a[3], b[3];
  int same = images(o, o.truth, scratch / "truth", a) && images(o, o.patched, scratch / "patched", b)
                 ? std::equal(a, a + 3, b)
                 : -1;
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return same;
}

std::string confusionLine(const ocr::TextScore& s, size_t most) {
  std::vector<std::pair<std::string, uint64_t>> all(s.confusions.begin(), s.confusions.end());
  std::stable_sort(all.begin(), all.end(), [](const auto& x, const auto& y) { return x.second > y.second; });
  std::string line = "ocr_confusions";
  for (size_t k = 0; k < all.size() && k < most; ++k) {
    std::string edit = all[k].first;
    std::replace(edit.begin(), edit.end(), ' ', '_');
    line += " " + edit + "=" + std::to_string(all[k].second);
  }
  return line + "\n";
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (int status = parseOptions(argc, argv, o); status != 0) return status;
  std::string truth, read, diff;
  for (auto [path, text] : {std::pair{&o.truth, &truth}, {&o.ocr, &read}, {&o.diff, &diff}}) {
    if (!path->empty() && !tool::readFile(path->c_str(), *text)) {
      std::fprintf(stderr, "ocr_score: cannot read %s: %s\n", path->c_str(), std::strerror(errno));
      return 1;
    }
  }
  ocr::TextScore text = ocr::scoreText(truth, read);
  ocr::Bytes want, got, patched;
  if (!romBytes(o, o.truth, want) || !romBytes(o, o.ocr, got)) return 1;
  ocr::ByteScore before = ocr::scoreBytes(want, got);
  std::printf("ocr_score chars=%" PRIu64 " char_errors=%" PRIu64 " code_lines=%" PRIu64 " code_lines_damaged=%" PRIu64
              " bytes_truth=%" PRIu64 " bytes_true_ocr=%" PRIu64 " bytes_false_ocr=%" PRIu64,
              text.chars, text.charErrors, text.codeLines, text.codeLinesDamaged, before.truth, before.right,
              before.wrong);
  for (size_t k = 0; k < ocr::kScoredFields.size(); ++k)
    std::printf(" %s_chars=%" PRIu64 " %s_errors=%" PRIu64, ocr::kScoredFields[k].name, text.fields[k].chars,
                ocr::kScoredFields[k].name, text.fields[k].errors);
  std::printf(" hex_digits=%" PRIu64 " hex_right=%" PRIu64, text.hexDigits, text.hexRight);
  if (!o.patched.empty()) {
    if (!romBytes(o, o.patched, patched)) return 1;
    ocr::ByteScore after = ocr::scoreBytes(want, patched);
    int exact = sameImages(o);
    if (exact < 0) {
      std::fprintf(stderr, "ocr_score: romlift (%s) could not run on both listings\n", o.romlift.c_str());
      return 1;
    }
    std::printf(" bytes_true_patched=%" PRIu64 " bytes_false_patched=%" PRIu64
                " listings_exact=%d code_lines_hidden=%" PRIu64,
                after.right, after.wrong, exact, ocr::hiddenCodeLines(diff));
  }
  std::printf("\n%s", o.confusions > 0 ? confusionLine(text, static_cast<size_t>(o.confusions)).c_str() : "");
  return std::fflush(stdout) == 0 ? 0 : 1;
}
