#include "ocr/ocr_tool.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "alternatives/alternatives.h"
#include "ocr/page_reader.h"

namespace romlift::ocr {
namespace {

constexpr const char* kUsage =
    "Usage: romlift-ocr [--alternatives=FILE] [--cpu=8085|8080|none] [--method=cut|rank]\n"
    "                   [--engine-only] PAGE...\n"
    "       romlift-ocr --help | --version\n"
    "\n"
    "Reads the scanned pages of a printed assembler listing (PNG, TIFF, PNM and the other\n"
    "formats leptonica reads; each page of a multi-page TIFF), in the order given, and writes\n"
    "the listing's text on standard output: one line for each printed line from a page's first\n"
    "to its last, blank lines kept, each character in its column. The columns come from the\n"
    "page itself (skew, character and line pitch, left margin). Each field is read with what it\n"
    "can hold: digits for the line number, hex digits for the address and the object code, a\n"
    "name of the instruction set for the mnemonic; page headers and the symbol table's banner\n"
    "are written as their fixed text. The digits are then read again by the page's own glyphs,\n"
    "learnt from the digits the engine was sure of.\n"
    "\n"
    "  --alternatives=FILE  writes to FILE each character the engine was unsure of: its line\n"
    "                       (from 1), its column (from 0) and its choices with their\n"
    "                       confidence in percent, the written one first, as \"12 5 0=61 O=37\"\n"
    "  --cpu=NAME           the mnemonics' instruction set: 8085 (the default), 8080, or none\n"
    "                       (any upper-case letters)\n"
    "  --method=cut|rank    cut (the default): each field read on its own, restricted to its\n"
    "                       characters; rank: the hex columns and the rest of each line read\n"
    "                       as two boxes, each character chosen among the engine's choices\n"
    "                       by its field\n"
    "  --engine-only        the characters as the engine reads them, without the page's glyphs\n"
    "\n"
    "Progress goes to standard error when it is a terminal. A page that cannot be read is named\n"
    "on standard error (\"<<< Page illisible >>> : FILE : REASON\") and the others are read.\n"
    "\n"
    "Exit status: 0 when every page was read; 1 when a page could not be read, or standard\n"
    "output or the alternatives file not written; 2 on a usage error, an alternatives file that\n"
    "cannot be created, or tesseract's English model missing (package tesseract-ocr-eng).\n";

constexpr const char* kVersion = "romlift-ocr 0.1.0\n";

struct Request {
  const char* alternatives = nullptr;
  std::string_view cpu = "8085";
  Method method = Method::Cut;
  bool engineOnly = false;
  std::vector<const char*> pages;
  bool help = false, version = false;
};

int usageError(FILE* err, const char* what, const char* word) {
  std::fprintf(err, "romlift-ocr : %s", what);
  if (word != nullptr) std::fprintf(err, " \xC2\xAB %s \xC2\xBB", word);
  std::fputs(" (voir romlift-ocr --help)\n", err);
  return 2;
}

// The option at argv[*i], its value after '=' or in the next word. 0, or 2 after a usage error.
int parseOption(int argc, const char* const* argv, int* i, Request& r, FILE* err) {
  std::string_view word = argv[*i];
  size_t equals = word.find('=');
  std::string name(word.substr(0, equals));
  if (name != "--alternatives" && name != "--cpu" && name != "--method") return usageError(err, "option inconnue", argv[*i]);
  const char* value = equals != std::string_view::npos ? argv[*i] + equals + 1 : nullptr;
  if (value == nullptr && *i + 1 < argc) value = argv[++*i];
  if (value == nullptr || *value == '\0') return usageError(err, "valeur manquante apr\xC3\xA8s", name.c_str());
  std::vector<std::string_view> names;
  if (name == "--alternatives") {
    r.alternatives = value;
  } else if (name == "--cpu") {
    if (!mnemonicsOf(value, names)) return usageError(err, "processeur inconnu", value);
    r.cpu = value;
  } else if (std::strcmp(value, "rank") == 0 || std::strcmp(value, "cut") == 0) {
    r.method = value[0] == 'c' ? Method::Cut : Method::Rank;
  } else {
    return usageError(err, "m\xC3\xA9thode inconnue", value);
  }
  return 0;
}

int parseArguments(int argc, const char* const* argv, Request& r, FILE* err) {
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (options && word == "--") {
      options = false;
    } else if (options && (word == "--help" || word == "-h")) {
      r.help = true;
    } else if (options && word == "--version") {
      r.version = true;
    } else if (options && word == "--engine-only") {
      r.engineOnly = true;
    } else if (options && word.starts_with("--")) {
      if (int status = parseOption(argc, argv, &i, r, err); status != 0) return status;
    } else if (options && word.size() > 1 && word[0] == '-') {
      return usageError(err, "option inconnue", argv[i]);
    } else {
      r.pages.push_back(argv[i]);
    }
  }
  if (!r.help && !r.version && r.pages.empty()) return usageError(err, "aucune page", nullptr);
  return 0;
}

// Reads the pages in order and writes what they give: the listing's lines on out, the unsure
// characters to the alternatives file with their line in the whole listing.
class Run {
 public:
  Run(Engine& engine, ReaderOptions options, FILE* out, FILE* err, FILE* alternatives, bool progress)
      : reader_(engine, std::move(options)), out_(out), err_(err), alternatives_(alternatives), progress_(progress) {}

  // False when the file or one of its pages could not be read.
  bool file(const char* path, size_t k, size_t files) {
    std::vector<PageImage> images;
    std::string why;
    if (!readPageImages(path, images, why)) {
      std::fprintf(err_, "<<< Page illisible >>> : %s : %s\n", path, why.c_str());
      return false;
    }
    bool all = true;
    for (size_t p = 0; p < images.size(); ++p) {
      std::string name = path;
      if (images.size() > 1) name += " (page " + std::to_string(p + 1) + "/" + std::to_string(images.size()) + ")";
      if (!images[p].failure.empty()) {
        std::fprintf(err_, "<<< Page illisible >>> : %s : %s\n", name.c_str(), images[p].failure.c_str());
        all = false;
        continue;
      }
      PageText text = reader_.read(images[p].image);
      write(text);
      if (progress_)
        std::fprintf(err_, "romlift-ocr : page %zu/%zu %s : %zu lignes, %zu caract\xC3\xA8res incertains\n", k + 1, files,
                     name.c_str(), text.lines.size(), text.unsure.size());
    }
    return all;
  }

 private:
  void write(const PageText& text) {
    for (const std::string& line : text.lines) {
      std::fwrite(line.data(), 1, line.size(), out_);
      std::fputc('\n', out_);
    }
    if (alternatives_ != nullptr) {
      for (alternatives::Record r : text.unsure) {
        r.line += lines_ + 1;
        std::fputs(alternatives::formatRecord(r).c_str(), alternatives_);
      }
    }
    lines_ += text.lines.size();
  }

  PageReader reader_;
  FILE* out_;
  FILE* err_;
  FILE* alternatives_;
  bool progress_;
  size_t lines_ = 0;  // written so far
};

bool flushed(FILE* out, FILE* err) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  std::fprintf(err, "Erreur \xC3\xA9" "criture sortie standard : %s\n", std::strerror(errno ? errno : EIO));
  return false;
}

}  // namespace

int runOcrTool(int argc, const char* const* argv, FILE* out, FILE* err, bool progress) {
  Request r;
  if (int status = parseArguments(argc, argv, r, err); status != 0) return status;
  if (r.help || r.version) {
    std::fputs(r.help ? kUsage : kVersion, out);
    return flushed(out, err) ? 0 : 1;
  }
  ReaderOptions options{r.method, {}, !r.engineOnly};
  mnemonicsOf(r.cpu, options.mnemonics);
  Engine engine;
  std::string why;
  if (!engine.open(why)) {
    std::fprintf(err, "romlift-ocr : %s\n", why.c_str());
    return 2;
  }
  FILE* alternatives = nullptr;
  if (r.alternatives != nullptr) {
    alternatives = std::fopen(r.alternatives, "w");
    if (alternatives == nullptr) {
      std::fprintf(err, "romlift-ocr : %s : %s\n", r.alternatives, std::strerror(errno));
      return 2;
    }
    std::fputs(alternatives::header().c_str(), alternatives);
  }
  Run run(engine, options, out, err, alternatives, progress);
  int status = 0;
  for (size_t k = 0; k < r.pages.size(); ++k)
    if (!run.file(r.pages[k], k, r.pages.size())) status = 1;
  if (!flushed(out, err)) status = 1;
  if (alternatives != nullptr && (std::ferror(alternatives) | std::fclose(alternatives)) != 0) {
    std::fprintf(err, "Erreur fichier %s : %s\n", r.alternatives, std::strerror(errno ? errno : EIO));
    status = 1;
  }
  return status;
}

}  // namespace romlift::ocr
