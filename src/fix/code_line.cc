#include "fix/code_line.h"

#include <algorithm>

#include "isa/instruction_set.h"
#include "isa/intel8080.h"
#include "verify/judgement.h"

namespace romlift::fix {
namespace {


bool isInstruction(std::string_view mnemonic) {
  auto rows = isa::intel8080Rows();
  return std::any_of(rows.begin(), rows.end(), [&](const isa::InstructionRow& r) { return r.mnemonic == mnemonic; });
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
  isa::SourceLine source{fields.mnemonic, fields.operand, f.value};
  // First with every name known: what fails then is the operand's own form.
  isa::Expected form = kSet->expected(source, AnyLabel());
  if (form.verdict == isa::Verdict::kUnknownMnemonic) return CodeVerdict::UnknownMnemonic;
  bool data = fields.mnemonic == "DB" || fields.mnemonic == "DW";
  bool wellFormed = form.verdict == isa::Verdict::kExpected && form.operandKnown;
  if (!wellFormed) return isInstruction(fields.mnemonic) || data ? CodeVerdict::BadOperand : CodeVerdict::NotCheckable;
  isa::Expected e = kSet->expected(source, labels);
  if (e.verdict != isa::Verdict::kExpected) return CodeVerdict::UnknownLabel;
  // The bytes are judged as verify judges them.
  verify::Finding finding;
  verify::Judgement j = verify::judge(e, verify::shownCode(text.data()), finding);
  if (j.error) return std::min<size_t>(e.length, verify::kShownBytes) != f.bytes ? CodeVerdict::WrongLength : CodeVerdict::WrongBytes;
  return e.operandKnown ? CodeVerdict::Good : CodeVerdict::UnknownLabel;
}

CodeVerdict checkEqu(std::string_view text, const LineFacts& f, const isa::LabelResolver& labels) {
  std::string_view operand = equOperand(text);
  if (operand.find('$') != std::string_view::npos) return CodeVerdict::NotCheckable;  // here is not printed
  if (!isa::evaluate(operand, std::nullopt, AnyLabel())) return CodeVerdict::BadOperand;
  std::optional<uint16_t> v = isa::evaluate(operand, std::nullopt, labels);
  if (!v) return CodeVerdict::UnknownLabel;
  return *v == f.value ? CodeVerdict::Good : CodeVerdict::WrongBytes;
}

}  // namespace romlift::fix
