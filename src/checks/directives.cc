#include "checks/directives.h"

#include "bytes/charclass.h"
#include "isa/value.h"
#include "scanner/rules.h"

namespace romlift {
namespace {

constexpr std::string_view kEqu = "EQU";
constexpr std::string_view kDs = "DS";

bool blanks(std::string_view s, size_t from, size_t to) {
  return s.size() >= to && s.substr(from, to - from).find_first_not_of(' ') == std::string_view::npos;
}

// The non-blank run at column `at`, or an empty view when the column holds a blank.
std::string_view wordAt(std::string_view s, size_t at) {
  if (at >= s.size()) return {};
  size_t end = s.find(' ', at);
  return s.substr(at, (end == std::string_view::npos ? s.size() : end) - at);
}

unsigned hexDigits(std::string_view s) {
  unsigned v = 0;
  for (char c : s) v = v * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
  return v;
}

class Constants final : public isa::LabelResolver {
 public:
  explicit Constants(const std::unordered_map<std::string, uint16_t>& map) : map_(map) {}
  std::optional<uint16_t> value(std::string_view label) const override {
    auto it = map_.find(std::string(label));
    return it == map_.end() ? std::nullopt : std::optional<uint16_t>(it->second);
  }

 private:
  const std::unordered_map<std::string, uint16_t>& map_;
};

}  // namespace

std::optional<Directive> DirectiveReader::read(int lineno, PaddedText text) {
  std::string_view line(text.text, text.len);
  if (line.size() <= col::kOperand || line[kNumberWidth] != ' ' ||
      !blanks(line, col::kAddress + kAddressWidth, col::kLabel))
    return std::nullopt;
  for (size_t i = 0; i < kNumberWidth; ++i)
    if (!isDigit(line[i])) return std::nullopt;
  for (size_t i = col::kAddress; i < col::kAddress + kAddressWidth; ++i)
    if (!isHex(line[i])) return std::nullopt;
  std::string_view label = wordAt(line, col::kLabel);
  if (label.size() > kMaxLabel || (!label.empty() && !isLetter(label[0])) ||
      !blanks(line, col::kLabel + label.size(), col::kMnemonic))
    return std::nullopt;
  std::string_view mnemonic = wordAt(line, col::kMnemonic);
  if ((mnemonic != kEqu && mnemonic != kDs) || (mnemonic == kEqu && label.empty()) ||
      !blanks(line, col::kMnemonic + mnemonic.size(), col::kOperand))
    return std::nullopt;
  std::string_view operand = wordAt(line, col::kOperand);
  if (operand.empty()) return std::nullopt;

  Directive d;
  d.kind = mnemonic == kEqu ? Directive::Kind::Equ : Directive::Kind::Ds;
  d.lineno = lineno;
  d.value = static_cast<uint16_t>(hexDigits(line.substr(col::kAddress, kAddressWidth)));
  d.label = ShortText(std::string(label).c_str());
  if (d.kind == Directive::Kind::Equ) {
    constants_[std::string(label)] = d.value;
  } else {
    d.size = isa::evaluate(operand, d.value, Constants(constants_));
  }
  return d;
}

void DirectiveLog::page(int lineno, const char* seg) {
  pages_.push_back({seg, lineno});
  reader_.newPage();
  rejecting_ = false;
}

void DirectiveLog::skippedLine(int lineno, PaddedText line) {
  if (rejecting_) return;
  std::optional<Directive> d = reader_.read(lineno, line);
  if (d && !pages_.empty()) entries_.push_back({*d, pages_.size() - 1});
}

}  // namespace romlift
