#include "driver/report_args.h"

#include <string>
#include <string_view>

namespace romlift {
namespace {

// A name that the patch's header lines can carry: not empty, no blank, tab or line end.
bool validName(std::string_view name) { return !name.empty() && name.find_first_of(" \t\r\n") == std::string_view::npos; }

// The long option at argv[*i], with its value after "=" or in the next word (*i then moves on
// to it). Returns 0, or 2 after a usage error.
int parseOption(int argc, const char* const* argv, int* i, Request* r, FILE* err) {
  std::string_view word = argv[*i];
  size_t equals = word.find('=');
  std::string name(word.substr(0, equals));
  const char* value = equals != std::string_view::npos ? argv[*i] + equals + 1 : nullptr;
  bool check = r->command == Command::Sums && name == "--check";
  bool offsets = r->records() && name == "--offsets";
  bool cpu = r->command == Command::Verify && name == "--cpu";
  bool fileName = r->command == Command::Fix && name == "--name";
  if (!check && !offsets && !cpu && !fileName) return usageError(err, "option inconnue", argv[*i]);
  if ((check && r->checkFile != nullptr) || (offsets && r->offsets) || (cpu && r->cpu != nullptr) ||
      (fileName && r->name != nullptr))
    return usageError(err, "option en double", name.c_str());
  if (offsets) {
    r->offsets = true;
    return value == nullptr ? 0 : usageError(err, "valeur en trop", argv[*i]);
  }
  if (value == nullptr && *i + 1 < argc) value = argv[++*i];
  if (value == nullptr || *value == '\0')
    return usageError(err, cpu ? "processeur manquant apr\xC3\xA8s" : "fichier manquant apr\xC3\xA8s", name.c_str());
  if (cpu) {
    r->cpu = isa::findInstructionSet(value);
    return r->cpu != nullptr ? 0 : usageError(err, "processeur inconnu", value);
  }
  (check ? r->checkFile : r->name) = value;
  return check || validName(value) ? 0 : usageError(err, "nom de fichier impossible dans un patch", value);
}

}  // namespace

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
