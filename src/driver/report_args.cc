#include "driver/report_args.h"

#include <string>
#include <string_view>

namespace romlift {
namespace {

// A name that the patch's header lines can carry: not empty, no blank, tab or line end.
bool validName(std::string_view name) { return !name.empty() && name.find_first_of(" \t\r\n") == std::string_view::npos; }

// The value of an option that takes one, into the request. Returns 0, or 2 after a usage error.
int takeValue(const std::string& name, const char* value, Request* r, FILE* err) {
  if (name == "--cpu") {
    r->cpu = isa::findInstructionSet(value);
    return r->cpu != nullptr ? 0 : usageError(err, "processeur inconnu", value);
  }
  if (name == "--split") {
    r->split = parseSplit(value);
    return r->split ? 0 : usageError(err, "taille d'image impossible", value);
  }
  if (name == "--fill") {
    r->fill = parseFill(value);
    return r->fill ? 0 : usageError(err, "octet de remplissage impossible", value);
  }
  if (name == "--alternatives") {
    r->alternatives = value;
    return 0;
  }
  (name == "--check" ? r->checkFile : r->name) = value;
  return name == "--check" || validName(value) ? 0 : usageError(err, "nom de fichier impossible dans un patch", value);
}

// What a missing value of the option is called.
const char* missingValue(const std::string& name) {
  if (name == "--cpu") return "processeur manquant apr\xC3\xA8s";
  if (name == "--split") return "taille manquante apr\xC3\xA8s";
  if (name == "--fill") return "octet manquant apr\xC3\xA8s";
  return "fichier manquant apr\xC3\xA8s";
}

// The long option at argv[*i], with its value after "=" or in the next word (*i then moves on
// to it). Returns 0, or 2 after a usage error.
int parseOption(int argc, const char* const* argv, int* i, Request* r, FILE* err) {
  std::string_view word = argv[*i];
  size_t equals = word.find('=');
  std::string name(word.substr(0, equals));
  const char* value = equals != std::string_view::npos ? argv[*i] + equals + 1 : nullptr;
  Command c = r->command;
  bool taken = (c == Command::Sums && name == "--check") || (r->records() && name == "--offsets") ||
               (c == Command::Verify && name == "--cpu") || (c == Command::Fix && (name == "--name" || name == "--alternatives")) ||
               (c == Command::Rom && name == "--split") || ((c == Command::Rom || c == Command::Sums) && name == "--fill");
  if (!taken) return usageError(err, "option inconnue", argv[*i]);
  bool twice = (name == "--check" && r->checkFile != nullptr) || (name == "--offsets" && r->offsets) ||
               (name == "--cpu" && r->cpu != nullptr) || (name == "--name" && r->name != nullptr) ||
               (name == "--alternatives" && r->alternatives != nullptr) ||
               (name == "--split" && r->split) || (name == "--fill" && r->fill);
  if (twice) return usageError(err, "option en double", name.c_str());
  if (name == "--offsets") {
    r->offsets = true;
    return value == nullptr ? 0 : usageError(err, "valeur en trop", argv[*i]);
  }
  if (value == nullptr && *i + 1 < argc) value = argv[++*i];
  if (value == nullptr || *value == '\0') return usageError(err, missingValue(name), name.c_str());
  return takeValue(name, value, r, err);
}

constexpr uint32_t kSmallestImage = 256, kLargestImage = 65536, kKilo = 1024;

}  // namespace

std::optional<uint32_t> parseSplit(std::string_view text) {
  uint32_t unit = 1;
  if (!text.empty() && (text.back() == 'K' || text.back() == 'k')) {
    unit = kKilo;
    text.remove_suffix(1);
  }
  if (text.empty() || text.size() > 5) return std::nullopt;
  uint32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint32_t>(c - '0');
  }
  uint64_t size = uint64_t{n} * unit;
  bool powerOfTwo = size != 0 && (size & (size - 1)) == 0;
  if (!powerOfTwo || size < kSmallestImage || size > kLargestImage) return std::nullopt;
  return static_cast<uint32_t>(size);
}

std::optional<uint8_t> parseFill(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  unsigned v = 0;
  for (char c : text) {
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<unsigned>(d);
  }
  return static_cast<uint8_t>(v);
}

int usageError(FILE* err, const char* what, const char* word) {
  std::fprintf(err, "romlift-report : %s", what);
  if (word != nullptr) std::fprintf(err, " \xC2\xAB %s \xC2\xBB", word);
  std::fputs(" (voir romlift-report --help)\n", err);
  return 2;
}

int parseOptions(int argc, const char* const* argv, Request* request, FILE* err) {
  bool options = true;  // until "--"
  for (int i = 2; i < argc; ++i) {
    std::string_view word = argv[i];
    if (options && word == "--") {
      options = false;
    } else if (options && (word == "-h" || word == "--help")) {
      request->help = true;
      return 0;
    } else if (options && word.starts_with("--")) {
      if (int status = parseOption(argc, argv, &i, request, err); status != 0) return status;
    } else if (options && word.size() > 1 && word[0] == '-') {
      return usageError(err, "option inconnue", argv[i]);
    } else if (request->listing != nullptr) {
      return usageError(err, "argument en trop", argv[i]);
    } else {
      request->listing = argv[i];
    }
  }
  return 0;
}

}  // namespace romlift
