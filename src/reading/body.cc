#include "reading/body.h"

#include <algorithm>

#include "reading/glyphs.h"
#include "reading/instruction.h"
#include "reading/layout.h"
#include "reading/operands.h"
#include "reading/runs.h"
#include "reading/survey.h"

namespace romlift::reading {
namespace {

constexpr Cost kKeyword = 4;        // EQU, DS, ORG, END read this close are those keywords
constexpr Cost kLengthSlack = 4;    // readings this close to the best must give the same length
constexpr size_t kLengthReadings = 6;
constexpr Cost kGarbledText = 10;     // a data line's text read no better than this tells no length

bool near(std::string_view word, std::string_view read, Cost limit) { return channelCost(word, read, limit) <= limit; }

bool starLike(char c) { return c == '*' || c == 'x' || c == 'X' || c == 'K' || c == '#' || c == '+'; }

// The value of a hex field as read, each character taken for its cheapest hex digit.
std::optional<uint16_t> hexValue(std::string_view read, Cost& cost) {
  if (read.size() != 4) return std::nullopt;
  unsigned v = 0;
  cost = 0;
  for (char c : read) {
    std::span<const Glyph> r = readingsOf(c, Alphabet::Hex);
    if (r.empty()) return std::nullopt;
    v = v * 16 + static_cast<unsigned>(r[0].c <= '9' ? r[0].c - '0' : r[0].c - 'A' + 10);
    cost += r[0].cost;
  }
  return static_cast<uint16_t>(v);
}

}  // namespace

bool wellFormedName(std::string_view s) {
  if (s.empty() || s.size() > 6 || s[0] < 'A' || s[0] > 'Z') return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return holds(Alphabet::Name, c) && c != '$'; });
}

Body::Body(const std::vector<std::string_view>& lines, const std::vector<Surveyed>& shapes, const Section& s,
           Scope scope, const alternatives::Index* alternatives)
    : text_(lines), section_(s), scope_(scope), alternatives_(alternatives) {
  if (s.bodyEnd > s.begin) numbered_.reserve(s.bodyEnd - s.begin);
  for (size_t i = s.begin; i < s.bodyEnd; ++i) {
    if (shapes[i].shape != Shape::Numbered) continue;
    NumberedLine n;
    n.line = i;
    n.f = numberedFields(lines[i]);
    numbered_.push_back(std::move(n));
  }
  guessKinds();
  judgeForeign();
  runNumbers();
  runAddresses();
}

void Body::guessKinds() {
  Names constants;
  for (NumberedLine& n : numbered_) {
    const NumberedFields& f = n.f;
    bool fieldsEmpty = f.label.empty() && f.mnemonic.empty() && f.operand.empty();
    if (f.address.empty() && f.object.empty() && fieldsEmpty) {
      n.kind = f.comment.empty() ? LineKind::NumberOnly : LineKind::ColumnComment;
    } else if (f.address.empty() && f.object.empty()) {
      if (f.label.empty() && near("ORG", f.mnemonic, kKeyword)) {
        n.kind = LineKind::Org;
      } else if (!f.label.empty() && starLike(f.label[0])) {
        n.kind = LineKind::StarComment;
      } else {
        bool alone = f.mnemonic.empty() && f.operand.empty() && f.comment.empty() && f.label.find(' ') == std::string::npos;
        n.kind = alone ? LineKind::LabelOnly : LineKind::StarComment;
      }
    } else if (f.object.empty() && near("EQU", f.mnemonic, kKeyword)) {
      n.kind = LineKind::Equ;
    } else if (f.object.empty() && near("DS", f.mnemonic, kKeyword - 1)) {
      n.kind = LineKind::Ds;
    } else if (f.object.empty() && f.operand.empty() && near("END", f.mnemonic, kKeyword)) {
      n.kind = LineKind::End;
    } else {
      n.kind = LineKind::Code;
    }
    OperandReader operands(constants, scope_, std::nullopt);
    switch (n.kind) {
      case LineKind::Code: {
        // A code line the scanner reads as one: its object code tells its length.
        // Object code alone under a line number of its own is a line cut short, perhaps inside
        // its object code: its length is unknown. (A DB's further bytes keep its number.)
        if (f.mnemonic.empty() && f.operand.empty() && (&n == numbered_.data() || (&n - 1)->f.number != f.number))
          break;
        if (int token = tokenOf(text_[n.line]); isCodeToken(token)) {
          n.length = static_cast<int>(f.object.size() / 2);
          break;
        }
        InstructionQuery q{f.object, f.mnemonic, f.operand, std::nullopt, nullptr, scope_, 24, true};
        std::vector<Instruction> r = readInstruction(q, kLengthReadings);
        // An operand OCR garbled leaves no reading; a mnemonic read as printed still tells, and
        // so does the data's object code read as hex digits.
        std::string digits = withoutSpecks(f.object);
        bool hexDigits = !digits.empty() && digits.size() % 2 == 0 && digits.size() <= 6 &&
                         std::all_of(digits.begin(), digits.end(), [](char c) { return holds(Alphabet::Hex, c); });
        bool garbled = r.empty() || r[0].textCost > kGarbledText;
        if (garbled && hexDigits && (f.mnemonic == "DB" || f.mnemonic == "DW")) {
          n.length = static_cast<int>(digits.size() / 2);
          break;
        }
        if (r.empty()) {
          if (int length = lengthOf(f.mnemonic); length > 0) n.length = length;
          break;
        }
        bool same = std::all_of(r.begin(), r.end(), [&](const Instruction& x) {
          return x.cost > r[0].cost + kLengthSlack || x.length == r[0].length;
        });
        if (same) n.length = r[0].length;
        break;
      }
      case LineKind::Equ:
      case LineKind::Ds: {
        std::vector<Writing> v = operands.values(withoutSpecks(f.operand), kRare * 2, 2);
        if (v.empty() || (v.size() > 1 && v[1].cost <= v[0].cost)) break;
        // An EQU prints its value in the address column too: when that reads clean as another
        // value, one of the two was misread and the line tells no value.
        if (n.kind == LineKind::Equ && f.address.size() == 4 &&
            std::all_of(f.address.begin(), f.address.end(), [](char c) { return holds(Alphabet::Hex, c); }) &&
            hex4(v[0].value) != f.address)
          break;
        if (n.kind == LineKind::Ds) n.length = v[0].value;
        n.value = v[0].value;
        if (n.kind == LineKind::Equ && wellFormedName(f.label)) constants.add(f.label, v[0].value, scope_);
        break;
      }
      case LineKind::Org: {
        Cost c = 0;
        std::string operand = withoutSpecks(f.operand);
        if (!operand.empty()) n.value = hexValue(std::string_view(operand).substr(1), c);
        break;
      }
      default: break;
    }
  }
}

void Body::judgeForeign() {
  // A code line's mnemonic read as one of another processor's: letters only, and no instruction
  // or directive of this one near it.
  size_t code = 0, other = 0;
  for (const NumberedLine& n : numbered_) {
    if (n.kind != LineKind::Code) continue;
    ++code;
    const std::string& m = n.f.mnemonic;
    bool letters = m.size() >= 2 && m.size() <= 4 && std::all_of(m.begin(), m.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    if (letters && !givesBytes(m)) ++other;
  }
  constexpr size_t kForeignShare = 3;  // one code line in three
  foreign_ = other >= kForeignShare && other * kForeignShare >= code;
}

void Body::runNumbers() {
  std::vector<RunField> fields;
  std::vector<size_t> at;
  for (size_t j = 0; j < numbered_.size(); ++j) {
    NumberedLine& n = numbered_[j];
    // The line before printed again, as OCR sometimes does: the run goes on past it.
    if (j > 0 && text_[n.line] == text_[numbered_[j - 1].line] && !numbered_[j - 1].duplicate) {
      n.duplicate = true;
      continue;
    }
    if (!fields.empty() && continues(at.back(), j)) fields.back().step = 0;
    fields.push_back({n.f.number, 1, false});
    at.push_back(j);
  }
  std::vector<std::optional<unsigned>> numbers = readRun(fields, RunShape{1000, 3, false}, 1u);
  for (size_t k = 0; k < at.size(); ++k)
    if (numbers[k]) numbered_[at[k]].number = static_cast<int>(*numbers[k]);
  for (NumberedLine& n : numbered_)
    if (n.duplicate) n.number = -1;
}

bool Body::continues(size_t before, size_t j) const {
  const NumberedFields& a = numbered_[before].f;
  const NumberedFields& b = numbered_[j].f;
  auto data = [](const std::string& m) { return m == "DB" || m == "DW"; };
  if (a.number != b.number || !data(a.mnemonic) || !data(b.mnemonic) || !b.label.empty()) return false;
  Cost fromCost = 0, toCost = 0;
  std::optional<uint16_t> from = hexValue(a.address, fromCost), to = hexValue(b.address, toCost);
  std::string object = withoutBlanks(a.object);
  return fromCost + toCost == 0 && from && to && static_cast<uint16_t>(*from + object.size() / 2) == *to;
}

bool Body::gapAfter(size_t j) const {
  // A numbered line lost between this line and the next that bears an address: the lost line
  // may have given bytes.
  int number = numbered_[j].number;
  for (size_t k = j + 1; k < numbered_.size(); ++k) {
    const NumberedLine& n = numbered_[k];
    if (n.duplicate) continue;
    if (number < 0 || n.number < 0 || n.number != (number + 1) % 1000) return true;
    if (n.kind == LineKind::Code || n.kind == LineKind::Ds || n.kind == LineKind::End || n.kind == LineKind::Org)
      return false;
    number = n.number;
  }
  return false;
}

std::optional<uint16_t> Body::readAddress(const NumberedLine& n, Cost& cost) const {
  return hexValue(withoutSpecks(n.f.address), cost);
}

void Body::runAddresses() {
  std::vector<RunField> fields;
  std::vector<std::string> orgs;  // the ORG lines' addresses as read, without the colon
  std::vector<size_t> at;
  orgs.reserve(numbered_.size());
  for (size_t j = 0; j < numbered_.size(); ++j) {
    NumberedLine& n = numbered_[j];
    if (n.duplicate) continue;
    switch (n.kind) {
      case LineKind::Org: {
        std::string operand = withoutSpecks(n.f.operand);
        orgs.push_back(operand.size() > 4 ? operand.substr(operand.size() - 4) : operand);
        fields.push_back({orgs.back(), 0, true, false, operand.empty() || operand[0] != ':'});
        break;
      }
      case LineKind::Code:
      case LineKind::Ds:
        fields.push_back({n.f.runOn.empty() ? std::string_view(n.f.address) : std::string_view(n.f.runOn),
                          gapAfter(j) ? -1 : n.length, false, !n.f.runOn.empty()});
        break;
      case LineKind::End: fields.push_back({n.f.address, 0, false}); break;
      default: continue;
    }
    at.push_back(j);
  }
  std::vector<std::optional<unsigned>> values = readRun(fields, RunShape{65536, 4, true});
  for (size_t k = 0; k < at.size(); ++k) {
    NumberedLine& n = numbered_[at[k]];
    std::optional<uint16_t> v;
    if (values[k]) v = static_cast<uint16_t>(*values[k]);
    (n.kind == LineKind::Org ? n.value : n.address) = v;
  }
  // How far each line's address is from the next one's, where the run goes on between them.
  for (size_t k = 0; k + 1 < at.size(); ++k) {
    NumberedLine& n = numbered_[at[k]];
    const NumberedLine& next = numbered_[at[k + 1]];
    if (n.kind == LineKind::Org || next.kind == LineKind::Org || !n.address || !next.address) continue;
    int span = static_cast<uint16_t>(*next.address - *n.address);
    if (span == n.length || (n.length < 0 && n.kind == LineKind::Code && span >= 1 && span <= 3)) n.span = span;
  }
}

void Body::defineNames(Names& names) const {
  for (const Definition& d : definitions())
    if (wellFormedName(d.label)) names.add(d.label, d.value, scope_);
  // A label whose line stands at no address the runs tell: defined here, at a value unknown.
  for (const NumberedLine& n : numbered_) {
    std::string label = withoutSpecks(n.f.label);
    bool located = n.kind == LineKind::Equ ? n.value.has_value() : n.address.has_value();
    if (wellFormedName(label) && (n.kind == LineKind::Code || n.kind == LineKind::Ds || n.kind == LineKind::Equ) && !located)
      names.addUnknown(label, scope_);
  }
}

}  // namespace romlift::reading

namespace romlift::reading {

void Body::countUses(Uses& uses) const {
  for (const NumberedLine& n : numbered_) {
    if (n.kind != LineKind::Code && n.kind != LineKind::Equ && n.kind != LineKind::Ds) continue;
    std::string term;
    for (char c : n.f.operand + ",") {
      if (c == ',' || c == '+' || c == '-' || c == ' ' || c == '(' || c == ')' || c == '*' || c == '/') {
        if (wellFormedName(term)) ++uses[term];
        term.clear();
      } else {
        term += c;
      }
    }
  }
}

std::vector<Definition> Body::definitions() const {
  std::vector<Definition> out;
  for (size_t j = 0; j < numbered_.size(); ++j) {
    const NumberedLine& n = numbered_[j];
    std::string label = withoutSpecks(n.f.label);
    if (label.empty()) continue;
    std::optional<uint16_t> value;
    bool sure = false;
    if ((n.kind == LineKind::Code || n.kind == LineKind::Ds) && n.address) {
      value = n.address;
      sure = fieldCost(hex4(*n.address), n.f.address, kFrequent) <= kFrequent;
    } else if (n.kind == LineKind::Equ && n.value) {
      value = n.value;
      sure = fieldCost(hex4(*n.value), n.f.address, kFrequent) <= kFrequent;
    } else if (n.kind == LineKind::LabelOnly) {
      // At the next code line, when nothing between them could be another line misread.
      for (size_t k = j + 1; k < numbered_.size() && !value; ++k) {
        bool unread = false;
        for (size_t i = numbered_[k - 1].line + 1; i < numbered_[k].line; ++i)
          unread = unread || (!text_[i].empty() && !text_[i].starts_with("PAGE"));
        // A line number skipped: the line it numbered, which the label may stand on, was lost.
        int before = numbered_[k - 1].number, after = numbered_[k].number;
        if (unread || (before >= 0 && after >= 0 && after != (before + 1) % 1000)) break;
        if (numbered_[k].kind == LineKind::LabelOnly) continue;
        if (numbered_[k].kind != LineKind::Code) break;
        value = numbered_[k].address;
      }
    }
    if (value) out.push_back({n.line, label, *value, sure});
  }
  return out;
}

}  // namespace romlift::reading
