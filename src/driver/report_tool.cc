#include "driver/report_tool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "bytes/whole_file.h"
#include "driver/input_cut.h"
#include "driver/report_args.h"
#include "driver/report_usage.h"
#include "driver/run.h"
#include "checks/directives.h"
#include "checks/gaps.h"
#include "checks/page_map.h"
#include "checks/xref.h"
#include "fix/fix_tool.h"
#include "formats/check_file.h"
#include "formats/hex_output.h"
#include "formats/rom_images.h"
#include "formats/sums.h"
#include "output/reports.h"
#include "verify/verifier.h"

namespace romlift {
namespace {

// Like the standard run, says so when the output could not be written.
bool flushed(FILE* out, FILE* err) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  std::fprintf(err, "Erreur \xC3\xA9" "criture sortie standard : %s\n", std::strerror(errno ? errno : EIO));
  return false;
}

// The report that the formats library prints from the run's object code.
int printFormat(const Request& request, const formats::ObjectCode& code,
                const std::vector<formats::Expected>& expected, FILE* out, FILE* err) {
  uint8_t fill = request.fill.value_or(formats::RomOptions{}.fill);
  if (request.command == Command::Sums)
    return formats::printSums(code, out, {request.checkFile != nullptr ? &expected : nullptr, fill});
  if (request.command == Command::Rom)
    return formats::writeRomImages(code, out, err, {request.split.value_or(formats::RomOptions{}.split), fill});
  formats::HexOptions options;
  options.offsets = request.offsets;
  return request.command == Command::Ihex ? formats::printIntelHex(code, out, err, options)
                                          : formats::printSRecords(code, out, err, options);
}

// romlift-ocr's alternatives file at path; false after telling on err why it cannot be read.
bool readAlternatives(const char* path, std::optional<alternatives::Index>& index, FILE* err) {
  std::string text;
  if (int error = readWholeFile(path, text); error != 0) {
    std::fprintf(err, "romlift-report : %s : %s\n", path, std::strerror(error));
    return false;
  }
  std::vector<alternatives::Record> records;
  std::string why;
  if (!alternatives::parse(text, records, why)) {
    std::fprintf(err, "romlift-report : %s : %s\n", path, why.c_str());
    return false;
  }
  index.emplace(std::move(records));
  return true;
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
  std::optional<alternatives::Index> alternatives;
  if (request.alternatives != nullptr && !readAlternatives(request.alternatives, alternatives, err)) return 2;
  InputCut cut;
  cut.see(bytes.data(), bytes.size());
  cut.print(err);
  int status = fix::runFix(bytes, request.name != nullptr ? request.name : fix::kDefaultName, out, err,
                           alternatives ? &*alternatives : nullptr);
  if (!flushed(out, err)) return 1;
  return cut.lostText() ? 1 : status;
}

// The observers that follow the run for the command's report.
struct Observers {
  explicit Observers(const Request& request)
      : verifier(request.cpu != nullptr ? *request.cpu : *isa::findInstructionSet(isa::kDefaultInstructionSet)),
        code(byAddress(request) ? formats::ObjectCode::Keep::Lines : formats::ObjectCode::Keep::Sections) {}

  // Whether the command places the bytes at their addresses, which needs every code line.
  static bool byAddress(const Request& r) {
    return (r.records() && !r.offsets) || r.command == Command::Rom || (r.command == Command::Sums && r.checkFile);
  }

  // The run's options for the command: where the bytes go and who follows the lines.
  RunOptions options(const Request& request) {
    Command command = request.command;
    RunOptions o;
    o.images = request.formats() ? ImageTarget::Memory : ImageTarget::Discard;
    o.printCount = false;
    if (command == Command::Gaps) o.observer = &gaps, o.skipped = &gaps;
    if (command == Command::Map) o.observer = &map;
    if (command == Command::Xref) o.observer = &directives, o.skipped = &directives;
    if (command == Command::Verify) o.observer = &verifier, o.skipped = &verifier;
    if (o.images == ImageTarget::Memory) o.observer = &code;
    return o;
  }

  GapFinder gaps;
  PageMap map;
  DirectiveLog directives;
  verify::Verifier verifier;
  formats::ObjectCode code;
};

// Prints the command's report on what the run read. Returns the number of problems found.
int printReport(const Request& request, Observers& seen, const Run& run,
                const std::vector<formats::Expected>& expected, FILE* out, FILE* err) {
  const Registers& registers = run.state().registers;
  switch (request.command) {
    case Command::Code: Listecode(out, CodeLists(registers.codes, out)); return 0;
    case Command::Symbols: Listest(out, SymbolLists(registers.symbols, out)); return 0;
    case Command::Rules: ListeER(out, CodeLists(registers.codes, out)); return 0;
    case Command::Xref:
      return xref(out, CodeLists(registers.codes, out), SymbolLists(registers.symbols, out), seen.directives);
    case Command::Gaps: return seen.gaps.print(out);
    case Command::Verify:
      seen.verifier.finish(registers);
      return seen.verifier.print(out);
    case Command::Map: seen.map.print(out); return 0;
    case Command::Sums:
    case Command::Ihex:
    case Command::Srec:
    case Command::Rom: return printFormat(request, seen.code, expected, out, err);
    case Command::Fix: break;
  }
  return 0;
}

// The label lists and fix give no verdict on a listing that has no section; the others do.
bool judgesSections(Command command) {
  return command != Command::Code && command != Command::Symbols && command != Command::Rules &&
         command != Command::Fix;
}

// Runs the listing on infd with the observers the command needs, then prints its report.
// Every message of the run goes to err, so that out holds the report alone.
int report(const Request& request, int infd, FILE* out, FILE* err) {
  if (request.command == Command::Fix) return fixListing(request, infd, out, err);
  // The check file first: a mistake in it shows at once, not after a long listing.
  std::vector<formats::Expected> expected;
  if (request.checkFile != nullptr && !formats::readCheckFile(request.checkFile, &expected, err)) return 2;

  Observers seen(request);
  InputCut cut;
  Run run(cut.watch(infd), err, err, seen.options(request));
  int status = run.run();
  if (status == 2) return status;
  try {
    cut.drain(infd);
  } catch (const FatalError& e) {
    std::fprintf(err, "%s\n", e.what());
    return 2;
  }
  cut.print(err);
  bool noSection = judgesSections(request.command) && run.state().fields.seg[0] == '\0';
  if (noSection)
    std::fputs("<<< Aucune section >>> : aucun en-t\xC3\xAAte de premi\xC3\xA8re page reconnu, l'entr\xC3\xA9" "e "
               "n'est pas un listing\n",
               err);
  seen.code.attachImages(run.state().writer);
  int problems = printReport(request, seen, run, expected, out, err);
  if (!flushed(out, err)) return 1;
  return problems > 0 || cut.lostText() || noSection ? 1 : status;
}

// The listing file's descriptor, or infd for none or "-"; -1 after a usage error on err.
int openListing(const char* path, int infd, FILE* err) {
  if (path == nullptr || std::string_view(path) == "-") return infd;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd >= 0 && fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) return fd;
  int why = fd < 0 ? errno : EISDIR;
  if (fd >= 0) close(fd);
  std::fprintf(err, "romlift-report : %s : %s\n", path, std::strerror(why));
  return -1;
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
    if (help)
      printHelp(out);
    else
      std::fputs(kReportVersion, out);
    return flushed(out, err) ? 0 : 1;
  }
  if (int status = parseOptions(argc, argv, &request, err); status != 0) return status;
  if (request.help) {
    printCommandHelp(request.command, out);
    return flushed(out, err) ? 0 : 1;
  }
  int fd = openListing(request.listing, infd, err);
  if (fd < 0) return 2;
  int status = report(request, fd, out, err);
  if (fd != infd) close(fd);
  return status;
}

}  // namespace romlift
