// Both label registers of a run.
#pragma once

#include <cstdio>

#include "registers/arena.h"
#include "registers/code_register.h"
#include "registers/symbol_register.h"

namespace romlift {

// The registers share one arena, so a short run fills one partial block, not two.
struct Registers {
  // out takes the symbol-table register's duplicate-label messages.
  explicit Registers(FILE* out) : codes(records), symbols(out, records) {}

  // The registers' copy of a page's segment text: handing both registers the same copy lets
  // them recognise the segment by its address instead of comparing its text at every line.
  const char* keepSegment(const char* seg) { return records.copyShared(seg); }

  Arena records;
  CodeRegister codes;
  SymbolRegister symbols;
};

}  // namespace romlift
