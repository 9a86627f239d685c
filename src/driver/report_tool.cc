#include "driver/report_tool.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "driver/run.h"
#include "checks/directives.h"
#include "checks/gaps.h"
#include "checks/page_map.h"
#include "checks/xref.h"
#include "output/reports.h"

namespace romlift {
namespace {

constexpr const char* kVersion = "romlift-report 0.1.0\n";

constexpr const char* kHelp =
    "Usage: romlift-report COMMAND < LISTING\n"
    "\n"
    "Reads an OCR'd assembler listing on standard input, checks it exactly as romlift does\n"
    "(syntax errors on standard error, duplicate symbol-table labels on standard output),\n"
    "writes no image file and no byte count, then prints one report on standard output.\n"
    "\n"
    "Commands:\n"
    "  code      every label of the code lines: Label;Segment;Adresse\n"
    "  symbols   every label of the symbol tables: Label;Segment;Adresse\n"
    "  rules     lex-style rules that accept each code-line label despite OCR look-alikes\n"
    "            (0/O, 1/I, 5/S, 8/B, ...), for labels that hold such a character\n"
    "  xref      code-line, EQU and DS labels missing from the symbol tables, and symbol-\n"
    "            table labels that no code line, EQU value or DS address accounts for;\n"
    "            sections without symbol table are named and left alone; then\n"
    "            \"Nb erreurs : N\"\n"
    "  gaps      every accepted code line or DS line that does not stand at the previous\n"
    "            line's address plus its byte count or reserved size (ORG and a new\n"
    "            section start a new run), with the bytes missing or overlapping, then\n"
    "            \"Nb ruptures : N\"\n"
    "  map       one row per section (first-page header): segment, header line, code lines,\n"
    "            bytes, first and last address, image files and offsets its bytes go to\n"
    "\n"
    "Order: code, symbols, rules and xref list the newest entry first and, within an entry,\n"
    "the newest label first (xref: code lines, then EQU and DS lines, then symbol tables);\n"
    "gaps and map follow the listing from top to bottom.\n"
    "\n"
    "Exit status: 0; 1 when xref or gaps report a problem or the output cannot be written;\n"
    "2 on a usage error or when the listing cannot be read.\n"
    "\n"
    "Example:\n"
    "  romlift-report gaps < firmware.lst\n"
    "\n"
    "Options: -h, --help   this text;  --version   the version.\n";

enum class Command { Code, Symbols, Rules, Xref, Gaps, Map };

bool parseCommand(std::string_view word, Command* command) {
  static const struct {
    const char* name;
    Command command;
  } kCommands[] = {{"code", Command::Code}, {"symbols", Command::Symbols}, {"rules", Command::Rules},
                   {"xref", Command::Xref}, {"gaps", Command::Gaps},       {"map", Command::Map}};
  for (const auto& c : kCommands) {
    if (word == c.name) {
      *command = c.command;
      return true;
    }
  }
  return false;
}

// Like the standard run, says so when the output could not be written.
bool flushed(FILE* out, FILE* err) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  std::fprintf(err, "Erreur \xC3\xA9" "criture sortie standard : %s\n", std::strerror(errno ? errno : EIO));
  return false;
}

int usageError(FILE* err, const char* what, const char* word) {
  std::fprintf(err, "romlift-report : %s", what);
  if (word != nullptr) std::fprintf(err, " \xC2\xAB %s \xC2\xBB", word);
  std::fputs(" (voir romlift-report --help)\n", err);
  return 2;
}

}  // namespace

int runReportTool(int argc, const char* const* argv, int infd, FILE* out, FILE* err) {
  if (argc < 2) return usageError(err, "commande manquante", nullptr);
  std::string_view word = argv[1];
  bool help = word == "-h" || word == "--help";
  Command command = Command::Code;
  if (!help && word != "--version" && !parseCommand(word, &command))
    return usageError(err, "commande inconnue", argv[1]);
  if (argc > 2) return usageError(err, "argument en trop", argv[2]);
  if (help || word == "--version") {
    std::fputs(help ? kHelp : kVersion, out);
    return flushed(out, err) ? 0 : 1;
  }

  GapFinder gaps;
  PageMap map;
  DirectiveLog directives;
  RunOptions options;
  options.images = ImageTarget::Discard;
  options.printCount = false;
  if (command == Command::Gaps) options.observer = &gaps, options.skipped = &gaps;
  if (command == Command::Map) options.observer = &map;
  if (command == Command::Xref) options.observer = &directives, options.skipped = &directives;
  Run run(Input(infd), out, err, options);
  int status = run.run();
  if (status == 2) return status;

  const Registers& registers = run.state().registers;
  int problems = 0;
  switch (command) {
    case Command::Code: Listecode(out, CodeLists(registers.codes, out)); break;
    case Command::Symbols: Listest(out, SymbolLists(registers.symbols, out)); break;
    case Command::Rules: ListeER(out, CodeLists(registers.codes, out)); break;
    case Command::Xref:
      problems = xref(out, CodeLists(registers.codes, out), SymbolLists(registers.symbols, out), directives);
      break;
    case Command::Gaps: problems = gaps.print(out); break;
    case Command::Map: map.print(out); break;
  }
  if (!run.flushOut()) return 1;
  return problems > 0 ? 1 : status;
}

}  // namespace romlift
