#include "isa/intel8080.h"

#include <algorithm>

#include "isa/intel_data.h"

namespace romlift::isa {
namespace {

using R = Regs;

constexpr InstructionRow kRows[] = {
    {"NOP", R::kNone, 0x00, 1, false},     {"RLC", R::kNone, 0x07, 1, false},
    {"RRC", R::kNone, 0x0F, 1, false},     {"RAL", R::kNone, 0x17, 1, false},
    {"RAR", R::kNone, 0x1F, 1, false},     {"RIM", R::kNone, 0x20, 1, true},
    {"SIM", R::kNone, 0x30, 1, true},      {"DAA", R::kNone, 0x27, 1, false},
    {"CMA", R::kNone, 0x2F, 1, false},     {"STC", R::kNone, 0x37, 1, false},
    {"CMC", R::kNone, 0x3F, 1, false},     {"HLT", R::kNone, 0x76, 1, false},
    {"RET", R::kNone, 0xC9, 1, false},     {"XCHG", R::kNone, 0xEB, 1, false},
    {"XTHL", R::kNone, 0xE3, 1, false},    {"SPHL", R::kNone, 0xF9, 1, false},
    {"PCHL", R::kNone, 0xE9, 1, false},    {"DI", R::kNone, 0xF3, 1, false},
    {"EI", R::kNone, 0xFB, 1, false},
    {"RNZ", R::kNone, 0xC0, 1, false},     {"RZ", R::kNone, 0xC8, 1, false},
    {"RNC", R::kNone, 0xD0, 1, false},     {"RC", R::kNone, 0xD8, 1, false},
    {"RPO", R::kNone, 0xE0, 1, false},     {"RPE", R::kNone, 0xE8, 1, false},
    {"RP", R::kNone, 0xF0, 1, false},      {"RM", R::kNone, 0xF8, 1, false},
    {"JNZ", R::kNone, 0xC2, 3, false},     {"JZ", R::kNone, 0xCA, 3, false},
    {"JNC", R::kNone, 0xD2, 3, false},     {"JC", R::kNone, 0xDA, 3, false},
    {"JPO", R::kNone, 0xE2, 3, false},     {"JPE", R::kNone, 0xEA, 3, false},
    {"JP", R::kNone, 0xF2, 3, false},      {"JM", R::kNone, 0xFA, 3, false},
    {"CNZ", R::kNone, 0xC4, 3, false},     {"CZ", R::kNone, 0xCC, 3, false},
    {"CNC", R::kNone, 0xD4, 3, false},     {"CC", R::kNone, 0xDC, 3, false},
    {"CPO", R::kNone, 0xE4, 3, false},     {"CPE", R::kNone, 0xEC, 3, false},
    {"CP", R::kNone, 0xF4, 3, false},      {"CM", R::kNone, 0xFC, 3, false},
    {"JMP", R::kNone, 0xC3, 3, false},     {"CALL", R::kNone, 0xCD, 3, false},
    {"LDA", R::kNone, 0x3A, 3, false},     {"STA", R::kNone, 0x32, 3, false},
    {"LHLD", R::kNone, 0x2A, 3, false},    {"SHLD", R::kNone, 0x22, 3, false},
    {"ADI", R::kNone, 0xC6, 2, false},     {"ACI", R::kNone, 0xCE, 2, false},
    {"SUI", R::kNone, 0xD6, 2, false},     {"SBI", R::kNone, 0xDE, 2, false},
    {"ANI", R::kNone, 0xE6, 2, false},     {"XRI", R::kNone, 0xEE, 2, false},
    {"ORI", R::kNone, 0xF6, 2, false},     {"CPI", R::kNone, 0xFE, 2, false},
    {"IN", R::kNone, 0xDB, 2, false},      {"OUT", R::kNone, 0xD3, 2, false},
    {"MOV", R::kDstSrc, 0x40, 1, false},   {"MVI", R::kDst, 0x06, 2, false},
    {"INR", R::kDst, 0x04, 1, false},      {"DCR", R::kDst, 0x05, 1, false},
    {"ADD", R::kSrc, 0x80, 1, false},      {"ADC", R::kSrc, 0x88, 1, false},
    {"SUB", R::kSrc, 0x90, 1, false},      {"SBB", R::kSrc, 0x98, 1, false},
    {"ANA", R::kSrc, 0xA0, 1, false},      {"XRA", R::kSrc, 0xA8, 1, false},
    {"ORA", R::kSrc, 0xB0, 1, false},      {"CMP", R::kSrc, 0xB8, 1, false},
    {"LXI", R::kPairSp, 0x01, 3, false},   {"INX", R::kPairSp, 0x03, 1, false},
    {"DCX", R::kPairSp, 0x0B, 1, false},   {"DAD", R::kPairSp, 0x09, 1, false},
    {"PUSH", R::kPairPsw, 0xC5, 1, false}, {"POP", R::kPairPsw, 0xC1, 1, false},
    {"LDAX", R::kPairBD, 0x0A, 1, false},  {"STAX", R::kPairBD, 0x02, 1, false},
    {"RST", R::kRst, 0xC7, 1, false},
};

// Mnemonics are found by hashing their packed letters into a table of row numbers, with
// linear probing; the table is built at compile time.
constexpr unsigned kSlotBits = 8;
constexpr size_t kSlots = size_t{1} << kSlotBits;
constexpr uint8_t kEmptySlot = 0xFF;
static_assert(std::size(kRows) < kSlots / 2 && std::size(kRows) < kEmptySlot);

struct Slot {
  uint32_t key = 0;
  uint8_t row = kEmptySlot;
};

constexpr size_t slotOf(uint32_t key) { return (key * 0x9E3779B1u) >> (32 - kSlotBits); }

constexpr std::array<Slot, kSlots> buildSlots() {
  std::array<Slot, kSlots> slots{};
  for (size_t row = 0; row < std::size(kRows); ++row) {
    uint32_t key = packMnemonic(kRows[row].mnemonic);
    size_t s = slotOf(key);
    while (slots[s].row != kEmptySlot) s = (s + 1) % kSlots;
    slots[s] = Slot{key, static_cast<uint8_t>(row)};
  }
  return slots;
}
constexpr std::array<Slot, kSlots> kSlotTable = buildSlots();

constexpr int kNoRegister = -1;
constexpr int kMemory = 6;  // M, the byte at HL

int registerCode(std::string_view s) {
  if (s.size() != 1) return kNoRegister;
  switch (s[0]) {
    case 'B': return 0;
    case 'C': return 1;
    case 'D': return 2;
    case 'E': return 3;
    case 'H': return 4;
    case 'L': return 5;
    case 'M': return kMemory;
    case 'A': return 7;
    default: return kNoRegister;
  }
}

// B D H, then `fourth` (SP or PSW), as 0-3.
int pairCode(std::string_view s, std::string_view fourth) {
  if (s == "B") return 0;
  if (s == "D") return 1;
  if (s == "H") return 2;
  if (s == fourth) return 3;
  return kNoRegister;
}

int scaled(int code, int factor) { return code < 0 ? kNoRegister : code * factor; }

// Register fields of the opcode for the register part of a two-register operand "d,s", or
// of a one-register operand (then `rest` is what follows its comma).
int registerBits(Regs regs, std::string_view first, std::string_view rest) {
  switch (regs) {
    case R::kDstSrc: {
      int d = registerCode(first), s = registerCode(rest);
      if (d < 0 || s < 0 || (d == kMemory && s == kMemory)) return kNoRegister;
      return 8 * d + s;
    }
    case R::kDst: return scaled(registerCode(first), 8);
    case R::kSrc: return registerCode(first);
    case R::kPairSp: return scaled(pairCode(first, "SP"), 16);
    case R::kPairPsw: return scaled(pairCode(first, "PSW"), 16);
    case R::kPairBD: {
      int p = pairCode(first, "SP");
      return p == 0 || p == 1 ? 16 * p : kNoRegister;
    }
    default: return kNoRegister;
  }
}

// The opcode's register fields, leaving in `operand` the immediate value's text; kNoRegister
// when the register part does not parse.
int takeRegisters(const InstructionRow& row, std::string_view& operand, uint16_t here,
                  const LabelResolver& labels) {
  if (row.regs == R::kNone) return 0;
  if (row.regs == R::kRst) {
    std::optional<uint16_t> n = evaluate(operand, here, labels);
    operand = {};
    return n && *n < 8 ? 8 * *n : kNoRegister;
  }
  size_t comma = operand.find(',');
  bool wantComma = row.regs == R::kDstSrc || row.length > 1;
  if ((comma != std::string_view::npos) != wantComma) return kNoRegister;
  std::string_view first = operand.substr(0, comma);
  std::string_view rest = wantComma ? operand.substr(comma + 1) : std::string_view{};
  operand = row.regs == R::kDstSrc ? std::string_view{} : rest;
  return registerBits(row.regs, first, rest);
}

// A comma outside quotes.
bool hasComma(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ',') return true;
    if (!isQuote(text[i])) continue;
    size_t len = quotedLength(text.substr(i));
    if (len == 0) return false;
    i += len - 1;
  }
  return false;
}

Expected encode(const InstructionRow& row, const SourceLine& line, const LabelResolver& labels) {
  std::string_view immediate = line.operand;
  int bits = takeRegisters(row, immediate, line.address, labels);
  bool wantImmediate = row.length > 1;
  // A comma left in the value is another processor's syntax (JP M,0) or damage.
  if (bits < 0 || immediate.empty() == wantImmediate || hasComma(immediate)) return Expected::otherForm();
  Expected e{Verdict::kExpected, true, row.length, {}};
  e.bytes[0] = static_cast<uint8_t>(row.opcode + bits);
  if (!wantImmediate) return e;
  std::optional<uint16_t> value = evaluate(immediate, line.address, labels);
  e.operandKnown = value.has_value();
  if (value) {
    e.bytes[1] = static_cast<uint8_t>(*value);
    e.bytes[2] = static_cast<uint8_t>(*value >> 8);
  }
  return e;
}

}  // namespace

std::span<const InstructionRow> intel8080Rows() { return kRows; }

bool isMnemonic(std::string_view word) {
  for (std::string_view directive : {"DB", "DW", "DS", "EQU", "ORG", "END", "SET"})
    if (word == directive) return true;
  return std::any_of(std::begin(kRows), std::end(kRows), [word](const InstructionRow& r) { return r.mnemonic == word; });
}

const InstructionRow* Intel8080Set::find(uint32_t key) const {
  if (key == 0) return nullptr;
  for (size_t s = slotOf(key);; s = (s + 1) % kSlots) {
    const Slot& slot = kSlotTable[s];
    if (slot.row == kEmptySlot) return nullptr;
    if (slot.key != key) continue;
    const InstructionRow& row = kRows[slot.row];
    return row.only8085 && !with8085_ ? nullptr : &row;
  }
}

Expected Intel8080Set::expected(const SourceLine& line, const LabelResolver& labels) const {
  uint32_t key = packMnemonic(line.mnemonic);
  if (const InstructionRow* row = find(key)) return encode(*row, line, labels);
  return intelDirective(key, line, labels);
}

bool Intel8080Set::mayStartWith(std::string_view mnemonic, uint8_t opcode) const {
  const InstructionRow* row = find(packMnemonic(mnemonic));
  if (row == nullptr) return true;
  int bits = opcode - row->opcode;
  if (bits < 0) return false;
  switch (row->regs) {
    case R::kNone: return bits == 0;
    case R::kDstSrc: return bits < 64 && opcode != 0x76;
    case R::kDst:
    case R::kRst: return bits < 64 && bits % 8 == 0;
    case R::kSrc: return bits < 8;
    case R::kPairSp:
    case R::kPairPsw: return bits < 64 && bits % 16 == 0;
    case R::kPairBD: return bits == 0 || bits == 16;
  }
  return true;
}

}  // namespace romlift::isa
