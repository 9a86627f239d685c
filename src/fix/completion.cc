#include "fix/completion.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "bytes/charclass.h"
#include "checks/listing_text.h"
#include "fix/code_line.h"
#include "isa/instruction_set.h"
#include "isa/intel8080.h"
#include "scanner/rules.h"

namespace romlift::fix {
namespace {

std::string hexText(unsigned v, size_t digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*X", static_cast<int>(digits), v);
  std::string h = buf;
  return (h[0] > '9' ? "0" : "") + h + "H";
}

// Every opcode of the 8085, found by asking the instruction table for the code of each
// mnemonic with each register part it may take.
const std::array<Decoded, 256>& decoderTable() {
  static const std::array<Decoded, 256> kTable = [] {
    std::array<Decoded, 256> t{};
    const isa::InstructionSet& set = *isa::findInstructionSet(isa::kDefaultInstructionSet);
    std::vector<std::string> parts = {"", "SP", "PSW"};
    const std::string regs = "BCDEHLMA";
    for (char r : regs) parts.emplace_back(1, r);
    for (char r = '0'; r <= '7'; ++r) parts.emplace_back(1, r);
    for (char d : regs)
      for (char s : regs) parts.push_back(std::string{d, ',', s});
    for (const isa::InstructionRow& row : isa::intel8080Rows()) {
      for (const std::string& part : parts) {
        std::string operand = row.length == 1 ? part : part.empty() ? "0" : part + ",0";
        isa::Expected e = set.expected({row.mnemonic, operand, 0}, isa::NoLabels());
        if (e.verdict != isa::Verdict::kExpected || e.length != row.length || t[e.bytes[0]].length != 0) continue;
        t[e.bytes[0]] = Decoded{row.mnemonic, part, row.length};
      }
    }
    return t;
  }();
  return kTable;
}

// The names of the labels that give v to an operand of range seg: among those that some range
// gives that value, those that the operand takes it from.
std::vector<std::string> namesOf(const LabelIndex& index, const std::string& seg, unsigned v) {
  std::vector<std::string> out;
  for (const auto& [range, labels] : index.segments()) {
    for (const auto& [key, value] : labels.values) {
      if (value != v) continue;
      ShortText name;
      std::memcpy(name.text, &key, sizeof key);
      if (index.value(name.c_str(), seg, nullptr) == v) out.emplace_back(name.c_str());
    }
  }
  return out;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// A numbered line with its address readable, and something after it.
bool addressed(std::string_view text) { return printedAddress(text) && text.size() > col::kObject; }

}  // namespace

const Decoded& decoded(uint8_t opcode) { return decoderTable()[opcode]; }

std::vector<std::string> valueWritings(unsigned v) {
  std::vector<std::string> w = {hexText(v, 1), hexText(v, 2), hexText(v, 4), std::to_string(v),
                                std::to_string(v) + "D"};
  std::string bits;
  for (unsigned b = v; b != 0; b >>= 1) bits.insert(bits.begin(), static_cast<char>('0' + (b & 1)));
  w.push_back((bits.empty() ? "0" : bits) + "B");
  if (bits.size() < 8) w.push_back(std::string(8 - bits.size(), '0') + bits + "B");
  char octal[16];
  std::snprintf(octal, sizeof octal, "%o", v);
  w.push_back(std::string(octal) + "Q");
  w.push_back(std::string(octal) + "O");
  if (v >= 0x20 && v < 0x7F) w.push_back(v == '\'' ? "''''" : std::string{'\'', static_cast<char>(v), '\''});
  return w;
}

void completeCut(const Snapshot& snap, size_t i, const TextSink& emit) {
  std::string_view text = snap.listing().readLine(i);
  // What is left ends inside the mnemonic or the operand; the label field stands whole.
  if (!addressed(text) || text.size() <= col::kMnemonic || text.size() >= col::kComment) return;
  if (text.substr(col::kMnemonic - 2, 2) != "  ") return;
  uint8_t bytes[3] = {};
  size_t n = 0;
  for (size_t at = col::kObject; n < 3 && isHex(text[at]) && isHex(text[at + 1]); at += 2)
    bytes[n++] = static_cast<uint8_t>(hexValue(text.data() + at, 2));
  if (n == 0 || text[col::kObject + 2 * n] != ' ') return;
  const Decoded& d = decoded(bytes[0]);
  if (d.length != n) return;

  std::string_view rest = text.substr(col::kMnemonic);
  std::string_view mnemonic = rest.substr(0, rest.find(' '));
  std::string_view operand;
  if (size_t at = rest.find_first_not_of(' ', mnemonic.size()); at != std::string_view::npos) {
    operand = rest.substr(at);
    if (col::kMnemonic + at != col::kOperand || operand.find(' ') != std::string_view::npos) return;
  }
  if (!startsWith(d.mnemonic, mnemonic) || (mnemonic.size() < d.mnemonic.size() && !operand.empty())) return;
  // Data may give any bytes: what is left of a mnemonic that may be DB or DW tells nothing.
  if (startsWith("DB", mnemonic) || (n == 2 && startsWith("DW", mnemonic))) return;
  // A whole instruction as it stands (RP, whose code may be misread as RPE's) is not cut short.
  const isa::InstructionSet& set = *isa::findInstructionSet(isa::kDefaultInstructionSet);
  isa::SourceLine asRead{mnemonic, operand, 0};
  if (mnemonic != d.mnemonic && set.expected(asRead, AnyLabel()).verdict == isa::Verdict::kExpected) return;

  std::vector<std::string> options;
  if (n == 1) {
    options.push_back(d.regs);
  } else {
    // Nothing left of the value: a number has several writings, so no single completion.
    std::string head = d.regs.empty() ? "" : d.regs + ",";
    if (operand.size() <= head.size()) return;
    unsigned v = n == 2 ? bytes[1] : bytes[1] | unsigned{bytes[2]} << 8;
    char first = operand[head.size()];
    bool name = isa::isNameChar(first) && !isa::isDigit(first);
    std::vector<std::string> values =
        name ? namesOf(snap.index(), snap.facts().segmentText(snap.facts().lines[i]), v) : valueWritings(v);
    for (const std::string& w : values) options.push_back(head + w);
  }
  std::sort(options.begin(), options.end());
  options.erase(std::unique(options.begin(), options.end()), options.end());
  const std::string* found = nullptr;
  for (const std::string& option : options) {
    if (option.size() > kMaxOperand || !startsWith(option, operand)) continue;
    if (option == operand && mnemonic == d.mnemonic) return;  // nothing is missing
    if (found != nullptr) return;
    found = &option;
  }
  if (found == nullptr) return;
  std::string line(text.substr(0, col::kMnemonic));
  line += d.mnemonic;
  if (!found->empty()) {
    line.resize(col::kOperand, ' ');
    line += *found;
  }
  emit(std::move(line));
}

void deriveObjectCode(const Snapshot& snap, size_t i, const TextSink& emit) {
  std::string_view text = snap.listing().readLine(i);
  if (!addressed(text) || text.size() <= col::kMnemonic || text.substr(col::kMnemonic - 2, 2) != "  ") return;
  // The object column as it was read: a readable one is judged by the look-alikes, not here.
  std::string_view shown = text.substr(col::kObject, col::kLabel - col::kObject);
  shown = shown.substr(0, shown.find(' '));
  bool readable = !shown.empty() && shown.size() % 2 == 0 && shown.size() <= 6 &&
                  std::all_of(shown.begin(), shown.end(), isHex);
  if (readable) return;
  // The label, then the mnemonic at its column and the operand at its own, as printed.
  std::string_view label = text.substr(col::kLabel, col::kMnemonic - col::kLabel);
  label = label.substr(0, label.find(' '));
  if (label.size() > kMaxLabel || text.substr(col::kLabel + label.size(), col::kMnemonic - col::kLabel - label.size())
                                           .find_first_not_of(' ') != std::string_view::npos)
    return;
  std::string_view rest = text.substr(col::kMnemonic);
  std::string_view mnemonic = rest.substr(0, rest.find(' '));
  if (mnemonic.size() < 2 || mnemonic.size() > 4 || !std::all_of(mnemonic.begin(), mnemonic.end(), isUpper)) return;
  std::string_view operand;
  if (rest.size() > col::kOperand - col::kMnemonic && rest.substr(mnemonic.size(), col::kOperand - col::kMnemonic - mnemonic.size())
                                                          .find_first_not_of(' ') == std::string_view::npos) {
    operand = rest.substr(col::kOperand - col::kMnemonic);
    operand = operand.substr(0, operand.find(' '));
  }
  const std::string seg = snap.facts().segmentText(snap.facts().lines[i]);
  uint16_t address = *printedAddress(text);
  const isa::InstructionSet& set = *isa::findInstructionSet(isa::kDefaultInstructionSet);
  RangeResolver labels(snap.index(), seg, nullptr);
  // The line with the operand as `reading` and the object code it gives, if the digits that
  // can still be read are those derived, where they stand.
  auto derived = [&](const std::string& reading) -> std::optional<std::string> {
    isa::Expected e = set.expected({mnemonic, reading, address}, labels);
    if (e.verdict != isa::Verdict::kExpected || !e.operandKnown || e.length == 0 || e.length > 3 ||
        shown.size() > 2 * size_t{e.length})
      return std::nullopt;
    std::string line(text.substr(0, col::kObject));
    char hex[3];
    for (size_t k = 0; k < e.length; ++k) {
      std::snprintf(hex, sizeof hex, "%02X", e.bytes[k]);
      line += hex;
    }
    for (size_t k = 0; k < shown.size(); ++k)
      if (isHex(shown[k]) && shown[k] != line[col::kObject + k]) return std::nullopt;
    line.resize(col::kLabel, ' ');
    line += text.substr(col::kLabel);
    if (!reading.empty()) line.replace(col::kOperand, reading.size(), reading);
    return line;
  };
  // The operand is only what was read: each reading of one of its characters as a look-alike
  // that gives bytes too is a correction as good, so that no derivation stands alone on it.
  std::string reading(operand);
  if (std::optional<std::string> line = derived(reading)) emit(std::move(*line));
  for (size_t k = 0; k < operand.size(); ++k) {
    for (char alt : readAs(operand[k])) {
      reading[k] = alt;
      if (std::optional<std::string> line = derived(reading)) emit(std::move(*line));
    }
    reading[k] = operand[k];
  }
}

}  // namespace romlift::fix
