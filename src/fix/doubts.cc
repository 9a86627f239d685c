// The edits that the listing cannot decide alone: good by the checks, but taking one side of a
// disagreement for the truth without a witness, or mending nothing a label could.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/charclass.h"
#include "fix/completion.h"
#include "fix/evaluation.h"
#include "isa/instruction_set.h"
#include "scanner/rules.h"
#include "scanner/token.h"
#include "verify/judgement.h"
#include "verify/label_table.h"

namespace romlift::fix {
namespace {

bool holds(const std::vector<size_t>& sorted, size_t line) { return std::binary_search(sorted.begin(), sorted.end(), line); }

// Whether `word` stands in text with blanks or the line's ends around it.
bool holdsWord(std::string_view text, std::string_view word) {
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
    size_t end = at + word.size();
    if ((at == 0 || text[at - 1] == ' ') && (end == text.size() || text[end] == ' ')) return true;
  }
  return false;
}

}  // namespace

// An edit that only changes labels can only mend something when a label it writes is one that
// the other side gives at that address (the symbol tables for a code line, the code lines,
// EQU and DS lines for a table entry), or one that an operand uses.
bool Evaluator::mayMendLabels(const Edit& edit, const Facts& fresh) const {
  const Facts& base = base_.facts();
  if (edit.count != edit.lines.size()) return true;
  const SegmentLabels* s = base_.index().segment(base.segmentText(base.lines[edit.first]));
  bool changed = false;
  auto found = [](const std::vector<Located>& list, const ShortText& label, const ShortText* adr) {
    return std::any_of(list.begin(), list.end(),
                       [&](const Located& l) { return l.label == label && (adr == nullptr || l.adr == *adr); });
  };
  auto helps = [&](const ShortText& label, const ShortText* adr, bool table) {
    changed = true;
    if (!base_.index().users(verify::labelKey(label)).empty()) return true;
    if (s == nullptr) return false;
    return table ? found(s->code, label, adr) || found(s->directives, label, adr) : found(s->table, label, adr);
  };
  for (size_t k = 0; k < edit.count; ++k) {
    const LineFacts& was = base.lines[edit.first + k];
    const LineFacts& now = fresh.lines[k];
    if (was.kind != now.kind || was.token != now.token || was.value != now.value || was.bytes != now.bytes ||
        std::memcmp(was.object, now.object, sizeof was.object) != 0 || was.number != now.number ||
        was.endEntry - was.firstEntry != now.endEntry - now.firstEntry)
      return true;
    if (!(was.label == now.label)) {
      if (!wellFormedLabel(was.label) && wellFormedLabel(now.label)) return true;
      ShortText adr = hexText(now.value);
      if (helps(now.label, now.kind == Kind::LabelOnly ? nullptr : &adr, false)) return true;
    }
    for (uint32_t e = 0; e < was.endEntry - was.firstEntry; ++e) {
      const TableEntry& a = base.entries[was.firstEntry + e];
      const TableEntry& b = fresh.entries[now.firstEntry + e];
      if (!(a.adr == b.adr)) return true;
      if (!(a.label == b.label) && helps(b.label, &b.adr, true)) return true;
    }
  }
  return !changed;
}

// An operand name that no line defines stands for one place however many lines use it: an
// edit that takes it out of one of them and leaves it in others mends none.
bool Evaluator::keepsUnknownNames(const Edit& edit, const Facts& fresh) const {
  const Facts& base = base_.facts();
  std::set<std::string_view> kept;
  for (size_t k = 0; k < fresh.lines.size(); ++k)
    if (fresh.lines[k].kind == Kind::Code)
      for (std::string_view name : operandNames(fieldsOf(edit.lines[k], fresh.lines[k]).operand)) kept.insert(name);
  for (size_t i = edit.first; i < edit.first + edit.count; ++i) {
    if (base.lines[i].kind != Kind::Code) continue;
    std::string seg = base.segmentText(base.lines[i]);
    for (std::string_view name : operandNames(fieldsOf(base_.lines()[i].text, base.lines[i]).operand)) {
      if (kept.count(name) || base_.index().value(name, seg, nullptr)) continue;
      const std::vector<size_t>& users = base_.index().users(verify::labelKey(name));
      bool elsewhere = std::any_of(users.begin(), users.end(), [&](size_t u) { return u < edit.first || u >= edit.first + edit.count; });
      if (elsewhere) return true;
    }
  }
  return false;
}

// An edit that rewrites a use of a label, its operand or its object code, takes the label's
// definition for the truth: it may only when a symbol table and the defining line agree on it.
// Else the definition may as well be the misread one.
bool Evaluator::leansOnUnconfirmed(const Edit& edit, const Facts& fresh) const {
  if (edit.count != 1 || edit.lines.size() != 1 || fresh.lines[0].kind != Kind::Code) return false;
  const LineFacts& was = base_.facts().lines[edit.first];
  CodeFields now = fieldsOf(edit.lines[0], fresh.lines[0]);
  std::string_view old = base_.lines()[edit.first].text;
  std::string_view object = std::string_view(edit.lines[0]).substr(col::kObject, 2 * fresh.lines[0].bytes);
  // The operand is the same when the old text holds it as a word of its own.
  bool sameOperand = now.operand.empty() || holdsWord(old, now.operand);
  if (sameOperand && old.substr(col::kObject, object.size()) == object) return false;
  std::string seg = base_.facts().segmentText(was);
  for (std::string_view name : operandNames(now.operand))
    if (!base_.index().confirmed(name, seg)) return true;
  return false;
}

// Only the instruction table confirms a new mnemonic or operand: where it cannot judge the line
// (a mnemonic it does not know, another processor's range, a value it cannot work out), a mark
// taken out of an operand may as well have been printed.
bool Evaluator::rewritesUnjudged(const Edit& edit, const Facts& fresh) const {
  auto inOld = [&](std::string_view word) {
    if (word.empty()) return true;
    for (size_t i = edit.first; i < edit.first + edit.count; ++i)
      if (holdsWord(base_.lines()[i].text, word)) return true;
    return false;
  };
  const std::vector<std::string>& foreign = base_.foreign();
  for (size_t k = 0; k < fresh.lines.size(); ++k) {
    const LineFacts& now = fresh.lines[k];
    if (now.kind != Kind::Code) continue;
    CodeFields fields = fieldsOf(edit.lines[k], now);
    if (inOld(fields.mnemonic) && inOld(fields.operand)) continue;
    std::string seg = fresh.segmentText(now);
    if (std::binary_search(foreign.begin(), foreign.end(), seg)) return true;
    if (checkCode(edit.lines[k], now, RangeResolver(base_.index(), seg, nullptr)) != CodeVerdict::Good) return true;
  }
  return false;
}

// An edit that rewrites an operand to fit the object code, where the old operand gives that
// code but for one digit that OCR confuses in the object-code column (5 and 6, 3 and 8, ...),
// takes the object code for the truth: the digit may as well be the misread one.
bool Evaluator::bendsOperandToCode(const Edit& edit, const Facts& fresh) const {
  if (edit.count != 1 || fresh.lines.size() != 1) return false;
  const LineFacts& was = base_.facts().lines[edit.first];
  const LineFacts& now = fresh.lines[0];
  if (was.kind != Kind::Code || now.kind != Kind::Code || was.bytes != now.bytes ||
      std::memcmp(was.object, now.object, sizeof was.object) != 0)
    return false;
  CodeFields old = fieldsOf(base_.lines()[edit.first].text, was);
  if (old.operand == fieldsOf(edit.lines[0], now).operand) return false;
  RangeResolver labels(base_.index(), base_.facts().segmentText(was), nullptr);
  isa::Expected e = isa::findInstructionSet(isa::kDefaultInstructionSet)->expected({old.mnemonic, old.operand, was.value}, labels);
  if (e.verdict != isa::Verdict::kExpected || !e.operandKnown || e.length != was.bytes) return false;
  verify::Shown shown;
  shown.count = was.bytes;
  std::copy(was.object, was.object + was.bytes, shown.bytes);
  verify::Finding finding;
  verify::judge(e, shown, finding);
  return verify::misreadDigit(finding).has_value();
}

// A line split in two leaves the end of a line on the next: not a line number and an address,
// which a line of its own damaged elsewhere shows (`156.C137 E244C0 ...`).
bool Evaluator::joinsANumberedLine(const Edit& edit) const {
  if (edit.count != 2 || edit.lines.size() != 1) return false;
  std::string_view tail = base_.lines()[edit.first + 1].text;
  if (!mayHoldNumber(tail)) return false;
  // Past the number's three digits and the marks among them, then a blank or a mark, or both.
  size_t at = 0;
  for (size_t digits = 0; at < tail.size() && digits < kNumberWidth; ++at)
    if (!isStrayMark(tail[at])) ++digits;
  size_t number = at;
  while (at < tail.size() && at < number + 2 && (tail[at] == ' ' || isStrayMark(tail[at]))) ++at;
  if (at == number || tail.size() < at + kAddressWidth) return false;
  std::string_view address = tail.substr(at, kAddressWidth);
  return std::all_of(address.begin(), address.end(), [](char c) {
    std::string_view was = readAs(c);
    return isHex(c) || std::any_of(was.begin(), was.end(), isHex);
  });
}

// An edit that moves a symbol-table entry to the address of a code or DS line takes that line's
// address for the truth: not when the line does not stand where the one before it ends, nor
// when the next does not stand where it ends (two lines misread alike follow on from each other).
bool Evaluator::followsBrokenAddress(const Edit& edit, const Facts& fresh) const {
  const Facts& base = base_.facts();
  for (size_t k = 0; k < fresh.lines.size() && k < edit.count; ++k) {
    const LineFacts& was = base.lines[edit.first + k];
    const LineFacts& now = fresh.lines[k];
    if (was.kind != Kind::Table || now.kind != Kind::Table) continue;
    const SegmentLabels* s = base_.index().segment(base.segmentText(was));
    if (s == nullptr) continue;
    for (uint32_t e = now.firstEntry; e < now.endEntry; ++e) {
      const TableEntry& entry = fresh.entries[e];
      bool moved = std::none_of(base.entries.begin() + was.firstEntry, base.entries.begin() + was.endEntry,
                                [&](const TableEntry& old) { return old.label == entry.label && old.adr == entry.adr; });
      if (!moved) continue;
      for (const auto* list : {&s->code, &s->directives})
        for (const Located& c : *list)
          if (c.label == entry.label && c.adr == entry.adr && holds(breaks_, c.owner)) return true;
    }
  }
  return false;
}

// An edit that respells a label where the symbol tables and the defining line disagree takes one
// side for the other: the listing says which only when operands of the same range use the new
// spelling, or when the old one is no label at all; and never when the new one is none.
bool Evaluator::respellsWithoutWitness(const Edit& edit, const Facts& fresh) const {
  if (edit.count != fresh.lines.size()) return false;
  const Facts& base = base_.facts();
  std::string_view seg = base.segmentText(base.lines[edit.first]);
  auto unwitnessed = [&](const ShortText& was, const ShortText& now) {
    if (was == now || !wellFormedLabel(was)) return false;
    if (!wellFormedLabel(now)) return true;  // never a misreading of a good label for a bad one
    const std::vector<size_t>& users = base_.index().users(verify::labelKey(now));
    return std::none_of(users.begin(), users.end(), [&](size_t u) { return seg == base.segmentText(base.lines[u]); });
  };
  for (size_t k = 0; k < edit.count; ++k) {
    const LineFacts& was = base.lines[edit.first + k];
    const LineFacts& now = fresh.lines[k];
    if (was.kind != now.kind) continue;
    if (was.label.text[0] != '\0' && now.label.text[0] != '\0' && unwitnessed(was.label, now.label)) return true;
    if (was.endEntry - was.firstEntry != now.endEntry - now.firstEntry) continue;
    for (uint32_t e = 0; e < was.endEntry - was.firstEntry; ++e)
      if (unwitnessed(base.entries[was.firstEntry + e].label, fresh.entries[now.firstEntry + e].label)) return true;
  }
  return false;
}

// A use of a label that disagrees with the label's value is mended at the use only when no other
// use disagrees too: several that agree with each other against the value point at the line
// that gives it.
bool Evaluator::disputesName(const Edit& edit, const std::vector<Problem>& resolved) const {
  const Facts& base = base_.facts();
  for (const Problem& p : resolved) {
    bool written = p.line >= edit.first && p.line < edit.first + edit.count;
    if (!written || (p.kind != ProblemKind::Bytes && p.kind != ProblemKind::UnknownName)) continue;
    const LineFacts& f = base.lines[p.line];
    if (f.kind != Kind::Code) continue;
    for (std::string_view name : operandNames(fieldsOf(base_.lines()[p.line].text, f).operand)) {
      for (size_t u : base_.index().users(verify::labelKey(name)))
        if ((u < edit.first || u >= edit.first + edit.count) && holds(disputed_, u)) return true;
    }
  }
  return false;
}

// A line cut short may end on an operand that is itself a whole operand, whose value its object
// code then seems to contradict (`CPI 0` cut from `CPI 0C0H`, with FE C0 shown; `DB 0` cut from
// `DB 0D0H`), or on a mnemonic that is itself a whole one (`RP` cut from `RPO`, E0 shown). An
// edit of the object code is in doubt when the operand or the mnemonic, with nothing after it,
// may be the start of another that gives the object code as shown.
bool Evaluator::mayBeCutShort(const Edit& edit, const Facts& fresh) const {
  if (edit.count != 1 || fresh.lines.size() != 1) return false;
  const LineFacts& was = base_.facts().lines[edit.first];
  const LineFacts& now = fresh.lines[0];
  if (was.kind != Kind::Code || now.kind != Kind::Code) return false;
  if (was.bytes == now.bytes && std::memcmp(was.object, now.object, sizeof was.object) == 0) return false;
  std::string_view text = base_.lines()[edit.first].text;
  if (was.token == CODE || was.token == CODEL) {
    // The line ends on its mnemonic: RP may be what is left of RPO, which E0 gives as shown.
    CodeFields f = codeFields(text.data(), text.size(), was.token);
    const Decoded& d = decoded(was.object[0]);
    return d.length == was.bytes && d.mnemonic.size() > f.mnemonic.size() && d.mnemonic.starts_with(f.mnemonic);
  }
  if (was.token != CODEO && was.token != CODELO) return false;
  CodeFields f = codeFields(text.data(), text.size(), was.token);
  size_t split = f.operand.find_last_of(",+-");
  std::string_view head = split == std::string_view::npos ? std::string_view() : f.operand.substr(0, split + 1);
  std::string_view last = f.operand.substr(head.size());
  // Every byte shown and every word of two of them: an instruction's operand, a DB item, a DW.
  std::vector<unsigned> values(was.object, was.object + was.bytes);
  for (size_t k = 0; k + 1 < was.bytes; ++k) values.push_back(was.object[k] | unsigned{was.object[k + 1]} << 8);
  const isa::InstructionSet& set = *isa::findInstructionSet(isa::kDefaultInstructionSet);
  auto givesShown = [&](const std::string& operand) {
    isa::Expected e = set.expected({f.mnemonic, operand, was.value}, isa::NoLabels());
    bool longer = was.bytes == verify::kShownBytes && e.length > was.bytes;  // data the column cannot show whole
    return e.verdict == isa::Verdict::kExpected && e.operandKnown && (e.length == was.bytes || longer) &&
           std::equal(was.object, was.object + was.bytes, e.bytes.begin());
  };
  const SegmentLabels* labels = base_.index().segment(base_.facts().segmentText(was));
  for (unsigned v : values) {
    std::vector<std::string> ws = valueWritings(v);
    for (const std::pair<uint64_t, uint16_t>& named : labels != nullptr ? labels->values : decltype(labels->values){}) {
      ShortText name;
      std::memcpy(name.text, &named.first, sizeof named.first);
      if (named.second == v && !last.empty()) ws.emplace_back(name.c_str());
    }
    for (const std::string& w : ws) {
      if (w.size() <= last.size() || w.compare(0, last.size(), last) != 0 || head.size() + w.size() > kMaxOperand)
        continue;
      bool label = std::isalpha(static_cast<unsigned char>(w[0])) != 0;
      if (label || givesShown(std::string(head) + w)) return true;
    }
  }
  return false;
}

}  // namespace romlift::fix
