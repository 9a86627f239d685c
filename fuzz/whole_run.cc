#include "fuzz/whole_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>

#include "driver/run.h"
#include "checks/directives.h"
#include "checks/gaps.h"
#include "checks/page_map.h"
#include "checks/xref.h"
#include "formats/object_code.h"
#include "fuzz/format_check.h"
#include "fuzz/report_text.h"
#include "output/reports.h"
#include "verify/verifier.h"

namespace romlift {
namespace {

// Every report that follows the listing, at once.
class AllObservers : public LineObserver, public SkippedLineListener {
 public:
  explicit AllObservers(const isa::InstructionSet& set) : verifier(set) {}
  void page(int lineno, const char* seg) override {
    gaps.page(lineno, seg);
    map.page(lineno, seg);
    directives.page(lineno, seg);
    verifier.page(lineno, seg);
    code.page(lineno, seg);
  }
  void org(int lineno, PaddedText line) override {
    gaps.org(lineno, line);
    verifier.org(lineno, line);
  }
  void codeLine(int lineno, const char* seg, const char* line, int64_t offset, int bytes) override {
    gaps.codeLine(lineno, seg, line, offset, bytes);
    map.codeLine(lineno, seg, line, offset, bytes);
    code.codeLine(lineno, seg, line, offset, bytes);
    codeLines.insert(lineno);
  }
  void codeToken(int lineno, int token, PaddedText line) override { verifier.codeToken(lineno, token, line); }
  void labelOnly(int lineno, const ShortText& label) override { verifier.labelOnly(lineno, label); }
  void symbolEntry(const ShortText& label, const ShortText& adr) override { verifier.symbolEntry(label, adr); }
  void rejected(int lineno) override {
    gaps.rejected(lineno);
    directives.rejected(lineno);
    verifier.rejected(lineno);
  }
  void skippedLine(int lineno, PaddedText line) override {
    gaps.skippedLine(lineno, line);
    directives.skippedLine(lineno, line);
    verifier.skippedLine(lineno, line);
  }
  GapFinder gaps;
  PageMap map;
  DirectiveLog directives;
  verify::Verifier verifier;
  formats::ObjectCode code{formats::ObjectCode::Keep::Lines};
  std::set<int> codeLines;  // of the accepted code lines
};

size_t labelCount(const AddressEntry* e) {
  size_t n = 0;
  for (; e != nullptr; e = e->next)
    for (const LabelNode* l = e->labels; l != nullptr; l = l->next) ++n;
  return n;
}

// verify's counts add up to the accepted code lines, and each finding names one of them.
std::string checkVerify(AllObservers& observers, const Registers& registers, MemoryStream& report) {
  size_t before = report.text().size();
  verify::Verifier& v = observers.verifier;
  v.finish(registers);
  int errors = v.print(report.file());
  std::string_view told = report.text().substr(before);
  if (v.checked() + v.notCheckable() != observers.codeLines.size()) return "verify counts do not add up to the code lines";
  std::string counts = "Nb lignes v\xC3\xA9rifi\xC3\xA9" "es : " + std::to_string(v.checked()) +
                       "\nNb lignes non v\xC3\xA9rifiables : " + std::to_string(v.notCheckable()) +
                       "\nNb erreurs : " + std::to_string(errors) + "\n";
  if (!told.ends_with(counts)) return "verify count lines missing or wrong";
  // A section set aside as another processor's is named once, at the top, by its header line.
  std::set<int> headers, named;
  for (const DirectiveLog::Page& p : observers.directives.pages()) headers.insert(p.lineno);
  size_t findings = 0;
  for (std::string_view rest = told.substr(0, told.size() - counts.size()); !rest.empty();) {
    std::string_view line = rest.substr(0, rest.find('\n') + 1);
    rest.remove_prefix(line.size());
    int lineno = 0;
    if (line.starts_with("<<< Info >>> : segment ")) {
      size_t at = line.find(" (ligne ");
      if (findings > 0 || at == std::string_view::npos || std::sscanf(line.data() + at + 8, "%d", &lineno) != 1 ||
          !headers.count(lineno) || !named.insert(lineno).second)
        return "verify's Info line is not at the top or names no section header once";
      continue;
    }
    if ((!line.starts_with("<<< Erreur >>> : ligne ") && !line.starts_with("<<< Probable >>> : ligne ")) ||
        std::sscanf(line.data() + line.find("ligne ") + 6, "%d", &lineno) != 1 || !observers.codeLines.count(lineno))
      return "verify reports a line that is no accepted code line";
    ++findings;
  }
  return findings == static_cast<size_t>(errors) ? std::string() : "verify count differs from its lines";
}

std::string checkImages(const ImageWriter& writer, std::string_view out) {
  const std::string& a = writer.memoryImage(0);
  const std::string& b = writer.memoryImage(1);
  const std::string& c = writer.memoryImage(2);
  int64_t total = static_cast<int64_t>(a.size() + b.size() + c.size());
  if (total != writer.nbcarsecrits()) return "image sizes do not add up to the byte count";
  if (a.size() > 8192 || b.size() > 8192 || (!b.empty() && a.size() != 8192) || (!c.empty() && b.size() != 8192))
    return "bytes in the wrong image file";
  std::string tail = "Nb car \xC3\xA9" "crits : " + std::to_string(total) + "\n";
  if (out.size() < tail.size() || out.substr(out.size() - tail.size()) != tail) return "byte count line missing or wrong";
  return {};
}

}  // namespace

std::string checkWholeRun(const uint8_t* data, size_t size) {
  size_t chunk = size > 0 ? 1 + data[0] % 97 : 1;
  size_t bufferSize = size > 0 ? size_t{16} << (data[0] % 13) : Scanner::kBufferSize;
  size_t pos = 0;
  auto reader = [&](char* dst, size_t cap) -> ssize_t {
    size_t n = std::min({cap, chunk, size - pos});
    std::memcpy(dst, data + pos, n);
    pos += n;
    return static_cast<ssize_t>(n);
  };
  MemoryStream out, err, report;
  AllObservers observers(*isa::findInstructionSet(size > 0 && data[0] % 2 ? "none" : isa::kDefaultInstructionSet));
  RunOptions options;
  options.images = ImageTarget::Memory;
  options.observer = &observers;
  options.skipped = &observers;
  options.bufferSize = bufferSize;
  Run run(Input(reader), out.file(), err.file(), options);
  if (int status = run.run(); status != 0) return "exit status " + std::to_string(status);
  if (std::string why = checkImages(run.state().writer, out.text()); !why.empty()) return why;

  const Registers& registers = run.state().registers;
  CodeLists codes(registers.codes, report.file());
  SymbolLists symbols(registers.symbols, report.file());
  Listecode(report.file(), codes);
  if (countLines(report.text()) != 1 + labelCount(codes.awllist())) return "code listing has the wrong number of rows";
  size_t before = report.text().size();
  Listest(report.file(), symbols);
  if (countLines(report.text().substr(before)) != 1 + labelCount(symbols.stawllist()))
    return "symbol listing has the wrong number of rows";
  before = report.text().size();
  ListeER(report.file(), codes);
  for (std::string_view rules = report.text().substr(before); !rules.empty();) {
    size_t nl = rules.find('\n');
    std::string_view line = rules.substr(0, nl);
    if (!line.starts_with("{DEBER}") || !line.ends_with("return(MOTAVERIFIER);}")) return "malformed rule line";
    rules.remove_prefix(nl + 1);
  }
  before = report.text().size();
  int problems = xref(report.file(), codes, symbols, observers.directives);
  std::string_view told = report.text().substr(before);
  if (!told.ends_with("Nb erreurs : " + std::to_string(problems) + "\n")) return "xref count line missing";
  if (linesStarting(told, "<<< Erreur >>>") != static_cast<size_t>(problems)) return "xref count differs from its lines";
  size_t withoutTable = 0;
  for (const DirectiveLog::Page& p : observers.directives.pages()) {
    bool tabled = false, seen = false;
    for (const AddressEntry* e = symbols.stawllist(); e != nullptr && !tabled; e = e->next) tabled = p.seg == e->seg;
    for (const DirectiveLog::Page& q : observers.directives.pages()) {
      if (&q == &p) break;
      seen = seen || q.seg == p.seg;
    }
    withoutTable += !tabled && !seen;
  }
  if (linesStarting(told, "<<< Info >>>") != withoutTable) return "pages without symbol table not named once each";
  before = report.text().size();
  int breaks = observers.gaps.print(report.file());
  told = report.text().substr(before);
  if (!told.ends_with("Nb ruptures : " + std::to_string(breaks) + "\n")) return "gaps count line missing";
  if (linesStarting(told, "<<< Rupture >>>") + linesStarting(told, "<<< Hors format >>>") != static_cast<size_t>(breaks))
    return "gaps count differs from its lines";
  observers.map.print(report.file());
  if (std::string why = checkVerify(observers, registers, report); !why.empty()) return why;
  observers.code.attachImages(run.state().writer);
  return checkFormats(observers.code);
}

}  // namespace romlift
