// Body::decide: each numbered line's readings, weighed against what OCR gave.
#include <algorithm>

#include "bytes/padded_text.h"
#include "reading/body.h"
#include "reading/glyphs.h"
#include "reading/instruction.h"
#include "reading/layout.h"
#include "reading/operands.h"
#include "reading/words.h"
#include "scanner/rules.h"
#include "scanner/token.h"
#include "isa/instruction_set.h"
#include "isa/intel8080.h"

namespace romlift::reading {
namespace {

constexpr Cost kLineLimit = 60;      // no line is read as one this far from what OCR gave
constexpr size_t kInstructions = 8;  // readings of a code line's instruction weighed
constexpr size_t kValues = 4;
constexpr Cost kTextLimit = 10;      // a code line's bytes need its mnemonic and operand read this well,
constexpr Cost kTextWithCode = 20;   // or this well when the object code reads as them digit for digit
constexpr Cost kSureText = 4;        // ... and this well to change an object code digit read as one,
                                     // of which no more than one look-alike may change

// The object code as read, lined up with `object`: without blanks and specks, and without the
// one character too many that costs least to take out.
std::string lineUp(std::string_view object, std::string_view read) {
  std::string digits = withoutSpecks(read);
  if (digits.size() != object.size() + 1) return digits;
  std::string best;
  Cost bestCost = kNever;
  for (size_t drop = 0; drop < digits.size(); ++drop) {
    std::string trial = digits.substr(0, drop) + digits.substr(drop + 1);
    Cost c = 0;
    for (size_t i = 0; i < trial.size(); ++i) c += std::min(misreadCost(object[i], trial[i]), kOther);
    if (c < bestCost) {
      bestCost = c;
      best = std::move(trial);
    }
  }
  return best;
}

// How many digits of the object code read as hex digits that do not look like `object`'s there.
size_t contradictions(std::string_view object, std::string_view read) {
  std::string digits = lineUp(object, read);
  if (digits.size() != object.size()) return 0;
  size_t n = 0;
  for (size_t i = 0; i < digits.size(); ++i)
    n += holds(Alphabet::Hex, digits[i]) && misreadCost(object[i], digits[i]) >= kOther ? 1 : 0;
  return n;
}

// True when the object code as read is as many hex digits as `object`, which changes some: the
// bytes as printed would change value, not only be read right.
bool changesValue(std::string_view object, std::string_view read) {
  std::string digits = lineUp(object, read);
  if (digits.size() != object.size() ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return holds(Alphabet::Hex, c); }))
    return false;
  return digits != object;
}

struct Candidate {
  std::string text;
  int token;           // what the scanner must make of it
  std::string object;  // the bytes it gives
  Cost cost;
  bool sure = true;    // the reading is witnessed well enough to be made
};

// The one reading to take: the cheapest, when it is sure, and every other reading that gives
// other bytes or makes another kind of line is kMargin dearer, and every other is dearer at all.
// Nothing when there is no such reading. A reading not sure enough to be made still competes:
// when it is the cheapest, or near it, the cheapest sure one is not made either.
const Candidate* chosen(const std::vector<Candidate>& sorted) {
  if (sorted.empty() || !sorted[0].sure) return nullptr;
  const Candidate& best = sorted[0];
  for (size_t i = 1; i < sorted.size(); ++i) {
    const Candidate& c = sorted[i];
    bool same = c.token == best.token && c.object == best.object;
    if (c.cost < best.cost + (same ? 1 : kMargin)) return nullptr;
  }
  return &best;
}

// The code readings about as good as the best when they give other bytes, but for the line as
// read: what a person must choose between. Empty when they all give the same.
std::vector<std::string> rivals(const std::vector<Candidate>& sorted, std::string_view ocr) {
  constexpr size_t kShown = 4;
  std::vector<std::string> out;
  bool differ = false;
  for (size_t i = 0; i < sorted.size() && out.size() < kShown; ++i) {
    const Candidate& c = sorted[i];
    if (c.cost >= sorted[0].cost + kMargin) break;
    if (!isCodeToken(c.token)) continue;
    differ = differ || c.object != sorted[0].object;
    if (c.text != ocr) out.push_back(c.text);
  }
  return differ ? out : std::vector<std::string>{};
}

// True when a numbered line runs on past the label's column, a line number and an address
// there: two lines read as one, which the joining and splitting of lines sorts out.
bool holdsAnotherLine(std::string_view line) {
  std::vector<Word> words = wordsOf(line);
  for (size_t k = 1; k + 1 < words.size(); ++k) {
    const Word& w = words[k];
    if (w.column < col::kLabel || w.text.size() < kNumberWidth) continue;
    std::string_view number = std::string_view(w.text).substr(w.text.size() - kNumberWidth);
    bool numberLike = std::all_of(number.begin(), number.end(), [](char c) { return holds(Alphabet::Digit, c); });
    const std::string& next = words[k + 1].text;
    bool addressLike = next.size() == kAddressWidth &&
                       std::all_of(next.begin(), next.end(), [](char c) { return holds(Alphabet::Hex, c); });
    if (numberLike && addressLike) return true;
  }
  return false;
}

// What a reader is told of a line whose instruction text was written from its object code.
std::string writtenNote(std::string_view line) {
  return "texte de l'instruction \xC3\xA9" "crit d'apr\xC3\xA8s le code objet " +
         withoutBlanks(line.substr(col::kObject, col::kLabel - col::kObject));
}

// What the OCR engine's own choices say for a reading of the line (counted from 0): kBacked for
// each character of its fields where the reading differs from what was read and the engine
// offered the reading's character there.
Cost backing(std::string_view text, std::string_view ocr, size_t line, const alternatives::Index& alternatives) {
  constexpr Cost kBacked = kMargin;
  Cost bonus = 0;
  for (size_t i = 0; i < text.size() && i < ocr.size() && i < col::kComment; ++i)
    if (text[i] != ocr[i] && alternatives.percentFor(line + 1, i, text[i]) > 0) bonus += kBacked;
  return bonus;
}

// The value of a name as read, where the scope gives it exactly one.
class ExactNames final : public isa::LabelResolver {
 public:
  ExactNames(const Names& n, Scope s) : names_(n), scope_(s) {}
  std::optional<uint16_t> value(std::string_view label) const override {
    std::vector<uint16_t> v = names_.valuesOf(label, scope_);
    if (v.size() != 1) return std::nullopt;
    return v[0];
  }

 private:
  const Names& names_;
  Scope scope_;
};

}  // namespace

void Body::decide(const Names& names, const std::map<size_t, std::string>& labels, const std::vector<size_t>& disputed,
                  std::map<size_t, std::string>& rewrites, std::vector<size_t>& deleted, Reading& out) const {
  if (foreign_) return;
  emptyLinesInLabelRuns(deleted);
  for (size_t j = 0; j < numbered_.size(); ++j) {
    const NumberedLine& n = numbered_[j];
    if (n.duplicate) {
      deleted.push_back(n.line);
      continue;
    }
    if (n.number < 0 || !numberHolds(j)) continue;
    const NumberedFields& f = n.f;
    std::string_view ocr = text_[n.line];
    if (readsAsPrinted(n, names) || holdsAnotherLine(ocr) || harmlessComment(n)) continue;
    // A label that the table reads otherwise and nothing settles: the line is rewritten only
    // when romlift cannot read it at all, to give its bytes back.
    if (std::find(disputed.begin(), disputed.end(), n.line) != disputed.end() && tokenOf(ocr) != 0) continue;
    std::vector<Candidate> candidates;
    std::string fallback;  // written from the object code, when no reading is made
    std::string asRead;    // else the fields the runs give, the rest as read
    Cost cheapest = kLineLimit;
    auto add = [&](std::string text, bool code, std::string object = {}, bool sure = true) {
      int token = tokenOf(text);
      // A DS line gives the scanner no token: its address is for the checks.
      if ((token == 0 && n.kind != LineKind::Ds) || isCodeToken(token) != code) return;
      if (std::any_of(candidates.begin(), candidates.end(), [&](const Candidate& c) { return c.text == text; })) return;
      // A reading dearer than the cheapest so far by the margin can neither be chosen nor stop
      // the choice, nor be listed beside it: its cost is not worked out to the end (but for the
      // OCR engine's choices, which may make it cheaper).
      Cost limit = alternatives_ != nullptr ? kLineLimit : std::min(kLineLimit, cheapest + kMargin);
      Cost cost = channelCost(text, ocr, limit);
      if (object.empty()) object = text;
      if (cost > limit) return;
      if (alternatives_ != nullptr) cost = std::max<Cost>(0, cost - backing(text, ocr, n.line, *alternatives_));
      cheapest = std::min(cheapest, cost);
      candidates.push_back({std::move(text), token, std::move(object), cost, sure});
    };
    std::string address = n.address ? hex4(*n.address) : std::string();
    std::string label = labelOf(n, names, labels);
    LineParts p;
    p.number = n.number;
    p.comment = f.comment;
    switch (n.kind) {
      case LineKind::Code: {
        if (address.empty()) break;
        if (std::string text = completed(n, label); !text.empty()) {
          rewrites[n.line] = text;
          out.notes.push_back({n.line, writtenNote(text)});
          break;
        }
        InstructionQuery q{f.object, f.mnemonic, f.operand, n.address, &names, scope_};
        std::vector<Instruction> readings = readInstruction(q, kInstructions);
        if (mayBeCut(f, readings)) break;
        // A mnemonic and operand that no reading takes within the limit, on a labelled line
        // that closes a run of label-only lines: the object code read digit for digit speaks
        // for them, rather than leave romlift to drop the rest of the section after it.
        bool unread = std::none_of(readings.begin(), readings.end(), [](const Instruction& i) { return i.textCost <= kTextLimit; });
        bool garbled = unread && closesLabelRun(j);
        std::string readMnemonic = withoutSpecks(f.mnemonic), readObject = withoutSpecks(f.object);
        bool wellFormed = readObject.size() % 2 == 0 && readObject.size() <= 6 &&
                          std::all_of(readObject.begin(), readObject.end(), [](char c) { return holds(Alphabet::Hex, c); });
        if (unread) fallback = spokenByObject(n, label);
        if (unread && fallback.empty()) asRead = withRunFields(n, label);
        for (Instruction& ins : readings) {
          if ((n.span >= 0 ? n.span : n.length) >= 0 && ins.length != (n.span >= 0 ? n.span : n.length)) continue;
          bool objectAsRead = readObject == ins.object;
          bool sure = ins.textCost <= (objectAsRead && garbled ? kTextWithCode : kTextLimit);
          // Object code read as hex digits changes only where the instruction as read says
          // so, and no name's value, which may be misread where it is defined, decides it; by
          // more than a look-alike only where the field shows damage (a character too many).
          if (changesValue(ins.object, f.object) &&
              (ins.textCost > kSureText || ins.named || (ins.cost - ins.textCost > kRare && wellFormed)))
            sure = false;
          // A value from a name that only one reading gives must not go against a digit read
          // clearly as another; and no reading goes against two.
          size_t against = contradictions(ins.object, f.object);
          if (against > (ins.named ? 0u : 1u)) sure = false;
          // A mnemonic read as another of the instruction set changes only where the object
          // code, read digit for digit, says so.
          if (ins.mnemonic != readMnemonic && isa::isMnemonic(readMnemonic) && !objectAsRead) sure = false;
          // A line romlift reads as it stands keeps the name its operand spells where the name
          // that would replace it has no sure value: either spelling may be the misread one.
          if (ins.named && ins.operand != withoutBlanks(withoutSpecks(f.operand)) && isCodeToken(tokenOf(text_[n.line])))
            sure = false;
          // Object code that OCR lost is worked out only from a mnemonic and operand read well.
          if (readObject.empty() && ins.textCost > kSureText) sure = false;
          LineParts c = p;
          c.address = address;
          c.object = ins.object;
          c.label = label;
          c.mnemonic = ins.mnemonic;
          c.operand = ins.operand;
          add(layOut(c), true, ins.object, sure);
        }
        break;
      }
      case LineKind::Equ:
      case LineKind::Ds: {
        if (n.kind == LineKind::Ds && address.empty()) break;
        OperandReader operands(names, scope_, n.address);
        std::string read = withoutSpecks(f.operand);
        for (const Writing& w : operands.values(read, kLineLimit / 2, kValues)) {
          LineParts c = p;
          c.address = n.kind == LineKind::Equ ? hex4(w.value) : address;
          c.label = label;
          c.mnemonic = n.kind == LineKind::Equ ? "EQU" : "DS";
          c.operand = w.text;
          add(layOut(c), false, hex4(w.value));
        }
        break;
      }
      case LineKind::Org:
        if (n.value) {
          p.mnemonic = "ORG";
          p.operand = ":" + hex4(*n.value);
          add(layOut(p), false);
        }
        break;
      case LineKind::End:
        if (!address.empty()) {
          p.address = address;
          p.mnemonic = "END";
          add(layOut(p), false);
        }
        break;
      case LineKind::LabelOnly:
      case LineKind::StarComment: {
        if (!label.empty()) {
          LineParts c;
          c.number = n.number;
          c.label = label;
          add(layOut(c), false);
        }
        add(starComment(n.number, starText(n.line)), false);
        break;
      }
      case LineKind::ColumnComment: add(columnComment(n.number, f.comment), false); break;
      case LineKind::NumberOnly: add(number3(n.number), false); break;
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) { return a.cost < b.cost; });
    const Candidate* c = chosen(candidates);
    if (c != nullptr && c->text != ocr) {
      rewrites[n.line] = c->text;
    } else if (c == nullptr && !fallback.empty()) {
      rewrites[n.line] = fallback;
      out.notes.push_back({n.line, writtenNote(fallback)});
    } else if (c == nullptr && !asRead.empty()) {
      rewrites[n.line] = asRead;
    } else if (c == nullptr) {
      if (std::vector<std::string> near = rivals(candidates, ocr); !near.empty()) out.doubts.push_back({n.line, std::move(near)});
    }
  }
}

// A line number that the run gives against what was read (a digit lost, say) holds only between
// the numbers just before and after it.
bool Body::numberHolds(size_t j) const {
  const NumberedLine& n = numbered_[j];
  if (fieldCost(number3(n.number), n.f.number, kNever - 1) < kNever) return true;
  auto neighbour = [&](size_t k, int expected) { return numbered_[k].number == (expected + 1000) % 1000; };
  return j > 0 && j + 1 < numbered_.size() && neighbour(j - 1, n.number - 1) && neighbour(j + 1, n.number + 1);
}

void Body::emptyLinesInLabelRuns(std::vector<size_t>& deleted) const {
  for (size_t j = 0; j + 1 < numbered_.size(); ++j) {
    if (numbered_[j].kind != LineKind::LabelOnly) continue;
    const NumberedLine& next = numbered_[j + 1];
    if (next.kind != LineKind::LabelOnly && (next.kind != LineKind::Code || next.f.label.empty())) continue;
    // Only blank lines between the two: any other line there (one no field reads, say) may be
    // the code line the label stands on.
    std::vector<size_t> empty;
    bool other = false;
    for (size_t i = numbered_[j].line + 1; i < next.line; ++i) {
      if (text_[i].empty()) empty.push_back(i);
      else other = true;
    }
    if (!other) deleted.insert(deleted.end(), empty.begin(), empty.end());
  }
}

bool Body::closesLabelRun(size_t j) const {
  return j > 0 && numbered_[j - 1].kind == LineKind::LabelOnly && !numbered_[j].f.label.empty();
}

// A comment line that the scanner reads as a comment, or as nothing: its text is what OCR made
// of it, which nothing in the listing can check, and it gives no token that could hurt.
bool Body::harmlessComment(const NumberedLine& n) const {
  if (n.kind != LineKind::StarComment && n.kind != LineKind::ColumnComment && n.kind != LineKind::NumberOnly) return false;
  int token = tokenOf(text_[n.line]);
  return token == 0 || token == COM1 || token == COM2 || token == NUMLINEVIDE;
}

// A line that the scanner reads as the kind it is, with the number and address the runs give it
// and, for a code line, the object code its instruction gives: nothing to mend.
bool Body::readsAsPrinted(const NumberedLine& n, const Names& names) const {
  if (n.kind == LineKind::Equ || n.kind == LineKind::Ds) return directiveAsPrinted(n, names);
  std::string_view ocr = text_[n.line];
  int token = tokenOf(ocr);
  if (token == 0 || n.number < 0 || number3(n.number) != ocr.substr(0, kNumberWidth)) return false;
  switch (n.kind) {
    case LineKind::Code: {
      if (!isCodeToken(token) || !n.address || hex4(*n.address) != ocr.substr(col::kAddress, kAddressWidth)) return false;
      CodeFields c = codeFields(ocr.data(), ocr.size(), token);
      std::string_view object = ocr.substr(col::kObject);
      object = object.substr(0, object.find(' '));
      ExactNames labels(names, scope_);
      const isa::InstructionSet& set = *isa::findInstructionSet(isa::kDefaultInstructionSet);
      isa::Expected e = set.expected({c.mnemonic, c.operand, *n.address}, labels);
      // Bytes nobody can tell for names nobody defines: as printed when the operand reads as an
      // expression at all.
      if (e.verdict == isa::Verdict::kNotCheckable || (e.verdict == isa::Verdict::kExpected && !e.operandKnown)) {
        class AnyName final : public isa::LabelResolver {
         public:
          std::optional<uint16_t> value(std::string_view) const override { return 0; }
        } any;
        isa::Expected guess = set.expected({c.mnemonic, c.operand, *n.address}, any);
        return guess.verdict == isa::Verdict::kExpected && guess.operandKnown &&
               2 * std::min<size_t>(guess.length, 3) == object.size();
      }
      if (e.verdict != isa::Verdict::kExpected || 2 * std::min<size_t>(e.length, 3) != object.size()) return false;
      return hexBytes(e.bytes.data(), e.length) == object;
    }
    case LineKind::StarComment: return token == COM1;
    case LineKind::ColumnComment: return token == COM2;
    case LineKind::LabelOnly: return token == LABELSUP;
    case LineKind::NumberOnly: return token == NUMLINEVIDE;
    case LineKind::Org: return token == ORG;
    case LineKind::End: return token == END && n.address && hex4(*n.address) == ocr.substr(col::kAddress, kAddressWidth);
    default: return false;
  }
}

// An EQU or DS line with its fields at their columns, the number and address the runs give it,
// and for EQU the value its operand gives; romlift's scanner reads no token from either.
bool Body::directiveAsPrinted(const NumberedLine& n, const Names& names) const {
  std::string_view ocr = text_[n.line];
  const NumberedFields& f = n.f;
  if (n.number < 0 || number3(n.number) != ocr.substr(0, kNumberWidth) || !f.object.empty() || f.specks != 0) return false;
  std::optional<uint16_t> at = n.kind == LineKind::Equ ? n.value : n.address;
  if (!at || hex4(*at) != f.address || f.operand.find(' ') != std::string::npos) return false;
  if (n.kind == LineKind::Equ) {
    std::optional<uint16_t> value = isa::evaluate(f.operand, std::nullopt, ExactNames(names, scope_));
    if (!value || *value != *at) return false;
  }
  LineParts p;
  p.number = n.number;
  p.address = f.address;
  p.label = f.label;
  p.mnemonic = n.kind == LineKind::Equ ? "EQU" : "DS";
  p.operand = f.operand;
  std::string fields = layOut(p);
  return ocr.substr(0, fields.size()) == fields && (ocr.size() == fields.size() || ocr.substr(fields.size(), 2) == "  ");
}

// A line that ends on its mnemonic or operand may have been cut there: when a reading of the
// instruction that goes on from what was read fits the object code as well as any that does
// not, the line is left to the completion of cut lines.
bool Body::mayBeCut(const NumberedFields& f, const std::vector<Instruction>& readings) const {
  if (!f.comment.empty()) return false;
  std::string operand = withoutBlanks(f.operand), mnemonic = withoutBlanks(f.mnemonic);
  auto extends = [](std::string_view longer, std::string_view shorter) {
    return longer.size() > shorter.size() && longer.starts_with(shorter);
  };
  // Cut when a reading that goes on explains the object code as read as well as any other.
  Cost goesOn = kNever, stops = kNever;
  for (const Instruction& ins : readings) {
    bool longer = extends(ins.mnemonic, mnemonic) ||
                  (ins.mnemonic == mnemonic && (operand.empty() ? !ins.operand.empty() : extends(ins.operand, operand)));
    Cost& c = longer ? goesOn : stops;
    c = std::min(c, ins.cost - ins.textCost);
  }
  if (goesOn <= stops) return true;
  // The value that the object code as read gives, written in a way that goes on from what was read.
  std::string digits;
  for (char c : f.object)
    if (c != ' ') digits += c;
  bool data = mnemonic == "DB" || mnemonic == "DW";
  size_t from = data ? 0 : 2;  // the value's digits: all of a DB or DW, those after the opcode else
  bool clearObject = digits.size() >= from + 2 && digits.size() % 2 == 0 &&
                     std::all_of(digits.begin(), digits.end(), [](char c) { return holds(Alphabet::Hex, c); });
  size_t comma = data ? std::string::npos : operand.find(',');
  std::string_view readValue = comma == std::string::npos ? std::string_view(operand) : std::string_view(operand).substr(comma + 1);
  if (clearObject && !readValue.empty()) {
    unsigned value = static_cast<unsigned>(std::stoul(digits.substr(from, 2), nullptr, 16));
    if (digits.size() >= from + 4 && mnemonic != "DB") value |= static_cast<unsigned>(std::stoul(digits.substr(from + 2, 2), nullptr, 16)) << 8;
    static const Names kNone;
    for (const Writing& w : OperandReader(kNone, kAnywhere, std::nullopt).writingsOf(static_cast<uint16_t>(value), readValue, kNever - 1))
      if (extends(w.text, readValue)) return true;
  }
  return false;
}

}  // namespace romlift::reading
