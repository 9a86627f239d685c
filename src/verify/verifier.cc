#include "verify/verifier.h"

#include <algorithm>

#include "checks/listing_text.h"
#include "checks/outside_layout.h"
#include "scanner/rules.h"

namespace romlift::verify {
namespace {

// Knows no label; tells whether one was asked for.
class NamesLabel final : public isa::LabelResolver {
 public:
  std::optional<uint16_t> value(std::string_view) const override {
    asked = true;
    return std::nullopt;
  }
  mutable bool asked = false;
};

// The current section's labels; tells whether one asked for is not the section's.
class SectionLabels final : public isa::LabelResolver {
 public:
  explicit SectionLabels(const LabelTable<LabelDef>& labels) : labels_(labels) {}
  std::optional<uint16_t> value(std::string_view name) const override {
    const LabelDef* def = labels_.find(labelKey(name));
    if (def == nullptr) missing = true;
    return def != nullptr ? def->value() : std::nullopt;
  }
  mutable bool missing = false;

 private:
  const LabelTable<LabelDef>& labels_;
};

// Every section's labels, for a line of one of them.
class AllSections final : public isa::LabelResolver {
 public:
  AllSections(const OtherSections& others, uint32_t segment) : others_(others), segment_(segment) {}
  std::optional<uint16_t> value(std::string_view name) const override { return others_.value(name, segment_); }

 private:
  const OtherSections& others_;
  uint32_t segment_;
};

}  // namespace

void Verifier::page(int lineno, const char* seg) {
  endSection();
  segment_ = segments_.id(seg);
  if (segment_ == tallies_.size()) tallies_.push_back({{}, 0, lineno, false});
  inSection_ = true;
  sectionDamaged_ = false;
  rejecting_ = false;
  inRun_ = false;
  directiveReader_.newPage();
}

void Verifier::org(int, PaddedText line) {
  std::optional<unsigned> start = orgAddress(line);
  inRun_ = start.has_value();
  next_ = static_cast<uint16_t>(start.value_or(0));
}

void Verifier::rejected(int) {
  rejecting_ = true;
  sectionDamaged_ = true;
  inRun_ = false;
  labelOnly_.clear();
}

bool Verifier::breaksRun(uint16_t address, unsigned length) {
  bool breaks = inRun_ && address != next_;
  inRun_ = true;
  next_ = static_cast<uint16_t>(address + length);
  return breaks;
}

void Verifier::defineLine(uint64_t key, uint16_t value, bool suspect) {
  if (key == 0) return;
  if (!suspect) {
    section_[key].addLine(value);
    return;
  }
  section_[key].suspectLine(value);
  suspects_.push_back({key, segment_, value});
}

void Verifier::labelOnly(int, const ShortText& label) { labelOnly_.push_back(labelKey(label)); }

void Verifier::symbolEntry(const ShortText& label, const ShortText& adr) {
  if (uint64_t key = labelKey(label); key != 0) section_[key].addTable(hexAddress(adr));
}

void Verifier::skippedLine(int lineno, PaddedText line) {
  if (!inSection_ || rejecting_) return;
  // A line printed outside the layout is no damage: it takes its room and defines its label.
  if (std::optional<OutsideLine> o = readOutsideLayout({line.text, line.len})) {
    bool suspect = breaksRun(o->address, static_cast<unsigned>(o->bytes()));
    if (!o->label.empty()) defineLine(labelKey(o->label), o->address, suspect);
    return;
  }
  std::optional<Directive> d = directiveReader_.read(lineno, line);
  if (!d) {
    if (isNumbered(line)) sectionDamaged_ = true;
    return;
  }
  bool suspect = false;
  if (d->kind == Directive::Kind::Ds) {
    if (d->size) {
      suspect = breaksRun(d->value, *d->size);
    } else {
      inRun_ = false;
    }
  }
  uint64_t key = labelKey(d->label);
  if (key == 0) return;
  defineLine(key, d->value, suspect);
  if (!suspect) directives_.push_back({key, segment_, d->value});
}

void Verifier::codeToken(int lineno, int token, PaddedText text) {
  CodeFields f = codeFields(text, token);
  Finding line;
  line.lineno = static_cast<uint32_t>(lineno);
  line.segment = segment_;
  line.address = static_cast<uint16_t>(addressValue(text.text));
  line.shown = shownCode(text.text);
  bool suspect = breaksRun(line.address, line.shown.count);
  if (!f.label.empty()) defineLine(labelKey(f.label), line.address, suspect);
  for (uint64_t key : labelOnly_) defineLine(key, line.address, suspect);
  labelOnly_.clear();

  // Before any page header (fix hears every line), the lines count under a range of no text.
  if (tallies_.empty()) {
    segment_ = segments_.id("");
    tallies_.push_back({{}, 0, lineno, false});
  }
  ++tallies_[segment_].fit.lines;
  isa::SourceLine source{f.mnemonic, f.operand, line.address};
  NamesLabel names;
  isa::Expected expected = set_.expected(source, names);
  PendingLine pending;
  if (names.asked && pending.assign(source)) {
    pending.lineno = line.lineno;
    pending.segment = segment_;
    pending.shown = line.shown;
    pending_.push_back(pending);
  } else if (expected.verdict == isa::Verdict::kUnknownMnemonic) {
    ++tallies_[segment_].fit.misfits;
    if (!learned_.feed(f.mnemonic, f.operand, line)) ++notCheckable_;
  } else {
    if (expected.verdict == isa::Verdict::kOtherForm && line.shown.count > 0 && f.mnemonic.size() < sizeof line.noFormOf &&
        !set_.mayStartWith(f.mnemonic, line.shown.bytes[0]))
      std::copy(f.mnemonic.begin(), f.mnemonic.end(), line.noFormOf);
    record(expected, line);
  }
}

void Verifier::record(const isa::Expected& expected, Finding line) {
  Judgement j = judge(expected, line.shown, line);
  if (line.noFormOf[0] != '\0') {
    j.error = true;
    line.expectedLength = line.shown.count;
    line.knownMask = 0;
  }
  ++(j.checked ? checked_ : notCheckable_);
  SectionTally& tally = tallies_[line.segment];
  ++tally.fit.tableLines;
  if (j.error || expected.verdict == isa::Verdict::kOtherForm) ++tally.fit.misfits;
  if (j.checked) ++tally.checked;
  if (j.error) findings_.push_back(line);
}

void Verifier::setAsideForeign() {
  TableFit all;
  for (const SectionTally& t : tallies_) all.add(t.fit);
  bool any = false;
  for (SectionTally& t : tallies_) {
    t.foreign = t.fit.foreign(all);
    if (!t.foreign) continue;
    any = true;
    checked_ -= t.checked;
    notCheckable_ += t.checked;
  }
  if (!any) return;
  std::erase_if(findings_, [this](const Finding& f) { return !f.probable && tallies_[f.segment].foreign; });
}

Finding Verifier::lineOf(const PendingLine& p) const {
  Finding line;
  line.lineno = p.lineno;
  line.segment = p.segment;
  line.address = p.address;
  line.shown = p.shown;
  return line;
}

// The section's lines that name only its own labels are judged now; the others wait for the
// end of the run. The EQU and DS labels that the section's table gives are dropped: the
// registers hold the table.
void Verifier::endSection() {
  if (!inSection_) return;
  for (const PendingLine& p : pending_) {
    SectionLabels labels(section_);
    isa::Expected expected = set_.expected(p.source(), labels);
    // A section with lines that could not be read may have defined the label on one of them:
    // another section's label of that name says nothing certain then.
    if (!labels.missing || sectionDamaged_) {
      record(expected, lineOf(p));
      continue;
    }
    waiting_.push_back(p);
    isa::forEachName(p.source().operand, [this](std::string_view name) { others_.want(name); });
  }
  for (const KeptDirective& d : directives_)
    if (!section_.find(d.key)->inTable()) kept_.push_back(d);
  pending_.clear();
  directives_.clear();
  section_.clear();
  labelOnly_.clear();
  inSection_ = false;
}

void Verifier::finish(const Registers& registers) {
  endSection();
  others_.read(registers, segments_, kept_, suspects_);
  for (const PendingLine& p : waiting_) record(set_.expected(p.source(), AllSections(others_, p.segment)), lineOf(p));
  waiting_.clear();
  learned_.judge(findings_, checked_, notCheckable_);
  setAsideForeign();
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const Finding& a, const Finding& b) { return a.lineno < b.lineno; });
}

std::vector<uint32_t> Verifier::errorLines() const {
  std::vector<uint32_t> lines;
  for (const Finding& f : findings_) lines.push_back(f.lineno);
  return lines;
}

int Verifier::print(FILE* out) const {
  for (uint32_t id = 0; id < tallies_.size(); ++id) {
    const SectionTally& t = tallies_[id];
    if (!t.foreign) continue;
    std::fprintf(out,
                 "<<< Info >>> : segment %s (ligne %d) : %llu lignes de code sur %llu ne suivent pas le jeu "
                 "d'instructions %.*s, qui n'y est pas appliqu\xC3\xA9 ; --cpu none y juge toutes les lignes par "
                 "les formes apprises du listing\n",
                 segments_.text(id), t.firstLine, static_cast<unsigned long long>(t.fit.misfits),
                 static_cast<unsigned long long>(t.fit.lines), static_cast<int>(set_.name().size()),
                 set_.name().data());
  }
  for (const Finding& f : findings_) printFinding(out, f, segments_.text(f.segment));
  std::fprintf(out, "Nb lignes v\xC3\xA9rifi\xC3\xA9" "es : %llu\n", static_cast<unsigned long long>(checked_));
  std::fprintf(out, "Nb lignes non v\xC3\xA9rifiables : %llu\n", static_cast<unsigned long long>(notCheckable_));
  std::fprintf(out, "Nb erreurs : %zu\n", findings_.size());
  return static_cast<int>(findings_.size());
}

}  // namespace romlift::verify
