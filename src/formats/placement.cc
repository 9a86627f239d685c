#include "formats/placement.h"

#include <algorithm>

namespace romlift::formats {

int Placement::place(const ObjectCode& code, FILE* err) {
  size_t end = 0;
  base_ = code.lines().empty() ? 0 : UINT32_MAX;
  for (const ObjectCode::Line& l : code.lines()) {
    end = std::max<size_t>(end, l.address + l.bytes);
    base_ = std::min<uint32_t>(base_, l.address);
  }
  bytes_.assign(end - base_, '\0');
  owner_.assign(end - base_, 0);
  for (size_t i = 0; i < code.lines().size(); ++i) placeLine(code, i, err);
  report(code, err);
  if (overlaps_ > 0 && err != nullptr)
    std::fprintf(err, reportWhat_ == Report::Overlaps ? "Nb chevauchements : %d\n" : "Nb conflits : %d\n", overlaps_);
  return overlaps_;
}

std::string Placement::range(uint32_t from, uint32_t size, uint8_t fill) const {
  std::string bytes(size, static_cast<char>(fill));
  uint64_t stop = uint64_t{from} + size;
  for (uint64_t a = std::max(from, low()); a < std::min<uint64_t>(stop, end()); ++a)
    if (owner_[a - base_] != 0) bytes[a - from] = bytes_[a - base_];
  return bytes;
}

void Placement::placeLine(const ObjectCode& code, size_t index, FILE* err) {
  const ObjectCode::Line& line = code.lines()[index];
  code.forEachPiece(line.offset, line.offset + line.bytes, [&](int64_t offset, std::string_view piece) {
    size_t at = line.address - base_ + static_cast<size_t>(offset - line.offset);
    for (size_t i = 0; i < piece.size(); ++i, ++at) {
      uint32_t earlier = owner_[at];
      bool differs = bytes_[at] != piece[i];
      bytes_[at] = piece[i];
      owner_[at] = static_cast<uint32_t>(index + 1);
      if (earlier != 0 && (differs || reportWhat_ == Report::Overlaps))
        overlapAt(code, index, base_ + static_cast<uint32_t>(at), earlier - 1, err);
      else
        report(code, err);
    }
  });
}

// The byte at address that line index gives over line earlier's: it extends the open run or
// starts a new one.
void Placement::overlapAt(const ObjectCode& code, size_t index, uint32_t address, uint32_t earlier, FILE* err) {
  int earlierLine = code.lines()[earlier].lineno;
  if (open_ && open_->next == address && &code.sectionOfLine(open_->firstLine) == &code.sectionOfLine(index)) {
    open_->lastLine = index;
    open_->earliest = std::min(open_->earliest, earlierLine);
    open_->latest = std::max(open_->latest, earlierLine);
    ++open_->next;
    return;
  }
  report(code, err);
  open_ = Overlap{index, index, earlierLine, earlierLine, address, address + 1};
}

// Reports the open run, if any, and closes it.
void Placement::report(const ObjectCode& code, FILE* err) {
  if (!open_) return;
  const Overlap& o = *open_;
  ++overlaps_;
  int first = code.lines()[o.firstLine].lineno, last = code.lines()[o.lastLine].lineno;
  char later[48], earlier[48];
  if (first == last)
    std::snprintf(later, sizeof later, "ligne %d", first);
  else
    std::snprintf(later, sizeof later, "lignes %d-%d", first, last);
  if (o.earliest == o.latest)
    std::snprintf(earlier, sizeof earlier, "la ligne %d", o.earliest);
  else
    std::snprintf(earlier, sizeof earlier, "les lignes %d-%d", o.earliest, o.latest);
  uint32_t count = o.next - o.address;
  const char* what = reportWhat_ == Report::Overlaps ? "<<< Chevauchement >>> : %s segment %s adresse %04X d\xC3\xA9j\xC3\xA0 donn\xC3\xA9" "e par %s (%u %s)\n"
                                                      : "<<< Conflit >>> : %s segment %s adresse %04X donn\xC3\xA9" "e autrement par %s (%u %s)\n";
  if (err != nullptr)
    std::fprintf(err, what, later, code.sectionOfLine(o.firstLine).seg, o.address, earlier, count, count > 1 ? "octets" : "octet");
  open_.reset();
}

}  // namespace romlift::formats
