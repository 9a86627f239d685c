// The page grammar: checks that the tokens form well-built pages and fires the line actions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scanner/token_source.h"

namespace romlift {

// The grammar's productions, numbered in the order of its rules; an arrow reads "is made of".
enum class Production : uint8_t {
  None = 0,                 // no production
  PagesPage,                // pages -> page
  PagesPagesPage,           // pages -> pages page
  SegmentAction,            // segment-action -> (empty), between SEGMENT and ENTETE2
  Page,                     // page -> ENTETE1 SEGMENT segment-action ENTETE2 lignes
  LignesLigne,              // lignes -> ligne
  LignesLignesLigne,        // lignes -> lignes ligne
  LigneLigneVide,           // ligne -> LIGNEVIDE
  LigneSymbolTable,         // ligne -> SYMBOLTABLE
  LigneLigneNum,            // ligne -> lignenum
  LigneNumOrg,              // lignenum -> ORG
  LigneNumEnd,              // lignenum -> END
  LigneNumNumLineVide,      // lignenum -> NUMLINEVIDE
  LigneNumCom1,             // lignenum -> COM1
  LigneNumCom2,             // lignenum -> COM2
  LigneNumLigneLabel,       // lignenum -> lignelabel
  LigneNumLignesLabelSup,   // lignenum -> ligneslabelsup
  LigneNumLigneSansLabel,   // lignenum -> lignesanslabel
  LabelSupsLast,            // ligneslabelsup -> lignelabelsup lignelabel
  LabelSupsMore,            // ligneslabelsup -> lignelabelsup ligneslabelsup
  LabelSup,                 // lignelabelsup -> LABELSUP
  LabelCodeL,               // lignelabel -> CODEL
  LabelCodeLO,              // lignelabel -> CODELO
  LabelCodeLC,              // lignelabel -> CODELC
  LabelCodeLOC,             // lignelabel -> CODELOC
  SansLabelCode,            // lignesanslabel -> CODE
  SansLabelCodeO,           // lignesanslabel -> CODEO
  SansLabelCodeOC,          // lignesanslabel -> CODEOC
  SansLabelCodeC,           // lignesanslabel -> CODEC
};

inline bool isLabelledCode(Production p) { return p >= Production::LabelCodeL && p <= Production::LabelCodeLOC; }
inline bool isUnlabelledCode(Production p) {
  return p >= Production::SansLabelCode && p <= Production::SansLabelCodeC;
}

// What the grammar calls when it recognises a line that has an action.
class ParserActions {
 public:
  virtual ~ParserActions() = default;
  // Runs right after the token that completes the production, before the next token is read.
  virtual void reduce(Production production) = 0;
  // Every token the grammar takes, right after it is taken (before any reduction it completes).
  virtual void shifted(int /*token*/) {}
  // A token that does not fit, just before it is reported and lost. Every token after it up to
  // the next first-page header goes the same way.
  virtual void rejected(int /*token*/) {}
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
  static constexpr size_t kMaxDepth = 10000;

 private:
  bool push(uint8_t state);
  bool takeBodyLine(uint8_t state, int token);
  bool reduce(Production production);

  TokenSource& lexer_;
  ParserActions& actions_;
  ErrorReporter& reporter_;
  std::vector<uint8_t> stack_;
};

}  // namespace romlift
