#include "fuzz/format_check.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "formats/hex_output.h"
#include "formats/sums.h"
#include "fuzz/report_text.h"

namespace romlift {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The data bytes of one record, or -1 when it is malformed or its checksum is wrong.
long dataBytes(std::string_view line, formats::RecordFormat format) {
  bool intel = format == formats::RecordFormat::IntelHex;
  size_t from = intel ? 1 : 2;
  if (line.size() < from + 2 || (line.size() - from) % 2 != 0 || line[0] != (intel ? ':' : 'S')) return -1;
  unsigned sum = 0;
  for (size_t i = from; i < line.size(); i += 2) {
    int high = hexValue(line[i]), low = hexValue(line[i + 1]);
    if (high < 0 || low < 0) return -1;
    sum += static_cast<unsigned>(16 * high + low);
  }
  long fields = static_cast<long>((line.size() - from) / 2);
  if (intel) {
    // count, address (2), type, data, checksum: all bytes add up to 0.
    if (sum % 256 != 0 || fields < 5) return -1;
    return line.substr(7, 2) == "00" ? fields - 5 : 0;
  }
  // count, address, data, checksum: the checksum is the ones' complement of the rest's sum.
  int addressBytes = line[1] == '1' ? 2 : line[1] == '2' ? 3 : line[1] == '3' ? 4 : 0;
  if (sum % 256 != 255 || fields - 1 != 16 * hexValue(line[2]) + hexValue(line[3])) return -1;
  return addressBytes == 0 ? 0 : fields - 2 - addressBytes;
}

// The records' data bytes in all, or what is wrong with them.
std::string recordBytes(std::string_view records, formats::RecordFormat format, long* total) {
  if (records.empty() || !records.ends_with("\n")) return "records do not end with a line end";
  *total = 0;
  std::string_view line;
  for (std::string_view rest = records; !rest.empty();) {
    line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(line.size() + 1);
    long n = dataBytes(line, format);
    if (n < 0) return "malformed record";
    *total += n;
  }
  bool ends = format == formats::RecordFormat::IntelHex
                  ? line == ":00000001FF"
                  : line.starts_with("S9") || line.starts_with("S8") || line.starts_with("S7");
  return ends ? std::string() : "no end record last";
}

std::string checkRecords(const formats::ObjectCode& code, formats::RecordFormat format, bool offsets) {
  MemoryStream out, err;
  formats::HexOptions options;
  options.offsets = offsets;
  int status = formats::printRecords(format, code, out.file(), err.file(), options);
  long total = 0;
  if (std::string why = recordBytes(out.text(), format, &total); !why.empty()) return why;
  size_t runs = linesStarting(err.text(), "<<< Chevauchement >>> : ");
  if (offsets) {
    if (total != code.streamSize()) return "records at the offsets do not hold the stream";
    return status == 0 && err.text().empty() ? std::string() : "overlap at the offsets";
  }
  std::vector<uint32_t> given;
  for (const formats::ObjectCode::Line& l : code.lines())
    for (uint32_t a = l.address, end = a + static_cast<uint32_t>(l.bytes); a < end; ++a) given.push_back(a);
  std::sort(given.begin(), given.end());
  size_t addresses = static_cast<size_t>(std::unique(given.begin(), given.end()) - given.begin());
  if (static_cast<size_t>(total) != addresses) return "records do not hold each address given once";
  if (status != (runs > 0 ? 1 : 0)) return "records' status disagrees with their overlap lines";
  std::string closing = runs > 0 ? "Nb chevauchements : " + std::to_string(runs) + "\n" : "";
  if (!err.text().ends_with(closing) || countLines(err.text()) != runs + (runs > 0)) return "overlap count wrong";
  return {};
}

}  // namespace

std::string checkFormats(const formats::ObjectCode& code) {
  MemoryStream sums;
  if (formats::printSums(code, sums.file(), {}) != 0) return "sums failed";
  if (countLines(sums.text()) != 2 + static_cast<size_t>(code.imageCount()) + code.sections().size())
    return "sums has the wrong number of rows";
  // Each format once and each placement once: the placement does not depend on the format.
  if (std::string why = checkRecords(code, formats::RecordFormat::IntelHex, false); !why.empty()) return why;
  return checkRecords(code, formats::RecordFormat::SRecord, true);
}

}  // namespace romlift
