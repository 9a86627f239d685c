#include "listing_gen.h"

#include "firmware_gen.h"
#include "listing_parts.h"
#include "listing_writer.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace romlift::bench {
namespace {

using namespace parts;

class Generator : public ListingWriter {
 public:
  Generator(const GenOptions& options, const std::function<void(std::string_view)>& sink)
      : ListingWriter(options.seed, options.minBytes, sink), options_(options) {
    for (const Insn& insn : kInsns) totalWeight_ += insn.weight;
  }

 private:
  // One section: first-page header, body with later-page headers, END, symbol table.
  void section() override {
    openSection();
    int bodyLines = rng_.range(380, 720);
    while (numberedInSection_ < bodyLines) {
      pageBreakIfDue();
      block();
    }
    closeSection(true);
  }

  // One item of the body: a code line, a label-only run with its code line, a comment...
  void block() {
    bool allLabelled = options_.variant == Variant::Symbols;
    uint32_t r = rng_.below(1000);
    if (r < 620) {
      codeLine(allLabelled);
    } else if (r < 710) {
      routineTitle();
      codeLine(true);
    } else if (r < 740) {
      int run = rng_.percent(80) ? 1 : 2;
      for (int i = 0; i < run; ++i) labelOnly(newName());
      codeLine(true);  // a label-only line is always followed directly by a labelled code line
    } else if (r < 740 + kFillerRange) {
      fillerLine(r - 740);
    } else {
      codeLine(allLabelled);
    }
  }

  const Insn& pickInsn() {
    int w = static_cast<int>(rng_.below(static_cast<uint32_t>(totalWeight_)));
    for (const Insn& insn : kInsns) {
      if (w < insn.weight) return insn;
      w -= insn.weight;
    }
    return kInsns[0];
  }

  // An 8-bit operand value and its text.
  std::string byteOperand(unsigned& value) {
    value = rng_.below(256);
    if (value < 10 && rng_.percent(50)) return std::string(1, static_cast<char>('0' + value));
    if (value >= 'A' && value <= 'Z' && rng_.percent(50)) return std::string{'\'', static_cast<char>(value), '\''};
    return hexConstant(value, 2);
  }

  void codeLine(bool labelled) {
    const Insn& insn = pickInsn();
    std::string operand;
    std::array<unsigned, 3> bytes{};
    int count = 1;
    switch (insn.shape) {
      case Shape::None:
        bytes[0] = insn.op;
        break;
      case Shape::RegHigh: {
        unsigned r = rng_.below(8);
        bytes[0] = insn.op + 8 * r;
        operand = kRegs[r];
        break;
      }
      case Shape::RegLow: {
        unsigned r = rng_.below(8);
        bytes[0] = insn.op + r;
        operand = kRegs[r];
        break;
      }
      case Shape::Pair: {
        unsigned p = rng_.below(3);
        bytes[0] = insn.op + 16 * p;
        operand = kPairs[p];
        break;
      }
      case Shape::Move: {
        unsigned d = rng_.below(8), s = rng_.below(8);
        if (d == 6 && s == 6) s = 7;  // MOV M,M does not exist (it is HLT)
        bytes[0] = 0x40 + 8 * d + s;
        operand = std::string(kRegs[d]) + "," + kRegs[s];
        break;
      }
      case Shape::RegImm: {
        unsigned r = rng_.below(8), v = 0;
        std::string value = byteOperand(v);
        bytes = {insn.op + 8 * r, v, 0};
        count = 2;
        operand = std::string(kRegs[r]) + "," + value;
        break;
      }
      case Shape::Imm:
      case Shape::Port: {
        unsigned v = 0;
        operand = insn.shape == Shape::Port ? hexConstant(v = rng_.below(256), 2) : byteOperand(v);
        bytes = {insn.op, v, 0};
        count = 2;
        break;
      }
      case Shape::Address: {
        unsigned target;
        if (!symbols_.empty() && rng_.percent(65)) {
          const auto& sym = symbols_[rng_.below(static_cast<uint32_t>(symbols_.size()))];
          target = sym.second;
          operand = sym.first;
        } else {
          target = rng_.below(0x10000);
          operand = hexConstant(target, 4);
        }
        bytes = {insn.op, target & 0xFF, target >> 8};
        count = 3;
        break;
      }
      case Shape::PairImm: {
        unsigned p = rng_.below(4);
        // SP,nnnnH must stay within the operand's 8 characters: no leading 0 for it.
        unsigned v = p == 3 ? 0x8000 + rng_.below(0x2000) : rng_.below(0x10000);
        bytes = {insn.op + 16 * p, v & 0xFF, v >> 8};
        count = 3;
        operand = std::string(kPairs[p]) + "," + hexConstant(v, 4);
        break;
      }
      case Shape::Data: {
        count = rng_.range(1, 3);
        if (count == 3) {  // three letters of a message
          operand = "'";
          for (int i = 0; i < 3; ++i) {
            bytes[i] = 'A' + rng_.below(26);
            operand += static_cast<char>(bytes[i]);
          }
          operand += '\'';
        } else {
          do {  // an operand has at most 8 characters: 0FFH,0A2H does not fit
            operand.clear();
            for (int i = 0; i < count; ++i) {
              if (i > 0) operand += ',';
              unsigned v = 0;
              operand += byteOperand(v);
              bytes[i] = v;
            }
          } while (operand.size() > 8);
        }
        break;
      }
    }

    std::string label;
    if (labelled) {
      label = newName();
      symbols_.emplace_back(label, adr_);
    }
    std::string s = numbered();
    s += ' ';
    appendHex(s, adr_, 4);
    s += ' ';
    for (int i = 0; i < count; ++i) appendHex(s, bytes[i], 2);
    padTo(s, kLabelCol);
    s += label;
    padTo(s, kMnemonicCol);
    s += insn.mnemonic;
    bool comment = rng_.percent(32);
    if (!operand.empty()) {
      padTo(s, kOperandCol);
      s += operand;
    }
    if (comment) {
      padTo(s, kCommentCol);
      s += kPhrases[rng_.below(std::size(kPhrases))];
    }
    emit(s);
    adr_ = static_cast<uint16_t>(adr_ + count);
    ++stats_.codeLines;
    stats_.objectBytes += static_cast<uint64_t>(count);
  }

  void alter(std::string& line) override {
    if (options_.variant == Variant::Damaged && rng_.percent(kDamagePercent)) {
      damage(line);
      ++stats_.damagedLines;
    }
  }

  // One OCR-style fault: a field moved by a column, a letter read for a digit, a lower-case
  // mnemonic, a lost blank or a stray character.
  void damage(std::string& s) {
    switch (rng_.below(5)) {
      case 0: {  // a field one column off
        static constexpr size_t kCols[] = {kObjectCol, kLabelCol, kMnemonicCol, kOperandCol, kCommentCol};
        size_t col = kCols[rng_.below(std::size(kCols))];
        if (col >= s.size()) break;
        if (s[col - 1] == ' ' && rng_.percent(50))
          s.erase(col - 1, 1);
        else
          s.insert(col, 1, ' ');
        return;
      }
      case 1: {  // O for 0, I for 1, S for 5, B for 8: in the address first
        static constexpr std::pair<char, char> kLookAlike[] = {{'0', 'O'}, {'1', 'I'}, {'5', 'S'}, {'8', 'B'}};
        for (auto [from, to] : {std::pair<size_t, size_t>{4, 8}, {0, s.size()}}) {
          for (size_t i = from; i < std::min(to, s.size()); ++i) {
            for (auto [digit, letter] : kLookAlike) {
              if (s[i] == digit) {
                s[i] = letter;
                return;
              }
            }
          }
        }
        break;
      }
      case 2: {  // lower-case mnemonic, or any other upper-case letter
        if (s.size() > kMnemonicCol + 1 && s[kMnemonicCol] >= 'A' && s[kMnemonicCol] <= 'Z') {
          for (size_t i = kMnemonicCol; i < s.size() && s[i] >= 'A' && s[i] <= 'Z'; ++i) s[i] = static_cast<char>(s[i] + 32);
          return;
        }
        for (char& c : s) {
          if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
            return;
          }
        }
        break;
      }
      case 3: {  // a blank lost
        size_t blanks = static_cast<size_t>(std::count(s.begin(), s.end(), ' '));
        if (blanks == 0) break;
        size_t nth = rng_.below(static_cast<uint32_t>(blanks));
        for (size_t i = 0; i < s.size(); ++i) {
          if (s[i] == ' ' && nth-- == 0) {
            s.erase(i, 1);
            return;
          }
        }
        break;
      }
      default:
        break;
    }
    // A stray character: specks and smudges read as punctuation.
    static constexpr char kSpecks[] = ".,'`:;-_~^|";
    s.insert(rng_.below(static_cast<uint32_t>(s.size() + 1)), 1, kSpecks[rng_.below(sizeof kSpecks - 1)]);
  }

  const GenOptions& options_;
  int totalWeight_ = 0;
};

}  // namespace

bool parseVariant(std::string_view name, Variant& variant) {
  for (Variant v : {Variant::Clean, Variant::Symbols, Variant::Damaged, Variant::Firmware}) {
    if (name == variantName(v)) {
      variant = v;
      return true;
    }
  }
  return false;
}

const char* variantName(Variant variant) {
  switch (variant) {
    case Variant::Clean: return "clean";
    case Variant::Symbols: return "symbols";
    case Variant::Damaged: return "damaged";
    case Variant::Firmware: return "firmware";
  }
  return "?";
}

GenStats generateListing(const GenOptions& options, const std::function<void(std::string_view)>& sink) {
  if (options.variant == Variant::Firmware) return generateFirmware(options, sink);
  return Generator(options, sink).run();
}

std::string makeListing(const GenOptions& options, GenStats* stats) {
  std::string text;
  GenStats s = generateListing(options, [&text](std::string_view piece) { text.append(piece); });
  if (stats != nullptr) *stats = s;
  return text;
}

}  // namespace romlift::bench
