#include "fix/code_line.h"

#include <algorithm>

#include "fix/label_index.h"
#include "isa/instruction_set.h"
#include "isa/intel8080.h"

namespace romlift::fix {
namespace {

constexpr size_t kShownBytes = 3;  // a code line shows at most three bytes of object code
constexpr std::string_view kRegisterNames[] = {"A", "B", "C", "D", "E", "H", "L", "M", "SP", "PSW"};

bool isInstruction(std::string_view mnemonic) {
  auto rows = isa::intel8080Rows();
  return std::any_of(rows.begin(), rows.end(), [&](const isa::InstructionRow& r) { return r.mnemonic == mnemonic; });
}

// True when the operand names a label (not a register) that labels gives no value.
bool namesUnknownLabel(std::string_view operand, const isa::LabelResolver& labels) {
  for (std::string_view name : operandNames(operand)) {
    bool reg = std::find(std::begin(kRegisterNames), std::end(kRegisterNames), name) != std::end(kRegisterNames);
    if (!reg && !labels.value(name)) return true;
  }
  return false;
}

// The operand the directive's value column must equal, after its blanks.
std::string_view equOperand(std::string_view text) {
  if (text.size() <= col::kOperand) return {};
  std::string_view rest = text.substr(col::kOperand);
  return rest.substr(0, rest.find(' '));
}

}  // namespace

CodeFields fieldsOf(std::string_view text, const LineFacts& f) { return codeFields(text.data(), text.size(), f.token); }

CodeVerdict checkCode(std::string_view text, const LineFacts& f, const isa::LabelResolver& labels) {
  static const isa::InstructionSet* const kSet = isa::findInstructionSet(isa::kDefaultInstructionSet);
  CodeFields fields = fieldsOf(text, f);
  isa::Expected e = kSet->expected({fields.mnemonic, fields.operand, f.value}, labels);
  if (e.verdict == isa::Verdict::kUnknownMnemonic) return CodeVerdict::UnknownMnemonic;
  bool unknown = namesUnknownLabel(fields.operand, labels);
  if (e.verdict == isa::Verdict::kNotCheckable) {
    if (unknown) return CodeVerdict::UnknownLabel;
    bool data = fields.mnemonic == "DB" || fields.mnemonic == "DW";
    return isInstruction(fields.mnemonic) || (data && fields.operand.empty()) ? CodeVerdict::BadOperand
                                                                             : CodeVerdict::NotCheckable;
  }
  size_t shown = std::min<size_t>(e.length, kShownBytes);
  if (f.bytes != shown) return CodeVerdict::WrongLength;
  if (e.bytes[0] != f.object[0]) return CodeVerdict::WrongBytes;
  if (!e.operandKnown) return unknown ? CodeVerdict::UnknownLabel : CodeVerdict::NotCheckable;
  for (size_t k = 1; k < shown; ++k)
    if (e.bytes[k] != f.object[k]) return CodeVerdict::WrongBytes;
  return CodeVerdict::Good;
}

CodeVerdict checkEqu(std::string_view text, const LineFacts& f, const isa::LabelResolver& labels) {
  std::string_view operand = equOperand(text);
  std::optional<uint16_t> v = isa::evaluate(operand, std::nullopt, labels);
  if (!v) return namesUnknownLabel(operand, labels) ? CodeVerdict::UnknownLabel : CodeVerdict::NotCheckable;
  return *v == f.value ? CodeVerdict::Good : CodeVerdict::WrongBytes;
}

}  // namespace romlift::fix
