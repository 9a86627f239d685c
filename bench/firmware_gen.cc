#include "firmware_gen.h"

namespace romlift::bench::firmware {

using namespace parts;

namespace {

constexpr uint64_t kVectorNameCycle = 10000;  // four digits of section number
constexpr uint32_t kCodeCommentPercent = 30;
constexpr uint32_t kDirectiveCommentPercent = 25;

// The two object digits of value at p.
void putHex(char* p, unsigned value) {
  p[0] = kHexDigits[(value >> 4) & 0xF];
  p[1] = kHexDigits[value & 0xF];
}

}  // namespace

std::string vectorName(uint64_t section, int i) {
  std::string s = "V";
  s += static_cast<char>('A' + i + 4 * static_cast<int>(section / kVectorNameCycle % 6));
  unsigned digits = static_cast<unsigned>(section % kVectorNameCycle);
  for (unsigned d = 1000; d > 0; d /= 10) s += static_cast<char>('0' + digits / d % 10);
  return s;
}

FirmwareGenerator::FirmwareGenerator(const GenOptions& options, const std::function<void(std::string_view)>& sink)
    : ListingWriter(options.seed, options.minBytes, sink) {
  for (const Group& g : kGroups) {
    for (const Member& m : g.members) ops_.push_back({m.mnemonic, g.form, m.op, m.weight});
  }
  for (const Family& f : kFamilies) {
    for (uint8_t i = 0; i < 8; ++i) {
      const std::string& name = mnemonics_.emplace_back(std::string(f.prefix) + f.names[i]);
      ops_.push_back({name.c_str(), f.form, static_cast<uint8_t>(f.first + 8 * i), f.weights[i]});
    }
  }
  for (const Op& op : ops_) totalWeight_ += op.weight;
}

// Header, EQU constants, vectors, body; then a labelled RET for every label still awaited,
// END and, in nine sections out of ten, the symbol table.
void FirmwareGenerator::section() {
  openSection();
  code_.clear();
  data_.clear();
  equ8_.clear();
  equ16_.clear();
  forward_.clear();
  nextForward_ = 0;
  int constants = rng_.range(2, 6);
  for (int i = 0; i < constants; ++i) equLine(rng_.percent(35));
  vectors();
  int bodyLines = rng_.range(380, 720);
  while (numberedInSection_ < bodyLines) {
    pageBreakIfDue();
    block();
  }
  while (nextForward_ < forward_.size()) {
    pageBreakIfDue();
    codeLine(opNamed("RET"), true);
  }
  closeSection(!rng_.percent(10));
}

void FirmwareGenerator::block() {
  constexpr uint32_t kFillerStart = 645;
  uint32_t r = rng_.below(1000);
  if (r < 540) {
    codeLine(pickOp(), false);
  } else if (r < 620) {
    routineTitle();
    codeLine(pickOp(), true);
  } else if (r < kFillerStart) {  // one or two more labels on the address of a labelled code line
    int run = rng_.percent(80) ? 1 : 2;
    for (int i = 0; i < run; ++i) labelOnly(takeLabel());
    codeLine(pickOp(), true);
  } else if (r < kFillerStart + kFillerRange) {
    fillerLine(r - kFillerStart);
  } else if (r < 832) {
    equLine(rng_.percent(35));
  } else if (r < 846) {
    dsLine();
  } else if (r < 886) {  // a table of messages or pointers
    codeLine(opNamed(rng_.percent(70) ? "DB" : "DW"), rng_.percent(40));
  } else {
    codeLine(pickOp(), false);
  }
}

// JMPs to routines further down, at the section's first addresses, named after the section.
void FirmwareGenerator::vectors() {
  const Op& jmp = opNamed("JMP");
  for (int i = 0; i < vectorCount(sectionIndex()); ++i) {
    Encoded e;
    forwardLabel(e.operand, kMaxOperand);
    e.bytes[0] = jmp.op;
    e.count = 3;
    e.wordAt = 1;
    std::string name = vectorName(sectionIndex(), i);
    symbols_.emplace_back(name, adr_);
    code_.emplace_back(name, adr_);
    writeCodeLine(name, jmp.mnemonic, e);
  }
}

// `NNN VVVV            NAME    EQU   VALUE`: the value in the address columns.
void FirmwareGenerator::equLine(bool wide) {
  std::string name = newName();
  unsigned value = wide ? (rng_.percent(70) ? 0x8000 + rng_.below(0x2000) : rng_.below(0x10000)) : rng_.below(256);
  emit(fieldsLine(value, "", name, "EQU", number(value, wide, kMaxOperand).text, kDirectiveCommentPercent));
  symbols_.emplace_back(name, static_cast<uint16_t>(value));
  (wide ? equ16_ : equ8_).emplace_back(std::move(name), static_cast<uint16_t>(value));
  ++stats_.equLines;
}

// `NNN AAAA            NAME    DS    SIZE`: reserves SIZE bytes, the label is optional.
void FirmwareGenerator::dsLine() {
  unsigned size = static_cast<unsigned>(rng_.percent(70) ? rng_.range(1, 32) : rng_.range(33, 300));
  std::string name = rng_.percent(75) ? newName() : std::string();
  emit(fieldsLine(adr_, "", name, "DS", number(size, size > 0xFF, kMaxOperand, false).text, kDirectiveCommentPercent));
  if (!name.empty()) {
    symbols_.emplace_back(name, adr_);
    data_.emplace_back(std::move(name), adr_);
  }
  adr_ = static_cast<uint16_t>(adr_ + size);
  ++stats_.dsLines;
}

// The line number and the fields at their columns; a comment now and then.
std::string FirmwareGenerator::fieldsLine(unsigned address, std::string_view object, std::string_view label,
                                          std::string_view mnemonic, std::string_view operand,
                                          uint32_t commentPercent) {
  std::string s = numbered();
  s += ' ';
  appendHex(s, address, 4);
  s += ' ';
  s += object;
  padTo(s, kLabelCol);
  s += label;
  padTo(s, kMnemonicCol);
  s += mnemonic;
  if (!operand.empty()) {
    padTo(s, kOperandCol);
    s += operand;
  }
  if (rng_.percent(commentPercent)) {
    padTo(s, kCommentCol);
    s += kPhrases[rng_.below(std::size(kPhrases))];
  }
  return s;
}

const Op& FirmwareGenerator::pickOp() {
  int w = static_cast<int>(rng_.below(static_cast<uint32_t>(totalWeight_)));
  for (const Op& op : ops_) {
    if (w < op.weight) return op;
    w -= op.weight;
  }
  return ops_[0];
}

const Op& FirmwareGenerator::opNamed(std::string_view mnemonic) const {
  for (const Op& op : ops_)
    if (mnemonic == op.mnemonic) return op;
  return ops_[0];
}

void FirmwareGenerator::codeLine(const Op& op, bool labelled) {
  // The label first: an operand may then name its own line, but never a label still awaited.
  std::string label = labelled ? takeLabel() : std::string();
  if (labelled) symbols_.emplace_back(label, adr_);
  Encoded e = encode(op);
  writeCodeLine(label, op.mnemonic, e);
}

Encoded FirmwareGenerator::encode(const Op& op) {
  switch (op.form) {
    case Form::Implied:
    case Form::Reg3:
    case Form::Reg0:
    case Form::Move:
    case Form::Pair:
    case Form::PairBD:
    case Form::PairPsw:
    case Form::Restart: return encodeOneByte(op);
    default: return encodeWithValue(op);
  }
}

// The registers, the pair or the restart number go into the opcode.
Encoded FirmwareGenerator::encodeOneByte(const Op& op) {
  Encoded e;
  e.bytes[0] = op.op;
  switch (op.form) {
    case Form::Reg3:
    case Form::Reg0: {
      unsigned r = rng_.below(8);
      e.bytes[0] = op.op + (op.form == Form::Reg3 ? 8 * r : r);
      e.operand.text = kRegs[r];
      break;
    }
    case Form::Move: {
      unsigned d = rng_.below(8), s = rng_.below(8);
      if (d == 6 && s == 6) s = (7 + rng_.below(7)) % 8;  // MOV M,M does not exist
      e.bytes[0] = 0x40 + 8 * d + s;
      e.operand.text = std::string(kRegs[d]) + "," + kRegs[s];
      break;
    }
    case Form::Pair:
    case Form::PairBD:
    case Form::PairPsw: {
      unsigned p = rng_.below(op.form == Form::PairBD ? 2 : 4);
      e.bytes[0] = op.op + 16 * p;
      e.operand.text = op.form == Form::PairPsw ? kStackPairs[p] : kPairs[p];
      break;
    }
    case Form::Restart: {
      unsigned n = rng_.below(8);
      e.bytes[0] = op.op + 8 * n;
      e.operand.text = std::string(1, static_cast<char>('0' + n));
      break;
    }
    default: break;
  }
  return e;
}

// An 8- or 16-bit value after the opcode (low byte first), or the bytes of a data line.
Encoded FirmwareGenerator::encodeWithValue(const Op& op) {
  Encoded e;
  e.bytes[0] = op.op;
  auto after = [&e](Operand value, bool wide, std::string_view prefix = {}) {
    e.operand = std::move(value);
    if (!prefix.empty()) e.operand.text.insert(0, std::string(prefix) + ",");
    e.bytes[1] = e.operand.value & 0xFF;
    e.bytes[2] = e.operand.value >> 8;
    e.count = wide ? 3 : 2;
    e.wordAt = wide ? 1 : -1;
  };
  switch (op.form) {
    case Form::RegImm: {
      unsigned r = rng_.below(8);
      e.bytes[0] = op.op + 8 * r;
      after(byteValue(kMaxOperand - 2), false, kRegs[r]);
      break;
    }
    case Form::PairImm: {
      unsigned p = rng_.below(4);
      std::string_view pair = kPairs[p];
      e.bytes[0] = op.op + 16 * p;
      // The stack pointer gets an address in RAM, and SP, leaves five characters for it.
      after(wordValue(p == 3 ? Want::Memory : Want::Pointer, kMaxOperand - pair.size() - 1), true, pair);
      break;
    }
    case Form::Imm: after(byteValue(kMaxOperand), false); break;
    case Form::Port: after(portValue(), false); break;
    case Form::Jump: after(wordValue(Want::Jump, kMaxOperand), true); break;
    case Form::Memory: after(wordValue(Want::Memory, kMaxOperand), true); break;
    case Form::Word:
      e.operand = wordValue(Want::Pointer, kMaxOperand);
      e.bytes = {e.operand.value & 0xFF, e.operand.value >> 8, 0};
      e.count = 2;
      e.wordAt = 0;
      break;
    case Form::Bytes: dataBytes(e); break;
    default: break;
  }
  return e;
}

void FirmwareGenerator::writeCodeLine(const std::string& label, const char* mnemonic, const Encoded& e) {
  std::string object;
  for (int i = 0; i < e.count; ++i) appendHex(object, e.bytes[static_cast<size_t>(i)], 2);
  if (e.operand.forward >= 0) {
    size_t at = out_.size() + kObjectCol + 2 * static_cast<size_t>(e.wordAt);
    forward_[static_cast<size_t>(e.operand.forward)].fixups.push_back({at, e.operand.addend});
  }
  emit(fieldsLine(adr_, object, label, mnemonic, e.operand.text, kCodeCommentPercent));
  adr_ = static_cast<uint16_t>(adr_ + e.count);
  ++stats_.codeLines;
  stats_.objectBytes += static_cast<uint64_t>(e.count);
  countUses(e.operand.uses);
}

std::string FirmwareGenerator::takeLabel() {
  std::string name;
  bool awaited = nextForward_ < forward_.size();
  if (awaited && rng_.percent(55)) {
    Forward& f = forward_[nextForward_++];
    for (const Fixup& fix : f.fixups) {
      unsigned value = (adr_ + static_cast<unsigned>(fix.addend)) & 0xFFFF;
      putHex(&out_[fix.at], value & 0xFF);
      putHex(&out_[fix.at + 2], value >> 8);
    }
    name = std::move(f.name);
  } else {
    name = newName();
  }
  code_.emplace_back(name, adr_);
  return name;
}

void FirmwareGenerator::countUses(uint8_t uses) {
  if (uses & kUsesLabel) ++stats_.labelOperands;
  if (uses & kUsesEqu) ++stats_.equOperands;
  if (uses & kUsesDollar) ++stats_.dollarOperands;
  if (uses & kUsesExpr) ++stats_.exprOperands;
}

}  // namespace romlift::bench::firmware

namespace romlift::bench {

GenStats generateFirmware(const GenOptions& options, const std::function<void(std::string_view)>& sink) {
  return firmware::FirmwareGenerator(options, sink).run();
}

}  // namespace romlift::bench
