#include "isa/intel_data.h"

#include "isa/intel8080.h"

namespace romlift::isa {
namespace {

// DB accepts a byte written signed or unsigned: -128 to 255 (0FF80H to 0FFH).
constexpr uint16_t kLowestNegativeByte = 0xFF80;
constexpr uint16_t kHighestByte = 0xFF;

// End of the DB or DW item that starts at text[i]: the next comma outside quotes, or the end.
// npos when a quote is not closed.
size_t itemEnd(std::string_view text, size_t i) {
  while (i < text.size() && text[i] != ',') {
    if (!isQuote(text[i])) {
      ++i;
      continue;
    }
    size_t len = quotedLength(text.substr(i));
    if (len == 0) return std::string_view::npos;
    i += len;
  }
  return i;
}

// The item without the blanks that may stand around it (DB 011H, 0CAH).
std::string_view withoutBlanks(std::string_view item) {
  while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
  while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
  return item;
}

bool append(Expected& e, uint8_t byte) {
  if (e.length == kMaxExpectedBytes) return false;
  e.bytes[e.length++] = byte;
  return true;
}

// Appends the bytes of one DB item: a quoted string gives each of its characters, any other
// expression one byte. False when the item's bytes are not known for sure.
bool appendByteItem(Expected& e, std::string_view item, std::optional<uint16_t> here,
                    const LabelResolver& labels) {
  item = withoutBlanks(item);
  bool wholeString = !item.empty() && isQuote(item[0]) && quotedLength(item) == item.size();
  if (wholeString && item.size() > 2) {
    bool fits = true;
    forEachQuotedChar(item, [&](char c) { fits = fits && append(e, static_cast<uint8_t>(c)); });
    return fits;
  }
  std::optional<uint16_t> v = evaluate(item, here, labels);
  if (!v || (*v > kHighestByte && *v < kLowestNegativeByte)) return false;
  return append(e, static_cast<uint8_t>(*v));
}

bool appendWordItem(Expected& e, std::string_view item, std::optional<uint16_t> here,
                    const LabelResolver& labels) {
  std::optional<uint16_t> v = evaluate(item, here, labels);
  return v && append(e, static_cast<uint8_t>(*v)) && append(e, static_cast<uint8_t>(*v >> 8));
}

Expected dataBytes(bool words, const SourceLine& line, const LabelResolver& labels) {
  Expected e{Verdict::kExpected, true, 0, {}};
  std::string_view text = line.operand;
  for (size_t i = 0;; ++i) {
    size_t end = itemEnd(text, i);
    if (end == std::string_view::npos) return Expected::notCheckable();
    std::string_view item = text.substr(i, end - i);
    // Assemblers differ on what $ is after the first item: the line's address or the item's.
    std::optional<uint16_t> here;
    if (i == 0) here = line.address;
    bool ok = words ? appendWordItem(e, item, here, labels) : appendByteItem(e, item, here, labels);
    if (!ok) return Expected::notCheckable();
    if (end == text.size()) return e;
    i = end;
  }
}

}  // namespace

Expected intelDirective(uint32_t packedMnemonic, const SourceLine& line, const LabelResolver& labels) {
  switch (packedMnemonic) {
    case packMnemonic("DB"): return dataBytes(false, line, labels);
    case packMnemonic("DW"): return dataBytes(true, line, labels);
    case packMnemonic("DS"):
    case packMnemonic("EQU"):
    case packMnemonic("SET"):
    case packMnemonic("ORG"):
    case packMnemonic("END"): return Expected::notCheckable();
    default: return Expected::unknownMnemonic();
  }
}

}  // namespace romlift::isa
