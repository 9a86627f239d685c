#include "scanner/token.h"

#include <iterator>

namespace romlift {

const char* tokenName(int token) {
  static const char* const kNames[] = {
      "ENTETE1", "SEGMENT", "ENTETE2", "LIGNEVIDE", "SYMBOLTABLE", "ORG",   "END",
      "CODE",    "CODEO",   "CODEC",   "CODEOC",    "CODEL",       "CODELOC", "COM0",
      "COM1",    "COM2",    "NUMLINEVIDE", "CODELO", "CODELC",     "LABELSUP",
  };
  static_assert(std::size(kNames) == kLastToken - kFirstToken + 1, "one name per token kind");
  if (token == END_OF_INPUT) return "end of input";
  if (token < kFirstToken || token > kLastToken) return "?";
  return kNames[token - kFirstToken];
}

}  // namespace romlift
