// What is wrong with a listing, line by line: each problem that the checks would report, tied
// to the line that most likely holds the damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "fix/code_line.h"
#include "fix/label_index.h"
#include "fix/line_facts.h"

namespace romlift::fix {

enum class ProblemKind : uint8_t {
  Unreadable,   // a line that fits no layout
  Structure,    // a label-only line without its code line, a header that does not parse, ...
  Address,      // a line that does not stand where the one before it ends
  Bytes,        // object code that its instruction does not give, as verify finds it
  Label,        // a label that the symbol tables do not give, or the other way round
  Form,         // a mnemonic no instruction has, an operand that does not fit it, an EQU value
                // that its operand does not give
  Column,       // a field off its column
  Margin,       // a code line's comment after its column: no field is off, but a blank was added
  UnknownName,  // an operand that names a label defined nowhere
  UnknownSize,  // a DS whose size cannot be read, so that the address run stops there
  Numbering,    // a line number that does not follow the one before it
  LabelMark,    // a label defined with a mark or a lower-case letter in it, which no assembler writes
};
inline constexpr size_t kProblemKinds = 12;

// The kinds that a listing is judged by, those of romlift's own checks (and a line that fits no
// layout, whatever it held). The others put no wrong byte in a ROM and only help to tell
// corrections apart: a listing may name labels defined elsewhere, size a DS by a later label,
// or number its lines its own way.
inline constexpr bool isReported(ProblemKind k) { return k < ProblemKind::Form; }

// The kinds that point at a place to correct. A comment's column alone never does (a comment is
// corrected only where it breaks a layout), nor a label's odd character, which may be printed so:
// they only tell corrections apart.
inline constexpr bool makesPlace(ProblemKind k) { return k != ProblemKind::Margin && k != ProblemKind::LabelMark; }

struct Problem {
  Problem() = default;
  Problem(ProblemKind k, size_t at, size_t blamed, uint64_t tell = 0) : kind(k), line(at), blame(blamed), key(tell) {}

  ProblemKind kind = ProblemKind::Unreadable;
  size_t line = 0;   // where the checks see it
  size_t blame = 0;  // the line that most likely holds the damage
  size_t previous = 0;  // Address, Numbering: the line that the break is counted from
  uint64_t key = 0;  // tells problems of one kind on one line apart
  // Address: the address expected there and the bytes missing (negative: in excess).
  uint16_t expected = 0;
  int missing = 0;
  CodeVerdict verdict = CodeVerdict::Good;  // Bytes, Form
  ShortText label;                          // Label: the label, Address: nothing

  // What tells a problem before an edit from one after it. Object code that its operand does
  // not give and an operand whose label is unknown are one problem of the line: an edit that
  // turns one into the other takes none away and makes none.
  auto identity() const {
    return std::make_tuple(kind == ProblemKind::UnknownName ? ProblemKind::Bytes : kind, line, key);
  }
};

// The lines to inspect: their text, their facts and the labels of their ranges.
struct Inspected {
  const std::vector<LineRef>& lines;
  const Facts& facts;
  const std::map<std::string, SegmentLabels>& labels;  // by range, for the label checks
  const LabelIndex& index;                              // for the operands' values
  const std::map<std::string, SegmentLabels>* overrides;
  // The ranges (sorted) whose code is another processor's: its object code is not judged.
  const std::vector<std::string>* foreign;
};


// Every problem of the lines, in the order of their kinds, then of the lines.
std::vector<Problem> inspect(const Inspected& in);

// The ranges whose code lines mostly do not follow the instruction table, as verify sets them
// aside, from the problems that inspect found with no range set aside; sorted.
std::vector<std::string> foreignRanges(const Facts& facts, const std::vector<Problem>& problems);

// The problems of code line or EQU line i alone: its object code or value, its columns.
void codeProblems(const Inspected& in, size_t i, std::vector<Problem>& out);

// The label problems of the ranges' labels, at the lines they give (in label_problems.cc).
void labelProblems(const std::map<std::string, SegmentLabels>& labels, std::vector<Problem>& out);

// A page header whose page number may be 01 misread: a section's first header that romlift
// does not see.
bool looksLikeFirstPage(std::string_view text);

}  // namespace romlift::fix
