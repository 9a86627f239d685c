// Operand values of the firmware listings, in every notation the assembler writes.
#include "firmware_gen.h"

#include <algorithm>

namespace romlift::bench::firmware {

using namespace parts;

namespace {

constexpr int kMaxAddend = 9;
constexpr int kVectorStride = 3;       // a JMP per vector
constexpr uint64_t kSectionsBack = 8;  // how far back a call into another section reaches
constexpr char kCharPool[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789?>:*#=";

int hexDigits(unsigned value) {
  int digits = 1;
  while (digits < 4 && (value >> (4 * digits)) != 0) ++digits;
  return digits;
}

// value in base 2 or 8, without leading zeros, then the suffix.
std::string radixText(unsigned value, unsigned bits, char suffix) {
  std::string s;
  do {
    s.insert(s.begin(), kHexDigits[value & ((1u << bits) - 1)]);
    value >>= bits;
  } while (value != 0);
  s += suffix;
  return s;
}

std::string addendText(int addend) {
  if (addend == 0) return {};
  std::string s(1, addend > 0 ? '+' : '-');
  s += std::to_string(addend > 0 ? addend : -addend);
  return s;
}

}  // namespace

std::string charText(char c) { return c == '\'' ? "''''" : std::string{'\'', c, '\''}; }

std::string numberText(Rng& rng, unsigned value, bool wide, size_t room, bool allowChar) {
  std::string s;
  uint32_t r = rng.below(100);
  if (r < 45) {
    s = hexConstant(value, wide ? 4 : 2);
  } else if (r < 55) {
    s = hexConstant(value, hexDigits(value));
  } else if (r < 72) {
    s = std::to_string(value);
  } else if (r < 80) {
    s = radixText(value, 1, 'B');
  } else if (r < 88) {
    s = radixText(value, 3, rng.percent(50) ? 'Q' : 'O');
  } else if (allowChar && value > ' ' && value < 0x7F) {
    s = charText(static_cast<char>(value));
  } else {
    s = hexConstant(value, wide ? 4 : 2);
  }
  if (s.size() > room) s = hexConstant(value, hexDigits(value));
  return s;
}

Operand FirmwareGenerator::number(unsigned value, bool wide, size_t room, bool allowChar) {
  Operand o;
  o.text = numberText(rng_, value, wide, room, allowChar);
  o.value = value;
  return o;
}

// An 8-bit immediate: a number, a character or an EQU constant, now and then plus a little.
Operand FirmwareGenerator::byteValue(size_t room) {
  Operand o;
  uint32_t r = rng_.below(100);
  if (r < 14 && named(o, equ8_, kUsesEqu, room, false, 0xFF)) return o;
  if (r < 18 && named(o, equ8_, kUsesEqu, room, true, 0xFF)) return o;
  if (r < 28) {
    char c = rng_.percent(8) ? '\'' : kCharPool[rng_.below(sizeof kCharPool - 1)];
    o.text = charText(c);
    o.value = static_cast<unsigned char>(c);
    return o;
  }
  return number(rng_.below(256), false, room);
}

Operand FirmwareGenerator::portValue() {
  Operand o;
  if (rng_.percent(15) && named(o, equ8_, kUsesEqu, kMaxOperand, false, 0xFF)) return o;
  return number(rng_.below(256), false, kMaxOperand, false);
}

// A 16-bit value: a label of this section (further up or down) or of an earlier one, `$`, a
// DS area, an EQU constant, any of these with an addend, or a number.
Operand FirmwareGenerator::wordValue(Want want, size_t room) {
  Operand o;
  uint32_t r = rng_.below(100);
  switch (want) {
    case Want::Jump:
      if (r < 34 && named(o, code_, kUsesLabel, room, false, 0xFFFF)) return o;
      if (r < 58 && forwardLabel(o, room)) return o;
      if (r < 66 && otherSection(o, room)) return o;
      if (r < 74 && dollar(o, room)) return o;
      if (r < 80 && named(o, code_, kUsesLabel, room, true, 0xFFFF)) return o;
      return number(rng_.below(0x10000), true, room);
    case Want::Pointer:
      if (r < 22 && named(o, code_, kUsesLabel, room, false, 0xFFFF)) return o;
      if (r < 34 && forwardLabel(o, room)) return o;
      if (r < 40 && otherSection(o, room)) return o;
      if (r < 52 && named(o, data_, kUsesLabel, room, false, 0xFFFF)) return o;
      if (r < 62 && named(o, equ16_, kUsesEqu, room, false, 0xFFFF)) return o;
      if (r < 68 && named(o, r < 65 ? data_ : code_, kUsesLabel, room, true, 0xFFFF)) return o;
      if (r < 72 && dollar(o, room)) return o;
      return number(rng_.below(0x10000), true, room);
    case Want::Memory:
      if (r < 35 && named(o, data_, kUsesLabel, room, false, 0xFFFF)) return o;
      if (r < 47 && named(o, data_, kUsesLabel, room, true, 0xFFFF)) return o;
      if (r < 67 && named(o, equ16_, kUsesEqu, room, false, 0xFFFF)) return o;
      if (r < 72 && named(o, equ16_, kUsesEqu, room, true, 0xFFFF)) return o;
      break;
  }
  // RAM: hex in five characters at most, which is all that LXI SP, leaves.
  return number(0x8000 + rng_.below(0x2000), true, room);
}

// DB: a short string, or one to three bytes as numbers, characters and EQU constants.
void FirmwareGenerator::dataBytes(Encoded& e) {
  if (rng_.percent(30)) {
    e.count = rng_.range(2, 3);
    e.operand.text = "'";
    for (int i = 0; i < e.count; ++i) {
      char c = kCharPool[rng_.below(sizeof kCharPool - 1)];
      e.bytes[static_cast<size_t>(i)] = static_cast<unsigned char>(c);
      e.operand.text += c;
    }
    e.operand.text += '\'';
    return;
  }
  int count = rng_.range(1, 3);
  for (int tries = 0;; ++tries) {
    if (tries % 4 == 3 && count > 1) --count;  // 0FFH,0A2H,'X' does not fit: fewer bytes
    Operand list;
    for (int i = 0; i < count; ++i) {
      Operand item = byteValue(kMaxOperand);
      if (i > 0) list.text += ',';
      list.text += item.text;
      list.uses |= item.uses;
      e.bytes[static_cast<size_t>(i)] = item.value;
    }
    if (list.text.size() <= kMaxOperand) {
      e.operand = std::move(list);
      e.count = count;
      return;
    }
  }
}

// A name from the list, with an addend when expr, whose value stays within 0 to limit.
bool FirmwareGenerator::named(Operand& o, const std::vector<Symbol>& from, uint8_t uses, size_t room, bool expr,
                              unsigned limit) {
  if (from.empty()) return false;
  const Symbol& s = from[rng_.below(static_cast<uint32_t>(from.size()))];
  int add = expr ? addend() : 0;
  int value = s.second + add;
  std::string text = s.first + addendText(add);
  if (text.size() > room || value < 0 || static_cast<unsigned>(value) > limit) return false;
  o.text = std::move(text);
  o.value = static_cast<unsigned>(value);
  o.uses = static_cast<uint8_t>(uses | (expr ? kUsesExpr : 0));
  return true;
}

// A label that a line further down will take; its value is filled in then.
bool FirmwareGenerator::forwardLabel(Operand& o, size_t room) {
  std::string name = newName();
  if (name.size() > room) return false;
  int add = name.size() + 2 <= room && rng_.percent(15) ? addend() : 0;
  o.text = name + addendText(add);
  o.forward = static_cast<int>(forward_.size());
  o.addend = add;
  o.uses = static_cast<uint8_t>(kUsesLabel | (add != 0 ? kUsesExpr : 0));
  forward_.push_back({std::move(name), {}});
  return true;
}

// A vector of one of the sections before this one.
bool FirmwareGenerator::otherSection(Operand& o, size_t room) {
  uint64_t here = sectionIndex();
  if (here == 0 || room < 6) return false;
  uint64_t there = here - 1 - rng_.below(static_cast<uint32_t>(std::min(here, kSectionsBack)));
  int i = static_cast<int>(rng_.below(static_cast<uint32_t>(vectorCount(there))));
  int add = room >= 8 && rng_.percent(15) ? kVectorStride : 0;
  o.text = vectorName(there, i) + addendText(add);
  o.value = (sectionBase(there) + static_cast<unsigned>(kVectorStride * i + add)) & 0xFFFF;
  o.uses = static_cast<uint8_t>(kUsesLabel | (add != 0 ? kUsesExpr : 0));
  return true;
}

// `$`, the address of the line's first byte, alone or with an addend.
bool FirmwareGenerator::dollar(Operand& o, size_t room) {
  int add = rng_.percent(40) ? 0 : addend();
  o.text = "$" + addendText(add);
  if (o.text.size() > room) return false;
  o.value = (adr_ + static_cast<unsigned>(add)) & 0xFFFF;
  o.uses = static_cast<uint8_t>(kUsesDollar | (add != 0 ? kUsesExpr : 0));
  return true;
}

// 1 to 9, taken away one time in three.
int FirmwareGenerator::addend() {
  int n = rng_.range(1, kMaxAddend);
  return rng_.percent(33) ? -n : n;
}

}  // namespace romlift::bench::firmware
