// Token kinds that the listing scanner hands to the page grammar.
#pragma once

namespace romlift {

// Codes as the grammar numbers them; 0 is the end of input.
enum Token : int {
  END_OF_INPUT = 0,
  ENTETE1 = 258,   // start of a first-page header line
  SEGMENT,         // address range on the header line
  ENTETE2,         // version mark on the header line
  LIGNEVIDE,       // empty line
  SYMBOLTABLE,     // one symbol-table entry
  ORG,             // numbered ORG line
  END,             // numbered END line
  CODE,            // code line: no label, operand or comment
  CODEO,           // code line with operand
  CODEC,           // code line with comment
  CODEOC,          // code line with operand and comment
  CODEL,           // code line with label
  CODELOC,         // code line with label, operand and comment
  COM0,            // declared, never produced
  COM1,            // numbered comment line, '*' at column 20
  COM2,            // numbered comment line, comment at column 44 or later
  NUMLINEVIDE,     // numbered line holding only blanks
  CODELO,          // code line with label and operand
  CODELC,          // code line with label and comment
  LABELSUP,        // numbered line holding only a label
};

inline constexpr int kFirstToken = ENTETE1;
inline constexpr int kLastToken = LABELSUP;

// Name of a token kind for messages and test output ("?" for an unknown code).
const char* tokenName(int token);

}  // namespace romlift
