#include "checks/outside_layout.h"

#include <algorithm>
#include <string>

#include "bytes/charclass.h"
#include "checks/listing_text.h"
#include "isa/instruction_set.h"
#include "scanner/rules.h"

namespace romlift {
namespace {

constexpr size_t kMaxObjectDigits = 6;  // three bytes

// The run of non-blank characters at column at.
std::string_view wordAt(std::string_view line, size_t at) {
  size_t end = std::min(line.find(' ', at), line.size());
  return line.substr(at, end - at);
}

size_t nonBlankFrom(std::string_view line, size_t at) { return std::min(line.find_first_not_of(' ', at), line.size()); }

// Where a field goes that follows a field ending at `after`: its column, or one blank after
// the field before when that runs long.
size_t fieldColumn(size_t column, size_t after) { return std::max(column, after + 1); }

bool allOf(std::string_view s, uint8_t cls) {
  return std::all_of(s.begin(), s.end(), [cls](char c) { return hasClass(c, cls); });
}

const isa::InstructionSet& intel8085() { return *isa::findInstructionSet("8085"); }

// A mnemonic of Intel's 8085 or one of its assembler's directives.
bool knownMnemonic(std::string_view word) {
  return intel8085().expected({word, {}, 0}, isa::NoLabels{}).verdict != isa::Verdict::kUnknownMnemonic;
}

// The operand without the blanks beside its commas outside quotes, as the 8085's table reads
// registers (MOV A, B).
std::string tightOperand(std::string_view operand) {
  std::string tight;
  for (size_t i = 0; i < operand.size(); ++i) {
    if (isa::isQuote(operand[i])) {
      size_t len = std::max<size_t>(isa::quotedLength(operand.substr(i)), 1);
      tight += operand.substr(i, len);
      i += len - 1;
    } else if (operand[i] != ' ' || (!tight.empty() && tight.back() != ',' &&
                                     operand.find_first_not_of(' ', i) != std::string_view::npos &&
                                     operand[operand.find_first_not_of(' ', i)] != ',')) {
      tight += operand[i];
    }
  }
  return tight;
}

// Whether an instruction that the 8085's table knows takes the operand and as many bytes as
// the line shows; true for what the table cannot tell (other mnemonics, data of unknown length).
bool fitsInstruction(const OutsideLine& l) {
  std::string operand = tightOperand(l.operand);
  isa::Expected e = intel8085().expected({l.mnemonic, operand, l.address}, isa::NoLabels{});
  if (e.verdict == isa::Verdict::kOtherForm) return false;
  return e.verdict != isa::Verdict::kExpected || e.length == l.bytes();
}

bool isMnemonic(std::string_view word) { return word.size() >= 2 && word.size() <= 4 && allOf(word, kUpper); }

// Reads the label and the mnemonic of a line whose object code ends before column `after`;
// returns the column after the mnemonic, or 0 when they do not stand at their columns.
size_t readLabelAndMnemonic(std::string_view line, size_t after, OutsideLine& l) {
  size_t first = nonBlankFrom(line, after);
  if (first == line.size()) return 0;
  size_t labelColumn = fieldColumn(col::kLabel, after);
  size_t bareColumn = fieldColumn(col::kMnemonic, after);
  std::string_view word = wordAt(line, first);
  // Past column 27 a label and a mnemonic would stand at the same place: the mnemonic is known.
  bool labelled = first == labelColumn && (labelColumn != bareColumn || !knownMnemonic(word));
  if (labelled) {
    if (!isLetter(word[0])) return 0;
    l.label = word;
    size_t mnemonicColumn = fieldColumn(col::kMnemonic, first + word.size());
    if (nonBlankFrom(line, first + word.size()) != mnemonicColumn) return 0;
    word = wordAt(line, mnemonicColumn);
    first = mnemonicColumn;
  } else if (first != bareColumn) {
    return 0;
  }
  if (!isMnemonic(word)) return 0;
  l.mnemonic = word;
  return first + word.size();
}

// Reads the operand and the comment after a mnemonic that ends before column `end`; false
// when what follows stands at no column of theirs.
bool readOperandAndComment(std::string_view line, size_t end, OutsideLine& l) {
  size_t next = nonBlankFrom(line, end);
  if (next == line.size()) return true;
  if (next == fieldColumn(col::kOperand, end)) {
    l.operand = line.substr(next, isa::operandLength(line.substr(next)));
    end = next + l.operand.size();
    next = nonBlankFrom(line, end);
    if (next == line.size()) return true;
    if (next != fieldColumn(col::kComment, end)) return false;
  } else if (next != fieldColumn(col::kComment, end)) {
    return false;
  }
  l.comment = line.substr(next, line.find_last_not_of(' ') + 1 - next);
  return true;
}

}  // namespace

std::optional<OutsideLine> readOutsideLayout(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  // A printed line holds no control character; OCR's tabs and stray bytes are damage.
  if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < ' '; }))
    return std::nullopt;
  if (line.size() <= col::kObject || !allOf(line.substr(0, kNumberWidth), kDigit) || line[kNumberWidth] != ' ' ||
      !allOf(line.substr(col::kAddress, kAddressWidth), kHex) || line[col::kObject - 1] != ' ')
    return std::nullopt;
  OutsideLine l;
  l.object = wordAt(line, col::kObject);
  if (l.object.empty() || l.object.size() % 2 != 0 || !allOf(l.object, kHex)) return std::nullopt;
  l.address = static_cast<uint16_t>(addressValue(line.data()));
  size_t end = readLabelAndMnemonic(line, col::kObject + l.object.size(), l);
  if (end == 0 || !readOperandAndComment(line, end, l)) return std::nullopt;
  if (l.operand.find(' ') != std::string_view::npos) l.reasons |= OutsideLine::kBlankInOperand;
  if (l.object.size() > kMaxObjectDigits) l.reasons |= OutsideLine::kOverThreeBytes;
  if (l.operand.size() > kMaxOperand) l.reasons |= OutsideLine::kLongOperand;
  // Damage also makes lines that no layout holds: two lines run together, a misread number.
  if (l.reasons == 0 || !isa::wellFormedOperand(l.operand) || !fitsInstruction(l)) return std::nullopt;
  return l;
}

std::string reasonText(uint8_t reasons) {
  static constexpr std::pair<uint8_t, const char*> kTexts[] = {
      {OutsideLine::kBlankInOperand, "blanc dans l'op\xC3\xA9rande"},
      {OutsideLine::kOverThreeBytes, "plus de 3 octets"},
      {OutsideLine::kLongOperand, "op\xC3\xA9rande de plus de 8 caract\xC3\xA8res"},
  };
  std::string text;
  for (auto [bit, words] : kTexts) {
    if (!(reasons & bit)) continue;
    if (!text.empty()) text += ", ";
    text += words;
  }
  return text;
}

}  // namespace romlift
