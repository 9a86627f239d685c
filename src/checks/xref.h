// The labels of the code lines, the EQU and DS lines and the symbol tables, each against the
// others.
#pragma once

#include <cstdio>

#include "checks/directives.h"
#include "registers/code_lists.h"
#include "registers/symbol_lists.h"

namespace romlift {

// Names the pages without symbol table, whose labels have nothing to be compared with; then,
// every code-line label against the symbol tables, every EQU and DS label against them, and
// every symbol-table label against the code lines, EQU and DS lines, each register newest
// first. Prints one line per problem and a closing count; returns the number of problems.
int xref(FILE* out, const CodeLists& codes, const SymbolLists& symbols, const DirectiveLog& directives);

}  // namespace romlift
