#include "listing_gen.h"

#include "listing_parts.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_set>
#include <utility>
#include <vector>

namespace romlift::bench {
namespace {

using namespace parts;

class Generator {
 public:
  Generator(const GenOptions& options, const std::function<void(std::string_view)>& sink)
      : options_(options), sink_(sink), rng_(options.seed) {
    for (const Insn& insn : kInsns) totalWeight_ += insn.weight;
    out_.reserve(kFlushAt + 4096);
  }

  GenStats run() {
    do {
      section();
    } while (stats_.bytes + out_.size() < options_.minBytes);
    flush();
    return stats_;
  }

 private:
  // One section: first-page header, body with later-page headers, END, symbol table.
  void section() {
    uint32_t k = static_cast<uint32_t>(stats_.sections++) + 24;  // the first section is 0C000-0C7FF
    // Every section gets its own range text: the bits of k are spread over the 18-bit start.
    uint32_t start = ((k & 127) << 11) | (((k >> 7) & 127) << 4) | ((k >> 14) & 15);
    uint32_t end = (start + 0x7FF) & 0x3FFFF;
    seg_.clear();
    appendHex(seg_, start, 5);
    seg_ += '-';
    appendHex(seg_, end, 5);
    lineNo_ = 1;
    numberedInSection_ = 0;
    page_ = 1;
    onPage_ = 0;
    pageLength_ = rng_.range(52, 58);
    symbols_.clear();
    names_.clear();
    adr_ = static_cast<uint16_t>(start & 0xFFFF);

    emit("PAGE 01    KEZ FIRMWARE " + seg_ + "  V1.1");
    emit("");
    orgLine();
    int titles = rng_.range(1, 3);
    for (int i = 0; i < titles; ++i) com1(kTitles[rng_.below(std::size(kTitles))]);

    int bodyLines = rng_.range(380, 720);
    while (numberedInSection_ < bodyLines) {
      pageBreakIfDue();
      block();
    }
    std::string endLine = numbered();
    endLine += ' ';
    appendHex(endLine, adr_, 4);
    endLine.append(20, ' ');
    endLine += "END";
    emit(endLine);
    emit("");
    symbolTable();
  }

  // One item of the body: a code line, a label-only run with its code line, a comment...
  void block() {
    bool allLabelled = options_.variant == Variant::Symbols;
    uint32_t r = rng_.below(1000);
    if (r < 620) {
      codeLine(allLabelled);
    } else if (r < 710) {
      if (rng_.percent(30)) {  // a routine with its title comment
        numberedEmpty();
        com1(nullptr);
      }
      codeLine(true);
    } else if (r < 740) {
      int run = rng_.percent(80) ? 1 : 2;
      for (int i = 0; i < run; ++i) labelOnly();
      codeLine(true);  // a label-only line is always followed directly by a labelled code line
    } else if (r < 790) {
      com1(nullptr);
    } else if (r < 810) {
      com2();
    } else if (r < 880) {
      numberedEmpty();
    } else if (r < 910) {
      emit("");
    } else if (r < 914) {
      adr_ = static_cast<uint16_t>((adr_ + 0x100) & 0xFF00);
      orgLine();
    } else {
      codeLine(allLabelled);
    }
  }

  std::string numbered() {
    std::string s;
    s.reserve(64);
    appendNumber(s, lineNo_);
    lineNo_ = lineNo_ == 999 ? 1 : lineNo_ + 1;
    ++numberedInSection_;
    return s;
  }

  void orgLine() {
    std::string s = numbered();
    s.append(25, ' ');
    s += "ORG   :";
    appendHex(s, adr_, 4);
    emit(s);
  }

  void com1(const char* text) {
    std::string s = numbered();
    padTo(s, kLabelCol);
    s += "* ";
    s += text != nullptr ? text : kPhrases[rng_.below(std::size(kPhrases))];
    emit(s);
  }

  void com2() {
    std::string s = numbered();
    padTo(s, kCommentCol);
    s += kTitles[rng_.below(std::size(kTitles))];
    emit(s);
  }

  void numberedEmpty() { emit(numbered()); }

  void labelOnly() {
    std::string name = newName();
    std::string s = numbered();
    padTo(s, kLabelCol);
    s += name;
    symbols_.emplace_back(std::move(name), adr_);
    emit(s);
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

  // A label unique within the section: a word, a word with digits, or letters.
  std::string newName() {
    for (;;) {
      std::string name;
      uint32_t style = rng_.below(100);
      std::string_view word = kWords[rng_.below(std::size(kWords))];
      if (style < 55) {
        name = word.substr(0, 6);
        if (name.size() < 6 && rng_.percent(40)) name += static_cast<char>('0' + rng_.below(10));
      } else if (style < 85) {
        size_t prefix = std::min<size_t>(word.size(), static_cast<size_t>(rng_.range(2, 4)));
        name = word.substr(0, prefix);
        int digits = rng_.range(1, static_cast<int>(std::min<size_t>(3, 6 - prefix)));
        for (int i = 0; i < digits; ++i) name += static_cast<char>('0' + rng_.below(10));
      } else {
        int len = rng_.range(2, 6);
        for (int i = 0; i < len; ++i) name += static_cast<char>('A' + rng_.below(26));
      }
      if (names_.insert(name).second) return name;
    }
  }

  // The section's symbol table: every label once, sorted, four entries to a line.
  void symbolTable() {
    std::sort(symbols_.begin(), symbols_.end());
    emit(kStars);
    emit(kBannerTitle);
    emit(kStars);
    emit("");
    std::string s;
    for (size_t i = 0; i < symbols_.size(); i += 4) {
      pageBreakIfDue();
      s.clear();
      for (size_t j = i; j < symbols_.size() && j < i + 4; ++j) {
        if (j > i) s += ' ';
        s += symbols_[j].first;
        padTo(s, (j - i) * 12 + 7);
        appendHex(s, symbols_[j].second, 4);
      }
      emit(s);
    }
    stats_.labels += symbols_.size();
    emit("");
    emit("");
  }

  // The header of the next page, when the current one is full. Called only where a page may
  // break: never between a label-only line and its code line.
  void pageBreakIfDue() {
    if (onPage_ < pageLength_ || page_ >= 99) return;
    ++page_;
    std::string s = "PAGE ";
    s += static_cast<char>('0' + page_ / 10);
    s += static_cast<char>('0' + page_ % 10);
    s += "    KEZ FIRMWARE ";
    s += seg_;
    s += "  V1.1";
    emit(s);
    emit("");
    onPage_ = 2;
    pageLength_ = rng_.range(52, 58);
  }

  void emit(std::string line) {
    if (options_.variant == Variant::Damaged && rng_.percent(kDamagePercent)) {
      damage(line);
      ++stats_.damagedLines;
    }
    out_ += line;
    out_ += '\n';
    ++stats_.lines;
    ++onPage_;
    if (out_.size() >= kFlushAt) flush();
  }

  void flush() {
    if (out_.empty()) return;
    stats_.bytes += out_.size();
    sink_(out_);
    out_.clear();
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
  const std::function<void(std::string_view)>& sink_;
  Rng rng_;
  GenStats stats_;
  std::string out_;
  int totalWeight_ = 0;

  // The current section.
  std::string seg_;
  int lineNo_ = 1;
  int numberedInSection_ = 0;  // numbered lines written in the section
  int page_ = 1;
  int onPage_ = 0;
  int pageLength_ = 55;
  uint16_t adr_ = 0;
  std::vector<std::pair<std::string, uint16_t>> symbols_;
  std::unordered_set<std::string> names_;
};

}  // namespace

bool parseVariant(std::string_view name, Variant& variant) {
  for (Variant v : {Variant::Clean, Variant::Symbols, Variant::Damaged}) {
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
  }
  return "?";
}

GenStats generateListing(const GenOptions& options, const std::function<void(std::string_view)>& sink) {
  return Generator(options, sink).run();
}

std::string makeListing(const GenOptions& options, GenStats* stats) {
  std::string text;
  GenStats s = generateListing(options, [&text](std::string_view piece) { text.append(piece); });
  if (stats != nullptr) *stats = s;
  return text;
}

}  // namespace romlift::bench
