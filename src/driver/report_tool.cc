#include "driver/report_tool.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "driver/run.h"
#include "checks/directives.h"
#include "checks/gaps.h"
#include "checks/page_map.h"
#include "checks/xref.h"
#include "fix/fix_tool.h"
#include "formats/check_file.h"
#include "formats/hex_output.h"
#include "formats/sums.h"
#include "output/reports.h"
#include "verify/verifier.h"

namespace romlift {
namespace {

constexpr const char* kVersion = "romlift-report 0.1.0\n";

constexpr const char* kHelp =
    "Usage: romlift-report COMMAND [OPTION] < LISTING\n"
    "\n"
    "Reads an OCR'd assembler listing on standard input, checks it exactly as romlift does\n"
    "(syntax errors on standard error, duplicate symbol-table labels on standard output),\n"
    "writes no image file and no byte count, then prints one report on standard output.\n"
    "With ihex and srec the duplicate labels go to standard error: standard output holds\n"
    "nothing but the records.\n"
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
    "  verify [--cpu 8085|8080|none]\n"
    "            every code line's object code against its mnemonic, its operand and the\n"
    "            labels' values (symbol table, then the section's labels, EQU and DS\n"
    "            lines, then the one other section that defines it): its length, its\n"
    "            opcode, its operand bytes, DB and DW data. One line per difference, with\n"
    "            the digit OCR probably misread; \"<<< Probable >>>\" for a line unlike\n"
    "            nearly all lines of the same shape (for mnemonics the table does not\n"
    "            know; --cpu none: for every line); lines whose bytes cannot all be known\n"
    "            are not checkable, never an error; a section whose lines mostly do not\n"
    "            follow the table is not judged by it (\"<<< Info >>>\"). Then\n"
    "            \"Nb lignes v\xC3\xA9rifi\xC3\xA9" "es : N\", \"Nb lignes non v\xC3\xA9rifiables : K\",\n"
    "            \"Nb erreurs : M\" (8085 by default)\n"
    "  map       one row per section (first-page header): segment, header line, code lines,\n"
    "            bytes, first and last address, image files and offsets its bytes go to\n"
    "  sums      one row per image file romlift would write: Fichier;Octets;CRC32;SHA1,\n"
    "            then one per section: Segment;Octets;Somme8;Somme16;CRC32 (its bytes\n"
    "            added up mod 256 and mod 65536)\n"
    "  sums --check FILE\n"
    "            compares the image files with the values FILE gives, as sha1sum lines\n"
    "            (\"SHA1  NAME\") or lines with CRC(xxxxxxxx) and/or SHA1(...) and the name:\n"
    "            \"Conforme : NAME\" or \"<<< Erreur >>> : NAME ...\" per image named, then\n"
    "            \"Nb erreurs : N\"; FILE is read before the listing\n"
    "  ihex      the object code as Intel HEX, each byte at its code line's address (with\n"
    "            the bits above 16 of its section's range); bytes that an earlier line gave\n"
    "            already are reported on standard error, and the later line's are written\n"
    "  srec      the same as Motorola S-records (S1/S9, or S2/S8, S3/S7 for larger addresses)\n"
    "  ihex --offsets, srec --offsets\n"
    "            each byte at its offset in the image files put one after the other\n"
    "  fix [--name FILE]\n"
    "            the corrections of OCR damage that the listing itself forces (look-alike\n"
    "            characters, blanks lost or added, a tab, a stray mark, a line split in two\n"
    "            or two run together), as a unified diff of the listing (--- a/FILE,\n"
    "            +++ b/FILE, FILE \"listing\" by default) for patch or git apply: a line is\n"
    "            corrected only when one correction alone makes it agree with its layout,\n"
    "            the page structure, the addresses, its object code and the symbol tables.\n"
    "            On standard error \"<<< Cas ambigu >>>\" with each correction that fits\n"
    "            equally well (the line is left), \"<<< Non r\xC3\xA9parable >>>\" for what cannot\n"
    "            be restored (a line lost, bytes nobody printed), then \"Nb corrections : N\",\n"
    "            \"Nb cas ambigus : K\", \"Nb dommages non r\xC3\xA9parables : M\"\n"
    "\n"
    "Order: code, symbols, rules and xref list the newest entry first and, within an entry,\n"
    "the newest label first (xref: code lines, then EQU and DS lines, then symbol tables);\n"
    "gaps, verify, map, sums and fix follow the listing from top to bottom; ihex and srec go up\n"
    "the addresses.\n"
    "\n"
    "Exit status: 0; 1 when xref, gaps or verify report a problem, sums --check finds an image that\n"
    "does not match, ihex or srec find two lines giving the same address, fix leaves a problem\n"
    "in the patched listing (or an ambiguity, or damage it cannot repair), or the output\n"
    "cannot be written; 2 on a usage error (a check FILE that cannot be read or has a\n"
    "malformed line too) or when the listing cannot be read.\n"
    "\n"
    "Examples:\n"
    "  romlift-report gaps < firmware.lst\n"
    "  romlift-report verify < firmware.lst\n"
    "  romlift-report sums --check roms.sha1 < firmware.lst\n"
    "  romlift-report ihex < firmware.lst > firmware.hex\n"
    "  romlift-report fix --name firmware.lst < firmware.lst > firmware.diff\n"
    "\n"
    "Options: -h, --help   this text;  --version   the version.\n";

enum class Command { Code, Symbols, Rules, Xref, Gaps, Verify, Map, Sums, Ihex, Srec, Fix };

bool parseCommand(std::string_view word, Command* command) {
  static const struct {
    const char* name;
    Command command;
  } kCommands[] = {{"code", Command::Code}, {"symbols", Command::Symbols}, {"rules", Command::Rules},
                   {"xref", Command::Xref}, {"gaps", Command::Gaps},       {"verify", Command::Verify}, {"map", Command::Map},
                   {"sums", Command::Sums}, {"ihex", Command::Ihex},       {"srec", Command::Srec},
                   {"fix", Command::Fix}};
  for (const auto& c : kCommands) {
    if (word == c.name) {
      *command = c.command;
      return true;
    }
  }
  return false;
}

// The command and the options given after it.
struct Request {
  Command command = Command::Code;
  const char* checkFile = nullptr;  // sums --check FILE
  bool offsets = false;             // ihex and srec --offsets
  const isa::InstructionSet* cpu = nullptr;  // verify --cpu NAME
  const char* name = nullptr;                // fix --name FILE
  bool records() const { return command == Command::Ihex || command == Command::Srec; }
  bool formats() const { return command == Command::Sums || records(); }
};

// Like the standard run, says so when the output could not be written.
bool flushed(FILE* out, FILE* err) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  std::fprintf(err, "Erreur \xC3\xA9" "criture sortie standard : %s\n", std::strerror(errno ? errno : EIO));
  return false;
}

// A name that the patch's header lines can carry: not empty, no blank, tab or line end.
bool validName(std::string_view name) { return !name.empty() && name.find_first_of(" \t\r\n") == std::string_view::npos; }

int usageError(FILE* err, const char* what, const char* word) {
  std::fprintf(err, "romlift-report : %s", what);
  if (word != nullptr) std::fprintf(err, " \xC2\xAB %s \xC2\xBB", word);
  std::fputs(" (voir romlift-report --help)\n", err);
  return 2;
}

// Reads the words after the command into request. Returns 0, or 2 after a usage error.
int parseOptions(int argc, const char* const* argv, Request* request, FILE* err) {
  for (int i = 2; i < argc; ++i) {
    std::string_view word = argv[i];
    bool check = request->command == Command::Sums && word == "--check";
    bool offsets = request->records() && word == "--offsets";
    bool cpu = request->command == Command::Verify && word == "--cpu";
    bool name = request->command == Command::Fix && word == "--name";
    if ((check && request->checkFile != nullptr) || (offsets && request->offsets) || (cpu && request->cpu != nullptr) ||
        (name && request->name != nullptr))
      return usageError(err, "option en double", argv[i]);
    if (offsets) {
      request->offsets = true;
    } else if (cpu) {
      if (i + 1 == argc) return usageError(err, "processeur manquant apr\xC3\xA8s", argv[i]);
      request->cpu = isa::findInstructionSet(argv[++i]);
      if (request->cpu == nullptr) return usageError(err, "processeur inconnu", argv[i]);
    } else if (check || name) {
      if (i + 1 == argc) return usageError(err, "fichier manquant apr\xC3\xA8s", argv[i]);
      (check ? request->checkFile : request->name) = argv[++i];
      if (name && !validName(request->name)) return usageError(err, "nom de fichier impossible dans un patch", request->name);
    } else {
      bool option = word.size() > 1 && word[0] == '-';
      return usageError(err, option ? "option inconnue" : "argument en trop", argv[i]);
    }
  }
  return 0;
}

// The report that the formats library prints from the run's object code.
int printFormat(const Request& request, const formats::ObjectCode& code,
                const std::vector<formats::Expected>& expected, FILE* out, FILE* err) {
  if (request.command == Command::Sums)
    return formats::printSums(code, out, {request.checkFile != nullptr ? &expected : nullptr});
  formats::HexOptions options;
  options.offsets = request.offsets;
  return request.command == Command::Ihex ? formats::printIntelHex(code, out, err, options)
                                          : formats::printSRecords(code, out, err, options);
}

// fix reads the listing's bytes as they are, carriage returns included, so that its patch
// applies to the very file.
int fixListing(const Request& request, int infd, FILE* out, FILE* err) {
  std::string bytes;
  char block[64 * 1024];
  for (;;) {
    ssize_t n = read(infd, block, sizeof block);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::fprintf(err, "%s\n", kReadFailed);
      return 2;
    }
    bytes.append(block, static_cast<size_t>(n));
  }
  int status = fix::runFix(bytes, request.name != nullptr ? request.name : fix::kDefaultName, out, err);
  return flushed(out, err) ? status : 1;
}

// Runs the listing on infd with the observer the command needs, then prints its report.
int report(const Request& request, int infd, FILE* out, FILE* err) {
  if (request.command == Command::Fix) return fixListing(request, infd, out, err);
  // The check file first: a mistake in it shows at once, not after a long listing.
  std::vector<formats::Expected> expected;
  if (request.checkFile != nullptr && !formats::readCheckFile(request.checkFile, &expected, err)) return 2;

  GapFinder gaps;
  PageMap map;
  DirectiveLog directives;
  verify::Verifier verifier(request.cpu != nullptr ? *request.cpu
                                                   : *isa::findInstructionSet(isa::kDefaultInstructionSet));
  formats::ObjectCode code(request.records() && !request.offsets ? formats::ObjectCode::Keep::Lines
                                                                 : formats::ObjectCode::Keep::Sections);
  RunOptions options;
  options.images = request.formats() ? ImageTarget::Memory : ImageTarget::Discard;
  options.printCount = false;
  if (request.command == Command::Gaps) options.observer = &gaps, options.skipped = &gaps;
  if (request.command == Command::Map) options.observer = &map;
  if (request.command == Command::Xref) options.observer = &directives, options.skipped = &directives;
  if (request.command == Command::Verify) options.observer = &verifier, options.skipped = &verifier;
  if (request.formats()) options.observer = &code;
  // Records go to a programmer: the duplicate-label messages must not stand among them.
  FILE* messages = request.records() ? err : out;
  Run run(Input(infd), messages, err, options);
  int status = run.run();
  if (status == 2) return status;
  code.attachImages(run.state().writer);

  const Registers& registers = run.state().registers;
  int problems = 0;
  switch (request.command) {
    case Command::Code: Listecode(out, CodeLists(registers.codes, out)); break;
    case Command::Symbols: Listest(out, SymbolLists(registers.symbols, out)); break;
    case Command::Rules: ListeER(out, CodeLists(registers.codes, out)); break;
    case Command::Xref:
      problems = xref(out, CodeLists(registers.codes, out), SymbolLists(registers.symbols, out), directives);
      break;
    case Command::Gaps: problems = gaps.print(out); break;
    case Command::Verify:
      verifier.finish(registers);
      problems = verifier.print(out);
      break;
    case Command::Map: map.print(out); break;
    case Command::Sums:
    case Command::Ihex:
    case Command::Srec: problems = printFormat(request, code, expected, out, err); break;
    case Command::Fix: break;
  }
  if (!run.flushOut() || (messages != out && !flushed(out, err))) return 1;
  return problems > 0 ? 1 : status;
}

}  // namespace

int runReportTool(int argc, const char* const* argv, int infd, FILE* out, FILE* err) {
  if (argc < 2) return usageError(err, "commande manquante", nullptr);
  std::string_view word = argv[1];
  bool help = word == "-h" || word == "--help";
  bool version = word == "--version";
  Request request;
  if (!help && !version && !parseCommand(word, &request.command))
    return usageError(err, "commande inconnue", argv[1]);
  if (help || version) {
    if (argc > 2) return usageError(err, "argument en trop", argv[2]);
    std::fputs(help ? kHelp : kVersion, out);
    return flushed(out, err) ? 0 : 1;
  }
  if (int status = parseOptions(argc, argv, &request, err); status != 0) return status;
  return report(request, infd, out, err);
}

}  // namespace romlift
