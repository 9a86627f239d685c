#include "isa/learned.h"

#include <algorithm>

#include "isa/value.h"

namespace romlift::isa {
namespace {

// Register names of the 8080 and, so that no operand of another processor's listing is taken
// for a label, of the Z80 and 6800/6502 families, with the Z80's conditions (JP NZ,n and JP Z,n
// differ in their first byte): a kept name only makes shapes finer.
constexpr std::string_view kRegisterNames[] = {
    "A",  "B",  "C",  "D",  "E",  "H", "L", "M", "SP", "PSW",                // 8080
    "AF", "BC", "DE", "HL", "IX", "IY", "I", "R", "X", "Y", "S", "U", "PC",  // others
    "NZ", "Z",  "NC", "PO", "PE", "P",                                        // conditions
};

// The restart instruction puts its number in its only byte, however it is written (RST 7,
// RST 38H): its operand is kept whole.
constexpr std::string_view kRestart = "RST";

// Mnemonics of directives, which say nothing about instruction encodings. (SET is also a Z80
// instruction: leaving it out only learns less.)
constexpr std::string_view kDirectives[] = {"DB",  "DW",   "DS",   "EQU",  "SET", "ORG",
                                            "END", "DEFB", "DEFW", "DEFS", "DEFM"};

bool isRegisterName(std::string_view s) {
  return std::find(std::begin(kRegisterNames), std::end(kRegisterNames), s) !=
         std::end(kRegisterNames);
}

bool isTermChar(char c) { return isNameChar(c) || c == '$'; }

constexpr unsigned kVarintBits = 7;
constexpr uint8_t kVarintMore = 0x80;

}  // namespace

bool Shape::put(char c) {
  if (size_ == kMaxSize) return false;
  text_[size_++] = c;
  return true;
}

bool Shape::put(std::string_view s) {
  if (s.size() > kMaxSize - size_) return false;
  for (char c : s) text_[size_++] = c;
  return true;
}

bool Shape::assign(std::string_view mnemonic, std::string_view operand) {
  size_ = 0;
  if (!put(mnemonic)) return false;
  if (!operand.empty() && !put(' ')) return false;
  for (size_t i = 0; i < operand.size();) {
    size_t len = 0;
    if (isQuote(operand[i])) {
      len = quotedLength(operand.substr(i));
      if (len == 0) len = operand.size() - i;
    } else {
      while (i + len < operand.size() && isTermChar(operand[i + len])) ++len;
    }
    std::string_view term = operand.substr(i, len);
    bool kept = isRegisterName(term) || (len == 1 && isDigit(term[0])) || mnemonic == kRestart;
    bool ok = len == 0 ? put(operand[i]) : kept ? put(term) : put('n');
    if (!ok) return false;
    i += len == 0 ? 1 : len;
  }
  return true;
}

void LearnedSet::addLine(Variant& v, uint32_t line) {
  // Zigzag: a small step back costs as little as a small step forward.
  auto step = static_cast<int32_t>(line - v.lastLine);
  uint32_t z = (static_cast<uint32_t>(step) << 1) ^ static_cast<uint32_t>(step >> 31);
  while (z >= kVarintMore) {
    v.lines.push_back(static_cast<uint8_t>(z | kVarintMore));
    z >>= kVarintBits;
  }
  v.lines.push_back(static_cast<uint8_t>(z));
  v.lastLine = line;
  ++v.count;
}

uint32_t LearnedSet::feed(std::string_view mnemonic, std::string_view operand, uint8_t firstByte,
                          uint8_t length, uint32_t line) {
  if (std::find(std::begin(kDirectives), std::end(kDirectives), mnemonic) != std::end(kDirectives))
    return 0;
  Shape shape;
  if (!shape.assign(mnemonic, operand)) return 0;
  auto it = index_.find(shape.view());
  if (it == index_.end()) {
    it = index_.emplace(std::string(shape.view()), static_cast<uint32_t>(shapes_.size())).first;
    shapes_.push_back(ShapeLines{it->first, {}});
  }
  std::vector<Variant>& variants = shapes_[it->second].variants;
  auto v = std::find_if(variants.begin(), variants.end(), [&](const Variant& x) {
    return x.firstByte == firstByte && x.length == length;
  });
  if (v == variants.end()) v = variants.insert(v, Variant{firstByte, length, 0, 0, {}});
  addLine(*v, line);
  return v->count;
}

void LearnedSet::appendLines(const ShapeLines& shape, const Variant& majority, uint32_t total,
                             std::vector<Disagreement>& out) {
  for (const Variant& v : shape.variants) {
    if (&v == &majority) continue;
    uint32_t line = 0, z = 0;
    unsigned shift = 0;
    for (uint8_t b : v.lines) {
      z |= static_cast<uint32_t>(b & ~kVarintMore) << shift;
      shift += kVarintBits;
      if (b & kVarintMore) continue;
      line += (z >> 1) ^ (0u - (z & 1));
      out.push_back({line, v.firstByte, v.length, majority.firstByte, majority.length, majority.count,
                     total, v.count, shape.text});
      z = 0;
      shift = 0;
    }
  }
}

const LearnedSet::Variant& LearnedSet::majorityOf(const ShapeLines& shape, uint32_t& total) {
  total = 0;
  const Variant* majority = &shape.variants.front();
  for (const Variant& v : shape.variants) {
    total += v.count;
    if (v.count > majority->count) majority = &v;
  }
  return *majority;
}

bool LearnedSet::clearMajority(uint64_t agreeing, uint64_t others) {
  return agreeing >= kMinAgreeing && agreeing * 10 >= others * kAgreeingTenths;
}

std::vector<Disagreement> LearnedSet::disagreements() const {
  std::vector<Disagreement> out;
  for (const ShapeLines& shape : shapes_) {
    uint32_t total = 0;
    const Variant& majority = majorityOf(shape, total);
    // Every other line of the shape is a reported line's "other" line.
    if (clearMajority(majority.count, total - 1)) appendLines(shape, majority, total, out);
  }
  std::sort(out.begin(), out.end(),
            [](const Disagreement& a, const Disagreement& b) { return a.line < b.line; });
  return out;
}

uint64_t LearnedSet::agreeingLines() const {
  uint64_t lines = 0;
  for (const ShapeLines& shape : shapes_) {
    uint32_t total = 0;
    const Variant& majority = majorityOf(shape, total);
    // A line of the majority has its count less one agreeing among the others.
    if (clearMajority(majority.count - 1, total - 1)) lines += majority.count;
  }
  return lines;
}

size_t LearnedSet::memoryBytes() const {
  size_t bytes = shapes_.capacity() * sizeof(ShapeLines);
  for (const ShapeLines& s : shapes_) {
    bytes += s.variants.capacity() * sizeof(Variant);
    for (const Variant& v : s.variants) bytes += v.lines.capacity();
  }
  for (const auto& [text, index] : index_) bytes += sizeof(index) + text.capacity() + sizeof(text);
  return bytes + index_.bucket_count() * sizeof(void*);
}

}  // namespace romlift::isa
