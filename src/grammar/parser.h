// The page grammar: checks that the tokens form well-built pages and fires the line actions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scanner/scanner.h"

namespace romlift {

// Numbers of the productions that carry an action.
enum Production : int {
  kSegmentAction = 3,        // segment action, between SEGMENT and ENTETE2
  kSymbolTableLine = 8,      // ligne -> SYMBOLTABLE
  kLabelSupLine = 20,        // lignelabelsup -> LABELSUP
  kFirstLabelledCode = 21,   // lignelabel -> CODEL | CODELO | CODELC | CODELOC (21-24)
  kLastLabelledCode = 24,
  kFirstUnlabelledCode = 25, // lignesanslabel -> CODE | CODEO | CODEOC | CODEC (25-28)
  kLastUnlabelledCode = 28,
};

// What the grammar calls when it recognises a line that has an action.
class ParserActions {
 public:
  virtual ~ParserActions() = default;
  // Runs right after the token that completes the production, before the next token is read.
  virtual void reduce(int production) = 0;
  // Every token the grammar takes, right after it is taken (before any reduction it completes).
  virtual void shifted(int /*token*/) {}
};

// Where the grammar's reports go ("syntax error", "memory exhausted").
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void yyerror(const char* message) = 0;
};

inline constexpr const char* kSyntaxError = "syntax error";
inline constexpr const char* kMemoryExhausted = "memory exhausted";

class Parser {
 public:
  Parser(TokenSource& lexer, ParserActions& actions, ErrorReporter& reporter);

  // Parses whole pages up to the end of input (0), the first token that does not fit (1,
  // reported once and lost), or a full stack (2). Each call starts from an empty stack.
  int yyparse();

  // The stack holds parser states; a run of label-only lines is the only thing that deepens it.
  static constexpr size_t kInitialDepth = 200;
  static constexpr size_t kMaxDepth = 10000;

 private:
  bool push(uint8_t state);
  bool takeBodyLine(uint8_t state, int token);
  bool reduce(int production);

  TokenSource& lexer_;
  ParserActions& actions_;
  ErrorReporter& reporter_;
  std::vector<uint8_t> stack_;
};

}  // namespace romlift
