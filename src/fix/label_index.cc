#include "fix/label_index.h"

#include <algorithm>

#include "bytes/charclass.h"
#include "fix/code_line.h"
#include "isa/value.h"

namespace romlift::fix {

namespace {

constexpr std::string_view kRegisterNames[] = {"A", "B", "C", "D", "E", "H", "L", "M", "SP", "PSW"};

}  // namespace

bool wellFormedLabel(const ShortText& label) {
  std::string_view text = label.c_str();
  if (text.empty() || !isUpper(text[0])) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return isUpper(c) || isDigit(c) || c == '?' || c == '@' || c == '_'; });
}

ShortText hexText(uint16_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  ShortText t;
  for (int k = 0; k < 4; ++k) t.text[k] = kDigits[(value >> (12 - 4 * k)) & 0xF];
  return t;
}

namespace {

// The labels of the range that line f stands in, looked up once a run of lines.
class RangeLookup {
 public:
  RangeLookup(const Facts& facts, std::map<std::string, SegmentLabels>& out) : facts_(facts), out_(out) {}
  SegmentLabels& of(const LineFacts& f) {
    if (last_ == nullptr || f.segment != segment_) {
      segment_ = f.segment;
      last_ = &out_[facts_.segmentText(f)];
    }
    return *last_;
  }

 private:
  const Facts& facts_;
  std::map<std::string, SegmentLabels>& out_;
  int segment_ = -2;
  SegmentLabels* last_ = nullptr;
};

}  // namespace

void SegmentLabels::seal() {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
}

std::optional<uint16_t> SegmentLabels::valueOf(uint64_t name) const {
  auto from = std::lower_bound(values.begin(), values.end(), std::make_pair(name, uint16_t{0}));
  if (from == values.end() || from->first != name) return std::nullopt;
  auto next = from + 1;
  if (next != values.end() && next->first == name) return std::nullopt;
  return from->second;
}

bool SegmentLabels::defines(uint64_t name) const {
  auto from = std::lower_bound(values.begin(), values.end(), std::make_pair(name, uint16_t{0}));
  return from != values.end() && from->first == name;
}

void collectLabels(const Facts& facts, size_t from, size_t to, std::map<std::string, SegmentLabels>& out,
                   std::vector<Located>& pending, size_t first, size_t last) {
  RangeLookup range(facts, out);
  for (size_t k = from; k < to; ++k) {
    const LineFacts& f = facts.lines[k];
    size_t i = std::min(first + k, last);
    switch (f.kind) {
      case Kind::Table: {
        SegmentLabels& s = range.of(f);
        for (uint32_t e = f.firstEntry; e < f.endEntry; ++e) {
          const TableEntry& entry = facts.entries[e];
          s.table.push_back({entry.label, entry.adr, i, i});
          s.give(entry.label, verify::hexAddress(entry.adr));
        }
        break;
      }
      case Kind::LabelOnly: pending.push_back({f.label, {}, i, i}); break;
      case Kind::Unreadable:
        // The code line that takes the labels may be this one, misread: they stand nowhere.
        if (f.mayHoldLine) pending.clear();
        break;
      case Kind::Code: {
        if (f.label.text[0] == '\0') break;  // an unlabelled line leaves the labels waiting
        SegmentLabels& s = range.of(f);
        pending.push_back({f.label, {}, i, i});
        for (Located& p : pending) {
          p.adr = hexText(f.value);
          p.owner = i;
          s.code.push_back(p);
          s.give(p.label, f.value);
        }
        pending.clear();
        break;
      }
      case Kind::Equ:
      case Kind::Ds: {
        if (f.label.text[0] == '\0' || f.segment < 0) break;
        SegmentLabels& s = range.of(f);
        s.directives.push_back({f.label, hexText(f.value), i, i});
        s.give(f.label, f.value);
        break;
      }
      default: break;
    }
  }
}

LabelIndex::LabelIndex(const Facts& facts, const std::vector<LineRef>& lines) {
  std::vector<Located> pending;
  collectLabels(facts, 0, facts.lines.size(), segments_, pending);
  for (auto& [seg, labels] : segments_) labels.seal();
  for (const auto& [seg, labels] : segments_) {
    for (size_t k = 0; k < labels.values.size(); ++k) {
      uint64_t name = labels.values[k].first;
      if (k == 0 || labels.values[k - 1].first != name) definitions_[name].push_back({&seg, labels.valueOf(name)});
    }
    for (const auto* list : {&labels.table, &labels.code, &labels.directives})
      for (const Located& l : *list) definers_[verify::labelKey(l.label)].push_back(l.line);
  }
  for (size_t i = 0; i < facts.lines.size(); ++i) {
    const LineFacts& f = facts.lines[i];
    if (f.kind == Kind::Unreadable && f.mayHoldLine) unread_[facts.segmentText(f)].push_back(lines[i].text);
    if (facts.lines[i].kind != Kind::Code) continue;
    for (std::string_view name : operandNames(fieldsOf(lines[i].text, facts.lines[i]).operand))
      if (uint64_t key = verify::labelKey(name)) users_[key].push_back(i);
  }
}

const SegmentLabels* LabelIndex::segment(const std::string& seg) const {
  auto it = segments_.find(seg);
  return it == segments_.end() ? nullptr : &it->second;
}

const std::vector<size_t>& LabelIndex::users(uint64_t name) const {
  static const std::vector<size_t> kNone;
  auto it = users_.find(name);
  return it == users_.end() ? kNone : it->second;
}

bool LabelIndex::mayDefine(const std::string& seg, std::string_view name) const {
  // The label's columns, give or take the columns a blank lost or added moves it by.
  constexpr size_t kFrom = col::kLabel - 2, kTo = col::kMnemonic + 2;
  auto it = unread_.find(seg);
  if (it == unread_.end()) return false;
  for (std::string_view text : it->second) {
    std::string_view region = text.substr(std::min(text.size(), kFrom), kTo - kFrom);
    for (size_t at = region.find(name); at != std::string_view::npos; at = region.find(name, at + 1)) {
      size_t end = at + name.size();
      bool alone = (at == 0 || !isa::isNameChar(region[at - 1])) && (end == region.size() || !isa::isNameChar(region[end]));
      if (alone) return true;
    }
  }
  return false;
}

std::optional<uint16_t> LabelIndex::value(std::string_view name, const std::string& seg,
                                          const std::map<std::string, SegmentLabels>* overrides) const {
  uint64_t key = verify::labelKey(name);
  if (key == 0) return std::nullopt;
  auto overridden = [&](const std::string& s) { return overrides != nullptr && overrides->count(s) != 0; };
  const SegmentLabels* own = overridden(seg) ? &overrides->at(seg) : segment(seg);
  if (own != nullptr && own->defines(key)) return own->valueOf(key);
  // A line of the range that could not be read, with the name where a label stands, may be the
  // one that defines it.
  if (!overridden(seg) && mayDefine(seg, name)) return std::nullopt;
  // No value of its own: the one value that every other range that defines it gives.
  std::optional<uint16_t> found;
  bool any = false;
  auto agree = [&](std::optional<uint16_t> v) {
    if (!v || (any && found != v)) return false;
    found = v;
    any = true;
    return true;
  };
  if (auto it = definitions_.find(key); it != definitions_.end()) {
    for (const Definition& d : it->second)
      if (*d.seg != seg && !overridden(*d.seg) && !agree(d.value)) return std::nullopt;
  }
  if (overrides != nullptr) {
    for (const auto& [s, labels] : *overrides)
      if (s != seg && labels.defines(key) && !agree(labels.valueOf(key))) return std::nullopt;
  }
  return found;
}

bool LabelIndex::confirmed(std::string_view name, const std::string& seg) const {
  uint64_t key = verify::labelKey(name);
  auto named = [key](const Located& l) { return verify::labelKey(l.label) == key; };
  auto confirms = [&](const SegmentLabels& s) {
    for (const Located& t : s.table) {
      if (!named(t)) continue;
      for (const auto* lines : {&s.code, &s.directives})
        for (const Located& l : *lines)
          if (named(l) && l.adr == t.adr) return true;
    }
    return false;
  };
  const SegmentLabels* own = segment(seg);
  if (own != nullptr && own->defines(key)) return confirms(*own);
  // A label of other ranges: each of them confirms it.
  auto it = definitions_.find(key);
  if (it == definitions_.end()) return false;
  return std::all_of(it->second.begin(), it->second.end(), [&](const Definition& d) { return confirms(*segment(*d.seg)); });
}

std::vector<std::string_view> operandNames(std::string_view operand) {
  std::vector<std::string_view> names;
  for (size_t i = 0; i < operand.size();) {
    if (operand[i] == '\'') {
      size_t len = isa::quotedLength(operand.substr(i));
      i += len == 0 ? operand.size() : len;
      continue;
    }
    size_t len = 0;
    while (i + len < operand.size() && isa::isNameChar(operand[i + len])) ++len;
    if (len == 0) {
      ++i;
      continue;
    }
    std::string_view name = operand.substr(i, len);
    bool reg = std::find(std::begin(kRegisterNames), std::end(kRegisterNames), name) != std::end(kRegisterNames);
    if (!isa::isDigit(operand[i]) && !reg) names.push_back(name);
    i += len;
  }
  return names;
}

}  // namespace romlift::fix
