// romlift-report verify: every accepted code line's object code against its instruction, its
// operand and the labels' values.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "checks/directives.h"
#include "grammar/line_observer.h"
#include "isa/instruction_set.h"
#include "registers/registers.h"
#include "scanner/skipped_line.h"
#include "verify/judgement.h"
#include "verify/label_table.h"
#include "verify/learned_lines.h"
#include "verify/other_sections.h"
#include "verify/pending.h"
#include "verify/table_fit.h"

namespace romlift::verify {

// Judges a line at once when its operand names no label. A label defined by a line whose
// address does not follow on from the line before it (gaps would report it) gives no value
// from that line: its address may be the misread one. A line that names one waits, in 28
// bytes, for the end of its section (its symbol table and labels), and when a label is not
// the section's, for the end of the run (the other sections, read from the registers). Only
// the current section's labels are indexed; the findings are kept, the lines are not.
class Verifier final : public LineObserver, public SkippedLineListener {
 public:
  explicit Verifier(const isa::InstructionSet& set) : set_(set) {}

  void page(int lineno, const char* seg) override;
  void org(int lineno, PaddedText line) override;
  void codeToken(int lineno, int token, PaddedText line) override;
  void labelOnly(int lineno, const ShortText& label) override;
  void symbolEntry(const ShortText& label, const ShortText& adr) override;
  void rejected(int lineno) override;
  void skippedLine(int lineno, PaddedText line) override;

  // Judges the lines that waited for other sections' labels and the learned lines, once the
  // run is over; registers are the run's.
  void finish(const Registers& registers);
  // The sections whose lines mostly do not follow the table, then the findings in listing
  // order, then the counts; returns the number of findings.
  int print(FILE* out) const;

  uint64_t checked() const { return checked_; }
  uint64_t notCheckable() const { return notCheckable_; }
  size_t errors() const { return findings_.size(); }
  // The input line counter of each finding, in listing order.
  std::vector<uint32_t> errorLines() const;

 private:
  void defineLine(uint64_t key, uint16_t value, bool suspect);
  // Whether a line or DS at address breaks the run of addresses; the run goes on after it.
  bool breaksRun(uint16_t address, unsigned length);
  void endSection();
  // Counts the line and keeps a finding when what is certain differs from what it shows.
  void record(const isa::Expected& expected, Finding line);
  Finding lineOf(const PendingLine& p) const;
  // Drops the table's findings in the sections of another processor; their lines become not
  // checkable.
  void setAsideForeign();

  // What the table made of one section's lines.
  struct SectionTally {
    TableFit fit;
    uint64_t checked = 0;  // by the table
    int firstLine = 0;     // its first page header
    bool foreign = false;
  };

  const isa::InstructionSet& set_;
  Segments segments_;
  bool inSection_ = false;
  bool rejecting_ = false;  // after a rejected line, up to the next page
  bool sectionDamaged_ = false;  // a numbered line of the section was rejected or fits no layout
  uint32_t segment_ = 0;
  LabelTable<LabelDef> section_;  // the current section's labels
  std::vector<uint64_t> labelOnly_;  // labels that wait for the next code line's address
  std::vector<PendingLine> pending_;  // the current section's lines that name a label
  std::vector<KeptDirective> directives_;  // the current section's EQU and DS labels
  DirectiveReader directiveReader_;
  std::vector<PendingLine> waiting_;  // lines that wait for the end of the run
  std::vector<KeptDirective> kept_;   // EQU and DS labels that no symbol table gave
  std::vector<KeptDirective> suspects_;  // labels defined at an address out of its run
  bool inRun_ = false;  // the addresses so far follow on from each other
  uint16_t next_ = 0;   // where the next line of the run should stand
  OtherSections others_;
  LearnedLines learned_;
  std::vector<Finding> findings_;
  std::vector<SectionTally> tallies_;  // by segment number
  uint64_t checked_ = 0;
  uint64_t notCheckable_ = 0;
};

}  // namespace romlift::verify
