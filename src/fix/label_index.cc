#include "fix/label_index.h"

#include <cstdio>

#include "bytes/charclass.h"
#include "fix/code_line.h"
#include "isa/value.h"

namespace romlift::fix {

std::optional<uint16_t> hexAddress(const ShortText& adr) {
  unsigned v = 0;
  for (size_t i = 0; i < 4; ++i) {
    char c = adr.text[i];
    if (!isHex(c)) return std::nullopt;
    v = v * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
  }
  return adr.text[4] == '\0' ? std::optional<uint16_t>(static_cast<uint16_t>(v)) : std::nullopt;
}

namespace {

ShortText hexText(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return ShortText(text);
}

}  // namespace

std::optional<uint16_t> SegmentLabels::valueOf(std::string_view name) const {
  auto it = values.find(std::string(name));
  if (it == values.end() || it->second.size() != 1) return std::nullopt;
  return it->second.begin()->first;
}

void collectLabels(const Facts& facts, size_t from, size_t to, std::map<std::string, SegmentLabels>& out,
                   std::vector<Located>& pending) {
  for (size_t i = from; i < to; ++i) {
    const LineFacts& f = facts.lines[i];
    switch (f.kind) {
      case Kind::Table: {
        SegmentLabels& s = out[facts.segmentText(f)];
        for (uint32_t e = f.firstEntry; e < f.endEntry; ++e) {
          const TableEntry& entry = facts.entries[e];
          s.table.push_back({entry.label, entry.adr, i, i});
          s.give(entry.label, hexAddress(entry.adr));
        }
        break;
      }
      case Kind::LabelOnly: pending.push_back({f.label, {}, i, i}); break;
      case Kind::Code: {
        if (f.label.text[0] == '\0') break;  // an unlabelled line leaves the labels waiting
        SegmentLabels& s = out[facts.segmentText(f)];
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
        SegmentLabels& s = out[facts.segmentText(f)];
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
  for (const auto& [seg, labels] : segments_)
    for (const auto& [name, values] : labels.values)
      definitions_[name].push_back({&seg, labels.valueOf(name)});
  for (size_t i = 0; i < facts.lines.size(); ++i) {
    if (facts.lines[i].kind != Kind::Code) continue;
    for (std::string_view name : operandNames(fieldsOf(lines[i].text, facts.lines[i]).operand))
      users_[std::string(name)].push_back(i);
  }
}

const SegmentLabels* LabelIndex::segment(const std::string& seg) const {
  auto it = segments_.find(seg);
  return it == segments_.end() ? nullptr : &it->second;
}

const std::vector<size_t>& LabelIndex::users(const std::string& name) const {
  static const std::vector<size_t> kNone;
  auto it = users_.find(name);
  return it == users_.end() ? kNone : it->second;
}

std::optional<uint16_t> LabelIndex::value(std::string_view name, const std::string& seg,
                                          const std::map<std::string, SegmentLabels>* overrides) const {
  auto overridden = [&](const std::string& s) { return overrides != nullptr && overrides->count(s) != 0; };
  const SegmentLabels* own = overridden(seg) ? &overrides->at(seg) : segment(seg);
  if (own != nullptr && own->defines(name)) return own->valueOf(name);
  // No value of its own: the one value that every other range that defines it gives.
  std::optional<uint16_t> found;
  bool any = false;
  auto agree = [&](std::optional<uint16_t> v) {
    if (!v || (any && found != v)) return false;
    found = v;
    any = true;
    return true;
  };
  std::string key(name);
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
    if (!isa::isDigit(operand[i])) names.push_back(operand.substr(i, len));
    i += len;
  }
  return names;
}

}  // namespace romlift::fix
