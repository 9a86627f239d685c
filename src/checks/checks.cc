#include "checks/checks.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "output/image_writer.h"
#include "scanner/rules.h"

namespace romlift {
namespace {

constexpr unsigned kAddressSpace = 0x10000;

unsigned hexValue(const char* text, size_t n) {
  unsigned v = 0;
  for (size_t i = 0; i < n; ++i) v = v * 16 + static_cast<unsigned>(text[i] <= '9' ? text[i] - '0' : text[i] - 'A' + 10);
  return v;
}

// The address text of a code line (columns 4 to 7).
std::string addressOf(const char* line) { return std::string(line + col::kAddress, kAddressWidth); }

}  // namespace

int xref(FILE* out, const CodeLists& codes, const SymbolLists& symbols) {
  int problems = 0;
  for (const AddressEntry* e = codes.awllist(); e != nullptr; e = e->next) {
    for (const LabelNode* l = e->labels; l != nullptr; l = l->next) {
      bool pair = symbols.find(e->adr, e->seg) != nullptr;
      if (symbols.stexistadrlab(e->adr, e->seg, l->label)) continue;
      ++problems;
      if (pair)
        std::fprintf(out, "<<< Erreur >>> : label %s absent des tables de symboles en %s %s\n", l->label, e->seg,
                     e->adr);
    }
  }
  for (const AddressEntry* e = symbols.stawllist(); e != nullptr; e = e->next) {
    for (const LabelNode* l = e->labels; l != nullptr; l = l->next) {
      bool pair = codes.find(e->adr, e->seg) != nullptr;
      if (codes.existadrlab(e->adr, e->seg, l->label)) continue;
      ++problems;
      if (pair)
        std::fprintf(out, "<<< Erreur >>> : label %s absent des lignes de code avec label en %s %s\n", l->label,
                     e->seg, e->adr);
    }
  }
  std::fprintf(out, "Nb erreurs : %d\n", problems);
  return problems;
}

void GapFinder::page(int, const char*) { inRun_ = false; }

void GapFinder::org(int) { inRun_ = false; }

void GapFinder::codeLine(int lineno, const char* seg, const char* line, int64_t, int bytes) {
  unsigned found = hexValue(line + col::kAddress, kAddressWidth);
  if (inRun_ && found != next_) {
    // The nearer way round the 64K address space: a small negative distance is an overlap.
    int missing = static_cast<int>((found - next_) % kAddressSpace);
    if (missing >= static_cast<int>(kAddressSpace / 2)) missing -= kAddressSpace;
    breaks_.push_back({lineno, seg, addressOf(line), next_, missing});
  }
  inRun_ = true;
  next_ = (found + static_cast<unsigned>(bytes)) % kAddressSpace;
}

int GapFinder::print(FILE* out) const {
  for (const Break& b : breaks_) {
    int n = b.missing < 0 ? -b.missing : b.missing;
    const char* what = b.missing < 0 ? (n > 1 ? "octets en trop" : "octet en trop")
                                     : (n > 1 ? "octets manquants" : "octet manquant");
    std::fprintf(out, "<<< Rupture >>> : ligne %d segment %s adresse attendue %04X trouv\xC3\xA9" "e %s (%d %s)\n",
                 b.lineno, b.seg.c_str(), b.expected, b.found.c_str(), n, what);
  }
  std::fprintf(out, "Nb ruptures : %zu\n", breaks_.size());
  return static_cast<int>(breaks_.size());
}

void PageMap::page(int lineno, const char* seg) {
  Page p;
  p.seg = seg;
  p.lineno = lineno;
  pages_.push_back(std::move(p));
}

void PageMap::codeLine(int, const char*, const char* line, int64_t offset, int bytes) {
  if (pages_.empty()) return;
  Page& p = pages_.back();
  if (p.lines++ == 0) {
    p.first = addressOf(line);
    p.firstOffset = offset;
  }
  p.bytes += bytes;
  if (bytes > 0) p.last = (hexValue(line + col::kAddress, kAddressWidth) + bytes - 1) % kAddressSpace;
}

void PageMap::print(FILE* out) const {
  std::fputs("Segment;Ligne;Lignes;Octets;Debut;Fin;Images\n", out);
  for (const Page& p : pages_) {
    std::string files;
    int64_t from = p.firstOffset, to = p.firstOffset + p.bytes;  // the page's bytes in the stream
    int64_t start = 0;
    for (int k = 0; k < 3 && from < to; ++k) {
      int64_t end = k < 2 ? kImageBreaks[k] : to;
      if (from < end) {
        char part[64];
        std::snprintf(part, sizeof part, "%s%s:%lld-%lld", files.empty() ? "" : " ", kImageNames[k],
                      static_cast<long long>(from - start), static_cast<long long>(std::min(to, end) - 1 - start));
        files += part;
        from = std::min(to, end);
      }
      start = end;
    }
    char last[8] = "-";
    if (p.bytes > 0) std::snprintf(last, sizeof last, "%04X", p.last);
    std::fprintf(out, "%s;%d;%d;%lld;%s;%s;%s\n", p.seg.c_str(), p.lineno, p.lines, static_cast<long long>(p.bytes),
                 p.lines > 0 ? p.first.c_str() : "-", last, files.c_str());
  }
}

}  // namespace romlift
