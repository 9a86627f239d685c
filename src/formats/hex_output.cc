#include "formats/hex_output.h"

#include <algorithm>
#include <string>
#include <vector>

namespace romlift::formats {
namespace {

constexpr int64_t kAddressLimit = int64_t{1} << 32;  // what 32-bit record addresses reach

// Every code line's bytes at its address, in listing order, and which line gave each byte.
class Placement {
 public:
  // Places the lines and reports to err each run of bytes that a line gives over an earlier
  // line's; returns the number of such runs.
  int place(const ObjectCode& code, FILE* err);
  void write(RecordWriter& writer) const;
  uint32_t highest() const { return bytes_.empty() ? 0 : static_cast<uint32_t>(bytes_.size() - 1); }

 private:
  void placeLine(const ObjectCode& code, size_t index, FILE* err);
  void report(FILE* err, const ObjectCode& code, size_t later, uint32_t earlier, uint32_t address, int count);

  std::string bytes_;
  std::vector<uint32_t> owner_;  // index + 1 of the line that gave the byte there; 0 for none
  int overlaps_ = 0;
};

int Placement::place(const ObjectCode& code, FILE* err) {
  size_t size = 0;
  for (const ObjectCode::Line& l : code.lines()) size = std::max<size_t>(size, l.address + l.bytes);
  bytes_.assign(size, '\0');
  owner_.assign(size, 0);
  for (size_t i = 0; i < code.lines().size(); ++i) placeLine(code, i, err);
  return overlaps_;
}

void Placement::placeLine(const ObjectCode& code, size_t index, FILE* err) {
  const ObjectCode::Line& line = code.lines()[index];
  code.forEachPiece(line.offset, line.offset + line.bytes, [&](int64_t offset, std::string_view piece) {
    bytes_.replace(line.address + static_cast<size_t>(offset - line.offset), piece.size(), piece);
  });
  // Runs of bytes that the same earlier line gave, one report each.
  uint32_t runOwner = 0, runStart = 0;
  int runCount = 0;
  uint32_t end = static_cast<uint32_t>(line.address) + static_cast<uint32_t>(line.bytes);
  for (uint32_t a = line.address; a < end; ++a) {
    uint32_t earlier = owner_[a];
    owner_[a] = static_cast<uint32_t>(index + 1);
    if (earlier != 0 && earlier == runOwner) {
      ++runCount;
      continue;
    }
    if (runCount > 0) report(err, code, index, runOwner - 1, runStart, runCount);
    runOwner = earlier;
    runStart = a;
    runCount = earlier != 0 ? 1 : 0;
  }
  if (runCount > 0) report(err, code, index, runOwner - 1, runStart, runCount);
}

void Placement::report(FILE* err, const ObjectCode& code, size_t later, uint32_t earlier, uint32_t address,
                       int count) {
  ++overlaps_;
  std::fprintf(err,
               "<<< Chevauchement >>> : ligne %d segment %s adresse %04X d\xC3\xA9j\xC3\xA0 donn\xC3\xA9" "e par la "
               "ligne %d (%d %s)\n",
               code.lines()[later].lineno, code.sectionOfLine(later).seg, address, code.lines()[earlier].lineno,
               count, count > 1 ? "octets" : "octet");
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
    writer.write(static_cast<uint32_t>(start), std::string_view(bytes_).substr(start, a - start));
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
