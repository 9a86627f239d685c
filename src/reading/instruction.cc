#include "reading/instruction.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "isa/intel8080.h"
#include "reading/operands.h"

namespace romlift::reading {
namespace {

using isa::InstructionRow;
using isa::Regs;

constexpr Cost kMnemonicSlack = 8;  // mnemonics this much further than the nearest are still tried
constexpr size_t kValues = 10;      // readings of an immediate value tried per instruction
constexpr size_t kListedBytes = 3;  // the object code a listing line prints

struct RegChoice {
  std::string text;
  int bits;
};

const std::vector<RegChoice>& regChoices(Regs regs) {
  static const std::array<std::vector<RegChoice>, 8> kTables = [] {
    std::array<std::vector<RegChoice>, 8> t;
    const char* names = "BCDEHLMA";
    t[static_cast<int>(Regs::kNone)] = {{"", 0}};
    for (int d = 0; d < 8; ++d) {
      t[static_cast<int>(Regs::kDst)].push_back({std::string(1, names[d]), 8 * d});
      t[static_cast<int>(Regs::kSrc)].push_back({std::string(1, names[d]), d});
      for (int s = 0; s < 8; ++s)
        if (d != 6 || s != 6) t[static_cast<int>(Regs::kDstSrc)].push_back({std::string{names[d], ',', names[s]}, 8 * d + s});
    }
    t[static_cast<int>(Regs::kPairSp)] = {{"B", 0}, {"D", 16}, {"H", 32}, {"SP", 48}};
    t[static_cast<int>(Regs::kPairPsw)] = {{"B", 0}, {"D", 16}, {"H", 32}, {"PSW", 48}};
    t[static_cast<int>(Regs::kPairBD)] = {{"B", 0}, {"D", 16}};
    for (int n = 0; n < 8; ++n) t[static_cast<int>(Regs::kRst)].push_back({std::string(1, static_cast<char>('0' + n)), 8 * n});
    return t;
  }();
  return kTables[static_cast<int>(regs)];
}

bool quoteLike(char c) { return c == '\'' || c == '"' || c == '`'; }

bool separatorLike(char c) { return c == ',' || c == '.' || c == ';' || c == ':'; }

std::string trimmed(std::string_view s) {
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

// The readings of the object code's digits from `from` (two a byte) as a value of `bytes`
// bytes, low byte first, cheapest first.
std::vector<std::pair<uint16_t, Cost>> objectValues(std::string_view object, size_t from, size_t bytes) {
  std::vector<std::pair<uint32_t, Cost>> beam{{0, 0}};
  if (object.size() < from + 2 * bytes) return {};
  for (size_t i = 0; i < 2 * bytes; ++i) {
    std::vector<std::pair<uint32_t, Cost>> next;
    size_t shift = 8 * (i / 2) + (i % 2 == 0 ? 4 : 0);
    for (const Glyph& r : readingsOf(object[from + i], Alphabet::Hex)) {
      uint32_t digit = r.c <= '9' ? static_cast<uint32_t>(r.c - '0') : static_cast<uint32_t>(r.c - 'A' + 10);
      for (auto [v, c] : beam) next.push_back({v | digit << shift, c + r.cost});
    }
    std::stable_sort(next.begin(), next.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    if (next.size() > kValues) next.resize(kValues);
    beam = std::move(next);
  }
  std::vector<std::pair<uint16_t, Cost>> out;
  for (auto [v, c] : beam) out.push_back({static_cast<uint16_t>(v), c});
  return out;
}

void addUnique(std::vector<Writing>& into, std::vector<Writing> more) {
  for (Writing& w : more) {
    auto same = std::find_if(into.begin(), into.end(), [&](const Writing& x) { return x.text == w.text; });
    if (same == into.end()) into.push_back(std::move(w));
  }
}

class Reader {
 public:
  explicit Reader(const InstructionQuery& q) : q_(q), operands_(q.names ? *q.names : kNoNames, q.scope, q.address, q.guessing) {}

  std::vector<Instruction> run(size_t max) {
    Cost best = kNever;
    std::vector<std::pair<const InstructionRow*, Cost>> rows = mnemonics(best);
    for (auto [row, cm] : rows) instruction(*row, cm);
    // A DB or DW only when its mnemonic reads about as well as the nearest instruction's.
    for (auto [name, words] : {std::pair<std::string_view, bool>{"DB", false}, {"DW", true}}) {
      Cost cm = channelCost(name, q_.mnemonic, q_.limit);
      if (cm <= best + kMnemonicSlack) data(name, words, cm);
    }
    std::stable_sort(out_.begin(), out_.end(), [](const Instruction& a, const Instruction& b) { return a.cost < b.cost; });
    if (out_.size() > max) out_.resize(max);
    return out_;
  }

 private:
  // The instructions whose mnemonic reads nearest, and the best reading's cost, DB and DW counted.
  std::vector<std::pair<const InstructionRow*, Cost>> mnemonics(Cost& best) const {
    std::vector<std::pair<const InstructionRow*, Cost>> rows;
    best = std::min(channelCost("DB", q_.mnemonic, q_.limit), channelCost("DW", q_.mnemonic, q_.limit));
    for (const InstructionRow& row : isa::intel8080Rows()) {
      Cost c = channelCost(row.mnemonic, q_.mnemonic, q_.limit);
      if (c > q_.limit) continue;
      rows.push_back({&row, c});
      best = std::min(best, c);
    }
    std::erase_if(rows, [best](const auto& r) { return r.second > best + kMnemonicSlack; });
    return rows;
  }

  // The value part of a register-and-value operand as read: after its comma.
  std::string valuePart(std::string_view operand, bool afterRegister) const {
    if (!afterRegister) return trimmed(operand);
    for (size_t i = 0; i < operand.size(); ++i)
      if (separatorLike(operand[i])) return trimmed(operand.substr(i + 1));
    return trimmed(operand.substr(std::min<size_t>(operand.size(), 1)));
  }

  std::vector<Writing> immediates(std::string_view read, size_t bytes) const {
    std::vector<Writing> w = operands_.values(read, q_.limit, kValues);
    for (auto [v, c] : objectValues(q_.object, 2, bytes)) addUnique(w, operands_.writingsOf(v, read, q_.limit));
    if (bytes == 1) std::erase_if(w, [](const Writing& x) { return x.value > 0xFF && x.value < 0xFF80; });
    return w;
  }

  void instruction(const InstructionRow& row, Cost cm) {
    bool hasValue = row.length > 1;
    bool hasRegs = row.regs != Regs::kNone;
    std::vector<Writing> values{{"", 0, 0}};
    if (hasValue) values = immediates(valuePart(q_.operand, hasRegs), row.length - 1u);
    for (const RegChoice& r : regChoices(row.regs)) {
      for (const Writing& v : values) {
        std::string operand = r.text;
        if (hasValue) operand += (hasRegs ? "," : "") + v.text;
        Cost co = channelCost(operand, q_.operand, q_.limit - cm);
        if (cm + co > q_.limit) continue;
        uint8_t bytes[3] = {static_cast<uint8_t>(row.opcode + r.bits), static_cast<uint8_t>(v.value),
                            static_cast<uint8_t>(v.value >> 8)};
        emit(hexBytes(bytes, row.length), std::string(row.mnemonic), std::move(operand), row.length, cm + co, v.named);
      }
    }
  }

  // A DB or DW line's items: each read as an expression, or for DB as a quoted string, or as
  // what the object code says its first bytes are.
  void data(std::string_view mnemonic, bool words, Cost cm) {
    if (cm > q_.limit) return;
    std::vector<std::string_view> items = operandItems(q_.operand);
    struct Partial {
      std::string text;
      std::vector<uint8_t> bytes;
      Cost cost;
      bool named;
    };
    std::vector<Partial> partial{{"", {}, cm, false}};
    for (size_t k = 0; k < items.size(); ++k) {
      std::string item = trimmed(items[k]);
      std::vector<Partial> next;
      for (const Partial& p : partial) {
        size_t at = p.bytes.size();
        for (auto& [text, bytes, cost, named] : itemReadings(item, at, words)) {
          if (p.cost + cost > q_.limit) continue;
          Partial n{p.text + (k ? "," : "") + text, p.bytes, p.cost + cost, p.named || named};
          n.bytes.insert(n.bytes.end(), bytes.begin(), bytes.end());
          next.push_back(std::move(n));
        }
      }
      std::stable_sort(next.begin(), next.end(), [](const Partial& a, const Partial& b) { return a.cost < b.cost; });
      if (next.size() > kValues) next.resize(kValues);
      partial = std::move(next);
    }
    for (Partial& p : partial) {
      if (p.bytes.empty() || p.bytes.size() > kListedBytes) continue;
      emit(hexBytes(p.bytes.data(), p.bytes.size()), std::string(mnemonic), std::move(p.text),
           static_cast<uint8_t>(p.bytes.size()), p.cost, p.named);
    }
  }

  struct ItemReading {
    std::string text;
    std::vector<uint8_t> bytes;
    Cost cost;
    bool named = false;
  };
  std::vector<ItemReading> itemReadings(const std::string& item, size_t at, bool words) const {
    std::vector<ItemReading> out;
    size_t width = words ? 2 : 1;
    std::vector<Writing> w = operands_.values(item, q_.limit, kValues);
    for (auto [v, c] : objectValues(q_.object, 2 * at, width)) addUnique(w, operands_.writingsOf(v, item, q_.limit));
    for (const Writing& x : w) {
      if (!words && x.value > 0xFF && x.value < 0xFF80) continue;
      std::vector<uint8_t> bytes{static_cast<uint8_t>(x.value)};
      if (words) bytes.push_back(static_cast<uint8_t>(x.value >> 8));
      out.push_back({x.text, bytes, x.cost, x.named});
    }
    if (!words && item.size() >= 3 && quoteLike(item.front()) && quoteLike(item.back())) {
      // A string read between marks that look like quotes: its characters as read.
      std::vector<uint8_t> bytes(item.begin() + 1, item.end() - 1);
      if (std::optional<Writing> s = operands_.stringOf(bytes, item, q_.limit)) out.push_back({s->text, bytes, s->cost});
    }
    if (!words) {
      for (size_t n = 2; n + at <= kListedBytes; ++n) {
        std::vector<uint8_t> bytes;
        for (size_t k = 0; k < n; ++k) {
          std::vector<std::pair<uint16_t, Cost>> b = objectValues(q_.object, 2 * (at + k), 1);
          if (b.empty()) break;
          bytes.push_back(static_cast<uint8_t>(b[0].first));
        }
        if (bytes.size() != n) continue;
        if (std::optional<Writing> s = operands_.stringOf(bytes, item, q_.limit)) out.push_back({s->text, bytes, s->cost});
      }
    }
    return out;
  }

  void emit(std::string object, std::string mnemonic, std::string operand, uint8_t length, Cost text, bool named) {
    Cost c = text + channelCost(object, q_.object, q_.limit);
    if (c > q_.limit) return;
    out_.push_back({std::move(object), std::move(mnemonic), std::move(operand), length, c, text, named});
  }

  static const Names kNoNames;
  const InstructionQuery& q_;
  OperandReader operands_;
  std::vector<Instruction> out_;
};

const Names Reader::kNoNames;

}  // namespace

std::string hexBytes(const uint8_t* bytes, size_t n) {
  std::string out;
  char pair[4];
  for (size_t i = 0; i < n && i < kListedBytes; ++i) {
    std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
    out += pair;
  }
  return out;
}

std::optional<Instruction> disassemble(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return std::nullopt;
  for (const InstructionRow& row : isa::intel8080Rows()) {
    if (row.length != bytes.size()) continue;
    for (const RegChoice& r : regChoices(row.regs)) {
      if (static_cast<uint8_t>(row.opcode + r.bits) != bytes[0]) continue;
      std::string operand = r.text;
      if (row.length > 1) {
        unsigned value = bytes[1] | (row.length == 3 ? static_cast<unsigned>(bytes[2]) << 8 : 0u);
        char digits[8];
        std::snprintf(digits, sizeof digits, "%0*X", row.length == 3 ? 4 : 2, value);
        std::string number = (digits[0] > '9' ? "0" : "") + std::string(digits) + "H";
        operand += (operand.empty() ? "" : ",") + number;
      }
      return Instruction{hexBytes(bytes.data(), bytes.size()), std::string(row.mnemonic), operand, row.length, 0, 0, false};
    }
  }
  return std::nullopt;
}

int lengthOf(std::string_view mnemonic) {
  int length = 0;
  for (const InstructionRow& row : isa::intel8080Rows()) {
    if (row.mnemonic != mnemonic) continue;
    if (length != 0 && length != row.length) return 0;
    length = row.length;
  }
  return length;
}

bool givesBytes(std::string_view mnemonic) {
  if (mnemonic == "DB" || mnemonic == "DW") return true;
  for (const InstructionRow& row : isa::intel8080Rows())
    if (row.mnemonic == mnemonic) return true;
  return false;
}

std::vector<Instruction> readInstruction(const InstructionQuery& q, size_t max) { return Reader(q).run(max); }

}  // namespace romlift::reading
