#include "verify/other_sections.h"

namespace romlift::verify {

void OtherSections::want(std::string_view name) {
  uint64_t key = labelKey(name);
  if (key == 0 || wanted_.find(key) != nullptr) return;
  wanted_[key] = static_cast<uint32_t>(defs_.size());
  defs_.emplace_back();
}

LabelDef* OtherSections::defOf(uint64_t key, uint32_t segment) {
  const uint32_t* index = wanted_.find(key);
  if (index == nullptr) return nullptr;
  std::vector<SectionDef>& sections = defs_[*index];
  for (SectionDef& s : sections)
    if (s.segment == segment) return &s.def;
  return &sections.emplace_back(SectionDef{segment, {}}).def;
}

// The log's label records stand at the address of the next address record, which may take a
// label of its own.
void OtherSections::readCodeLabels(const CodeRegister& codes, Segments& segments) {
  using Logged = CodeRegister::Logged;
  uint32_t segment = 0;
  std::vector<uint64_t> waiting;
  ChunkLog<Logged>::Cursor cursor;
  while (const Logged* call = codes.log().next(cursor)) {
    Logged::Kind kind = call->kind();
    if (kind == Logged::kSegment) {
      segment = segments.idOf(call->segment());
      continue;
    }
    uint64_t key = kind == Logged::kAddress ? 0 : labelKey(call->lab);
    if (key != 0 && wanted_.find(key) != nullptr) waiting.push_back(key);
    if (kind == Logged::kLabel) continue;
    std::optional<uint16_t> address = hexAddress(call->adr);
    for (uint64_t k : waiting)
      if (address) defOf(k, segment)->addLine(*address);
    waiting.clear();
  }
}

void OtherSections::readSymbols(const SymbolRegister& symbols, Segments& segments) {
  ChunkLog<SymbolRecord>::Cursor cursor;
  while (const SymbolRecord* r = symbols.log().next(cursor)) {
    if (!r->hasLabel()) continue;
    if (LabelDef* def = defOf(labelKey(r->label), segments.idOf(r->seg))) def->addTable(hexAddress(r->adr));
  }
}

void OtherSections::read(const Registers& registers, Segments& segments, const std::vector<KeptDirective>& kept,
                         const std::vector<KeptDirective>& suspects) {
  if (wanted_.size() == 0) return;
  readCodeLabels(registers.codes, segments);
  readSymbols(registers.symbols, segments);
  for (const KeptDirective& d : kept)
    if (LabelDef* def = defOf(d.key, d.segment)) def->addLine(d.value);
  for (const KeptDirective& d : suspects)
    if (LabelDef* def = defOf(d.key, d.segment)) def->suspectLine(d.value);
}

std::optional<uint16_t> OtherSections::value(std::string_view label, uint32_t segment) const {
  const uint32_t* index = wanted_.find(labelKey(label));
  if (index == nullptr) return std::nullopt;
  const std::vector<SectionDef>& sections = defs_[*index];
  for (const SectionDef& s : sections)
    if (s.segment == segment) return s.def.value();
  return sections.size() == 1 ? sections.front().def.value() : std::nullopt;
}

}  // namespace romlift::verify
