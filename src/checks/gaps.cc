#include "checks/gaps.h"

#include "checks/listing_text.h"
#include "checks/outside_layout.h"

namespace romlift {

void GapFinder::page(int, const char* seg) {
  inRun_ = false;
  rejecting_ = false;
  seg_ = seg;
  directives_.newPage();
}

void GapFinder::org(int, PaddedText line) {
  std::optional<unsigned> start = orgAddress(line);
  inRun_ = start.has_value();
  next_ = start.value_or(0);
}

void GapFinder::rejected(int) {
  inRun_ = false;
  rejecting_ = true;
}

void GapFinder::codeLine(int lineno, const char*, const char* line, int64_t, int bytes) {
  follow(lineno, addressValue(line), static_cast<unsigned>(bytes));
}

void GapFinder::skippedLine(int lineno, PaddedText line) {
  if (rejecting_) return;
  if (std::optional<OutsideLine> o = readOutsideLayout({line.text, line.len}); o && !seg_.empty()) {
    follow(lineno, o->address, static_cast<unsigned>(o->bytes()));
    breaks_.push_back({lineno, seg_, o->address, o->address, static_cast<int>(o->bytes()), o->reasons});
    return;
  }
  std::optional<Directive> d = directives_.read(lineno, line);
  if (!d || d->kind != Directive::Kind::Ds) return;
  if (!d->size) {
    inRun_ = false;  // nothing to say about what follows a space of unknown size
    return;
  }
  follow(lineno, d->value, *d->size);
}

void GapFinder::follow(int lineno, unsigned found, unsigned length) {
  if (inRun_ && found != next_) {
    // The nearer way round the 64K address space: a small negative distance is an overlap.
    int missing = static_cast<int>((found - next_) % kAddressSpace);
    if (missing >= static_cast<int>(kAddressSpace / 2)) missing -= kAddressSpace;
    breaks_.push_back({lineno, seg_, next_, found, missing});
  }
  inRun_ = true;
  next_ = (found + length) % kAddressSpace;
}

std::vector<int> GapFinder::breakLines() const {
  std::vector<int> lines;
  for (const Break& b : breaks_) lines.push_back(b.lineno);
  return lines;
}

int GapFinder::print(FILE* out) const {
  for (const Break& b : breaks_) {
    int n = b.missing < 0 ? -b.missing : b.missing;
    const char* what = b.missing < 0 ? (n > 1 ? "octets en trop" : "octet en trop")
                                     : (n > 1 ? "octets manquants" : "octet manquant");
    if (b.outside != 0)
      std::fprintf(out, "<<< Hors format >>> : ligne %d segment %s adresse %04X : %s (%d %s)\n", b.lineno,
                   b.seg.c_str(), b.found, reasonText(b.outside).c_str(), n, what);
    else
      std::fprintf(out, "<<< Rupture >>> : ligne %d segment %s adresse attendue %04X trouv\xC3\xA9" "e %04X (%d %s)\n",
                   b.lineno, b.seg.c_str(), b.expected, b.found, n, what);
  }
  std::fprintf(out, "Nb ruptures : %zu\n", breaks_.size());
  return static_cast<int>(breaks_.size());
}

}  // namespace romlift
