// Reports over the label registers: both registers as text, and OCR-tolerant matching rules.
#pragma once

#include <cstdio>
#include <string>

#include "registers/code_lists.h"
#include "registers/symbol_lists.h"

namespace romlift {

// "Label;Segment;Adresse" and one row per label of the code-line register, newest first.
void Listecode(FILE* out, const CodeLists& codes);
// The same for the symbol-table register.
void Listest(FILE* out, const SymbolLists& symbols);
// One lex-style rule per code-line label that holds a character OCR often confuses: the
// pattern accepts each such character as any of its look-alikes.
void ListeER(FILE* out, const CodeLists& codes);

// The pattern of one label ("[S5]TART" for START), and whether the label needs a rule at all.
std::string tolerantPattern(const char* label, bool* hasConfusable = nullptr);

}  // namespace romlift
