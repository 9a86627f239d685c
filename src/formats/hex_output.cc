#include "formats/hex_output.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace romlift::formats {
namespace {

constexpr int64_t kAddressLimit = int64_t{1} << 32;  // what 32-bit record addresses reach

// Every code line's bytes at its address, in listing order, and which line gave each byte.
class Placement {
 public:
  // Places the lines and reports to err each run of bytes that lines give over earlier lines'
  // bytes, then their count; returns the number of such runs.
  int place(const ObjectCode& code, FILE* err);
  void write(RecordWriter& writer) const;
  uint32_t highest() const { return bytes_.empty() ? 0 : base_ + static_cast<uint32_t>(bytes_.size() - 1); }

 private:
  // Bytes given again at addresses that follow on, by lines that follow on in one section.
  struct Overlap {
    size_t firstLine = 0, lastLine = 0;  // the later lines, as indexes in the code's lines
    int earliest = 0, latest = 0;        // the input lines that gave the bytes first
    uint32_t address = 0, next = 0;      // of its first byte and after its last
  };
  void placeLine(const ObjectCode& code, size_t index, FILE* err);
  void overlapAt(const ObjectCode& code, size_t index, uint32_t address, uint32_t earlier, FILE* err);
  void report(const ObjectCode& code, FILE* err);

  // From the lowest address a line gives on: a listing at C000 needs no room for 0 to BFFF.
  uint32_t base_ = 0;
  std::string bytes_;
  std::vector<uint32_t> owner_;  // index + 1 of the line that gave the byte there; 0 for none
  std::optional<Overlap> open_;  // the run that the next byte may extend
  int overlaps_ = 0;
};

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
  if (overlaps_ > 0) std::fprintf(err, "Nb chevauchements : %d\n", overlaps_);
  return overlaps_;
}

void Placement::placeLine(const ObjectCode& code, size_t index, FILE* err) {
  const ObjectCode::Line& line = code.lines()[index];
  code.forEachPiece(line.offset, line.offset + line.bytes, [&](int64_t offset, std::string_view piece) {
    bytes_.replace(line.address - base_ + static_cast<size_t>(offset - line.offset), piece.size(), piece);
  });
  uint32_t end = static_cast<uint32_t>(line.address) + static_cast<uint32_t>(line.bytes);
  for (uint32_t a = line.address; a < end; ++a) {
    uint32_t earlier = owner_[a - base_];
    owner_[a - base_] = static_cast<uint32_t>(index + 1);
    if (earlier != 0)
      overlapAt(code, index, a, earlier - 1, err);
    else
      report(code, err);
  }
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
  std::fprintf(err, "<<< Chevauchement >>> : %s segment %s adresse %04X d\xC3\xA9j\xC3\xA0 donn\xC3\xA9" "e par %s (%u %s)\n",
               later, code.sectionOfLine(o.firstLine).seg, o.address, earlier, count, count > 1 ? "octets" : "octet");
  open_.reset();
}

void Placement::write(RecordWriter& writer) const {
  size_t a = 0;
  while (a < owner_.size()) {
    if (owner_[a] == 0) {
      ++a;
      continue;
    }
    size_t start = a;
    while (a < owner_.size() && owner_[a] != 0) ++a;
    writer.write(base_ + static_cast<uint32_t>(start), std::string_view(bytes_).substr(start, a - start));
  }
}

}  // namespace

int printRecords(RecordFormat format, const ObjectCode& code, FILE* out, FILE* err, const HexOptions& options) {
  if (!options.offsets) {
    Placement placement;
    int overlaps = placement.place(code, err);
    RecordWriter writer(format, out, placement.highest());
    placement.write(writer);
    writer.finish();
    return overlaps > 0 ? 1 : 0;
  }
  int64_t size = code.streamSize();
  if (size > kAddressLimit) {
    std::fprintf(err, "romlift-report : %lld octets, au-del\xC3\xA0 des adresses sur 32 bits\n",
                 static_cast<long long>(size));
    return 1;
  }
  RecordWriter writer(format, out, size == 0 ? 0 : static_cast<uint32_t>(size - 1));
  code.forEachPiece(0, size, [&](int64_t offset, std::string_view piece) {
    writer.write(static_cast<uint32_t>(offset), piece);
  });
  writer.finish();
  return 0;
}

}  // namespace romlift::formats
