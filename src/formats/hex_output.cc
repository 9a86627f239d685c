#include "formats/hex_output.h"

#include <cstdint>

#include "formats/placement.h"

namespace romlift::formats {
namespace {

constexpr int64_t kAddressLimit = int64_t{1} << 32;  // what 32-bit record addresses reach

}  // namespace

int printRecords(RecordFormat format, const ObjectCode& code, FILE* out, FILE* err, const HexOptions& options) {
  if (!options.offsets) {
    Placement placement;
    int overlaps = placement.place(code, err);
    RecordWriter writer(format, out, placement.end() == placement.low() ? 0 : placement.end() - 1);
    placement.forEachRun([&](uint32_t address, std::string_view bytes) { writer.write(address, bytes); });
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
