// Whether an instruction table is the processor of a listing's section at all. A listing of
// another processor (a Z80's LD, JP and CP) shares mnemonics with the table but not their
// encodings: judged by the table, half its lines would be reported, none of them misread.
#pragma once

#include <cstdint>

namespace romlift::verify {

// A section's code lines as the table sees them.
struct TableFit {
  // A table is set aside only on this many lines that do not follow it: a few damaged lines
  // in a short section are misreads, not another processor.
  static constexpr uint64_t kMinMisfits = 16;

  uint64_t lines = 0;       // accepted code lines
  uint64_t tableLines = 0;  // lines whose mnemonic the table knows
  uint64_t misfits = 0;     // mnemonic unknown, operand of a form never taken, or bytes that differ

  void add(const TableFit& other) {
    lines += other.lines;
    tableLines += other.tableLines;
    misfits += other.misfits;
  }
  // Half the lines or more do not follow the table, on enough evidence: the section's own, or
  // the whole listing's (`all`) when the listing as a whole does not follow it either.
  bool foreign(const TableFit& all) const {
    auto mostly = [](const TableFit& t) { return t.misfits * 2 >= t.lines; };
    bool enough = misfits >= kMinMisfits || (all.misfits >= kMinMisfits && mostly(all));
    return tableLines > 0 && mostly(*this) && enough;
  }
};

}  // namespace romlift::verify
