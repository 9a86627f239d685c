// A scripted token source that also stands in for the line actions and the error reporter,
// so that a test sees tokens, actions and reports in the one order in which they happened.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "grammar/parser.h"
#include "scanner/token.h"
#include "scanner/token_source.h"

namespace romlift::fake {

class TokenScript : public TokenSource, public ParserActions, public ErrorReporter {
 public:
  // Hands out tokens in order, then end of input (0) for every further request.
  explicit TokenScript(std::vector<int> tokens) : tokens_(std::move(tokens)) {}

  int yylex() override;
  void reduce(Production production) override;
  void yyerror(const char* message) override;

  // Entries read "tok:CODE" (or "tok:end" for a result <= 0), "act:25", "err:syntax error".
  const std::vector<std::string>& log() const { return log_; }
  // The end of input has been handed out at least once.
  bool endHandedOut() const { return ended_; }

 private:
  std::vector<int> tokens_;
  size_t next_ = 0;
  bool ended_ = false;
  std::vector<std::string> log_;
};

// Log entry for a token handed out.
std::string tokenEntry(int token);

// Calls yyparse the way the driver does, again after every call, until the script has handed
// out the end of input; returns each call's result. Stops after maxCalls calls so that a parser
// that never reads the end cannot hang a test.
std::vector<int> parseToEnd(Parser& parser, const TokenScript& script, size_t maxCalls);

}  // namespace romlift::fake
