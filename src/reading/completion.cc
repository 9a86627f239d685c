// Body::completed and Body::spokenByObject: code lines whose instruction text is written from
// the object code, because OCR left nothing else to read it from.
#include <algorithm>

#include "reading/body.h"
#include "reading/glyphs.h"
#include "reading/instruction.h"
#include "reading/layout.h"
#include "reading/words.h"
#include "scanner/rules.h"

namespace romlift::reading {
namespace {

bool allHex(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return holds(Alphabet::Hex, c); });
}

std::vector<uint8_t> bytesOf(const std::string& digits) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

}  // namespace

std::string Body::writtenFrom(const NumberedLine& n, const std::string& label, const Instruction& ins) const {
  LineParts p;
  p.number = n.number;
  p.address = hex4(*n.address);
  p.object = ins.object;
  p.label = wellFormedName(label) ? label : std::string();
  p.mnemonic = ins.mnemonic;
  p.operand = ins.operand;
  p.comment = n.f.comment;
  std::string text = layOut(p);
  return isCodeToken(tokenOf(text)) ? text : std::string();
}

std::string Body::completed(const NumberedLine& n, const std::string& label) const {
  const NumberedFields& f = n.f;
  if (!f.mnemonic.empty() || !f.operand.empty() || !f.comment.empty() || !n.address) return {};
  // The rest may stand on the next line, split off rather than lost: joining it back is the
  // corrections' business.
  if (n.line + 1 < text_.size()) {
    std::string_view next = text_[n.line + 1];
    bool blank = next.find_first_not_of(' ') == std::string_view::npos;
    if (!blank && !next.starts_with("PAGE") && !holds(Alphabet::Digit, next[0])) return {};
  }
  std::string digits = withoutBlanks(f.object);
  if (digits.empty() || digits.size() % 2 != 0 || digits.size() > 6 || !allHex(digits)) return {};
  std::vector<uint8_t> bytes = bytesOf(digits);
  std::optional<Instruction> ins = disassemble(bytes);
  // The run must say the line gives as many bytes as its object code shows; a word read where
  // the label stands that is the very mnemonic may be that mnemonic a column off, not a label.
  if (!ins || n.span != static_cast<int>(bytes.size()) || label == ins->mnemonic) return {};
  return writtenFrom(n, label, *ins);
}

std::string Body::spokenByObject(const NumberedLine& n, const std::string& label) const {
  const NumberedFields& f = n.f;
  // An operand of two words may hold a comment or a line run into it: not garbled alone.
  if (withoutBlanks(f.operand).size() != f.operand.size()) return {};
  // Nor one that ends on the next line's number: that line was run into it, and is to be split.
  if (n.number >= 0 && f.operand.size() > 3 && std::string_view(f.operand).ends_with(number3((n.number + 1) % 1000)))
    return {};
  std::string mnemonic = withoutSpecks(f.mnemonic), operand = withoutSpecks(f.operand);
  std::string digits = withoutSpecks(f.object);
  if (!n.address || n.span < 2 || digits.size() != 2 * static_cast<size_t>(n.span) || mnemonic == "DB" ||
      mnemonic == "DW" || isCodeToken(tokenOf(text_[n.line])))
    return {};
  // Every digit of the value as printed; only the opcode may have a character no hex digit is,
  // which the mnemonic and the register as read then tell.
  if (!allHex(std::string_view(digits).substr(2))) return {};
  std::optional<Instruction> found;
  for (unsigned opcode = 0; opcode < 256; ++opcode) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char high = kDigits[opcode >> 4], low = kDigits[opcode & 15];
    if ((holds(Alphabet::Hex, digits[0]) && digits[0] != high) || (holds(Alphabet::Hex, digits[1]) && digits[1] != low))
      continue;
    std::string object = digits;
    object[0] = high;
    object[1] = low;
    std::optional<Instruction> ins = disassemble(bytesOf(object));
    if (!ins || ins->mnemonic != mnemonic) continue;
    size_t comma = ins->operand.find(',');
    std::string_view reg = comma == std::string::npos ? std::string_view() : std::string_view(ins->operand).substr(0, comma);
    if (!operand.starts_with(reg)) continue;
    // A name stands for a value that the listing may define where OCR lost it: not garbled.
    std::string_view rest = std::string_view(operand).substr(reg.size());
    if (rest.starts_with(',')) rest.remove_prefix(1);
    if (wellFormedName(rest)) return {};
    if (found) return {};
    found = std::move(ins);
  }
  if (!found || label == found->mnemonic) return {};
  return writtenFrom(n, label, *found);
}

std::string Body::withRunFields(const NumberedLine& n, const std::string& label) const {
  const NumberedFields& f = n.f;
  std::string digits = withoutSpecks(f.object), mnemonic = withoutSpecks(f.mnemonic);
  if (!n.address || n.span < 1 || digits.size() != 2 * static_cast<size_t>(n.span) || !allHex(digits) ||
      (mnemonic != "DB" && mnemonic != "DW") || (!f.label.empty() && !wellFormedName(label)) ||
      isCodeToken(tokenOf(text_[n.line])))
    return {};
  // One word, and no line number in it: an operand that may hold the next line run into it is
  // not kept.
  size_t digitRun = 0;
  for (char c : f.operand) {
    digitRun = c >= '0' && c <= '9' ? digitRun + 1 : 0;
    if (digitRun == kNumberWidth || c == ' ') return {};
  }
  LineParts p;
  p.number = n.number;
  p.address = hex4(*n.address);
  p.object = digits;
  p.label = label;
  p.mnemonic = mnemonic;
  p.operand = f.operand;
  p.comment = f.comment;
  std::string text = layOut(p);
  return isCodeToken(tokenOf(text)) ? text : std::string();
}

}  // namespace romlift::reading
