#include "fix/layout_rewrite.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "checks/outside_layout.h"
#include "fix/snapshot.h"
#include "isa/instruction_set.h"
#include "reading/instruction.h"
#include "reading/layout.h"
#include "scanner/rules.h"

namespace romlift::fix {
namespace {

constexpr size_t kPieceBytes = 3;

struct Piece {
  std::string mnemonic, operand;
  std::vector<uint8_t> bytes;
};

// A number as the listing's assembler writes it, shortest: decimal below ten, else hex with a
// leading 0 when it starts with a letter.
std::string numberText(unsigned v) {
  char text[8];
  std::snprintf(text, sizeof text, v < 10 ? "%u" : "%XH", v);
  return (text[0] > '9' ? "0" : "") + std::string(text);
}

// The DB operand of some bytes: a quoted string when the line wrote one and each byte is a
// character that no layout's operand refuses, else the numbers.
std::string dataOperand(const std::vector<uint8_t>& bytes, bool quoted) {
  bool text = quoted && std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b > ' ' && b < 0x7F && b != '\'' && b != '"'; });
  std::string out;
  if (text) {
    out += '\'';
    for (uint8_t b : bytes) out += static_cast<char>(b);
    return out += '\'';
  }
  for (uint8_t b : bytes) {
    if (!out.empty()) out += ',';
    out += numberText(b);
  }
  return out;
}

// The line's bytes as lines that the layout holds: a DB as many bytes to a line as fit, a DW a
// word to a line, an instruction with its operand's value. Nothing when there is no such way.
std::vector<Piece> piecesOf(const OutsideLine& l, const std::vector<uint8_t>& bytes) {
  std::vector<Piece> out;
  if (l.mnemonic == "DB") {
    bool quoted = l.operand.find_first_of("'\"") != std::string_view::npos;
    for (size_t at = 0; at < bytes.size();) {
      for (size_t n = std::min(kPieceBytes, bytes.size() - at); n > 0; --n) {
        std::vector<uint8_t> chunk(bytes.begin() + static_cast<ptrdiff_t>(at), bytes.begin() + static_cast<ptrdiff_t>(at + n));
        std::string operand = dataOperand(chunk, quoted);
        if (operand.size() <= kMaxOperand || n == 1) {
          out.push_back({"DB", operand, chunk});
          at += n;
          break;
        }
      }
    }
  } else if (l.mnemonic == "DW") {
    if (bytes.size() % 2 != 0) return {};
    for (size_t at = 0; at < bytes.size(); at += 2)
      out.push_back({"DW", numberText(bytes[at] | static_cast<unsigned>(bytes[at + 1]) << 8), {bytes[at], bytes[at + 1]}});
  } else {
    std::optional<reading::Instruction> ins = reading::disassemble(bytes);
    if (!ins || ins->mnemonic != l.mnemonic) return {};
    out.push_back({ins->mnemonic, ins->operand, bytes});
  }
  return out;
}

// The bytes of the line's object code, when its operand gives exactly them.
std::optional<std::vector<uint8_t>> checkedBytes(const OutsideLine& l, const isa::LabelResolver& names) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < l.object.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(std::string(l.object.substr(i, 2)), nullptr, 16)));
  const isa::InstructionSet* set = isa::findInstructionSet(isa::kDefaultInstructionSet);
  isa::Expected e = set->expected({l.mnemonic, l.operand, l.address}, names);
  if (e.verdict != isa::Verdict::kExpected || !e.operandKnown || e.length != bytes.size() ||
      !std::equal(bytes.begin(), bytes.end(), e.bytes.begin()))
    return std::nullopt;
  return bytes;
}

std::string withoutBlanksOutsideQuotes(std::string_view operand) {
  std::string out;
  char quote = 0;
  for (char c : operand) {
    if (quote == 0 && (c == '\'' || c == '"')) quote = c;
    else if (c == quote) quote = 0;
    if (c != ' ' || quote != 0) out += c;
  }
  return out;
}

// True when the line is in the layout but for blanks outside quotes that it gives the same
// bytes without: OCR adds such blanks after a comma, and the reading of damage takes them out
// again, keeping the operand as printed.
bool addedBlanks(const OutsideLine& l, const std::vector<uint8_t>& bytes, const isa::LabelResolver& names) {
  if (l.reasons & OutsideLine::kOverThreeBytes) return false;
  std::string operand = withoutBlanksOutsideQuotes(l.operand);
  if (operand.size() > kMaxOperand || operand.find(' ') != std::string::npos) return false;
  OutsideLine tight = l;
  tight.operand = operand;
  std::optional<std::vector<uint8_t>> same = checkedBytes(tight, names);
  return same && *same == bytes;
}

// The lines for the pieces, each read by the scanner as a code line with the piece's bytes.
std::vector<std::string> linesOf(std::string_view number, const OutsideLine& l, const std::vector<Piece>& pieces) {
  const isa::InstructionSet* set = isa::findInstructionSet(isa::kDefaultInstructionSet);
  std::vector<std::string> out;
  uint16_t address = l.address;
  for (const Piece& p : pieces) {
    reading::LineParts parts;
    parts.number = std::stoi(std::string(number));
    parts.address = reading::hex4(address);
    parts.object = reading::hexBytes(p.bytes.data(), p.bytes.size());
    parts.label = out.empty() ? std::string(l.label) : std::string();
    parts.mnemonic = p.mnemonic;
    parts.operand = p.operand;
    parts.comment = out.empty() ? std::string(l.comment) : std::string();
    std::string text = reading::layOut(parts);
    isa::Expected e = set->expected({p.mnemonic, p.operand, address}, isa::NoLabels());
    if (!reading::isCodeToken(reading::tokenOf(text)) || e.length != p.bytes.size() ||
        !std::equal(p.bytes.begin(), p.bytes.end(), e.bytes.begin()))
      return {};
    out.push_back(std::move(text));
    address = static_cast<uint16_t>(address + p.bytes.size());
  }
  return out;
}

}  // namespace

std::vector<LayoutRewrite> layoutRewrites(const Listing& listing) {
  std::vector<size_t> outside;
  for (size_t i = 0; i < listing.readLines(); ++i)
    if (listing.editable(i) && readOutsideLayout(listing.readLine(i))) outside.push_back(i);
  if (outside.empty()) return {};
  // The labels the listing defines, for the operands that use them.
  Snapshot snap(listing);
  std::vector<LayoutRewrite> out;
  for (size_t i : outside) {
    std::string_view text = listing.readLine(i);
    std::optional<OutsideLine> l = readOutsideLayout(text);
    std::string_view number = text.substr(col::kNumber, kNumberWidth);
    if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    RangeResolver names(snap.index(), snap.facts().segmentText(snap.facts().lines[i]), nullptr);
    std::optional<std::vector<uint8_t>> bytes = checkedBytes(*l, names);
    if (!bytes || addedBlanks(*l, *bytes, names)) continue;
    std::vector<std::string> lines = linesOf(number, *l, piecesOf(*l, *bytes));
    if (lines.empty()) continue;
    out.push_back({Edit{i, 1, std::move(lines)}, l->address, l->reasons, bytes->size()});
  }
  return out;
}

std::string layoutMessage(const LayoutRewrite& r) {
  char text[48];
  std::snprintf(text, sizeof text, "adresse %04X : ", r.address);
  std::string out = text + reasonText(r.reasons) + " : ligne intacte, r\xC3\xA9\xC3\xA9" "crite dans le format avec ses " +
                    std::to_string(r.bytes) + (r.bytes > 1 ? " octets" : " octet");
  if (r.edit.lines.size() > 1) out += " en " + std::to_string(r.edit.lines.size()) + " lignes";
  return out;
}

}  // namespace romlift::fix
