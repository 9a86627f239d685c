#include "support/fake_tokens.h"

namespace romlift::fake {

std::string tokenEntry(int token) {
  return token <= 0 ? std::string("tok:end") : std::string("tok:") + tokenName(token);
}

int TokenScript::yylex() {
  int token = next_ < tokens_.size() ? tokens_[next_++] : END_OF_INPUT;
  if (token <= 0) ended_ = true;
  log_.push_back(tokenEntry(token));
  return token;
}

void TokenScript::reduce(Production production) { log_.push_back("act:" + std::to_string(static_cast<int>(production))); }

void TokenScript::yyerror(const char* message) { log_.push_back(std::string("err:") + message); }

std::vector<int> parseToEnd(Parser& parser, const TokenScript& script, size_t maxCalls) {
  std::vector<int> results;
  do {
    results.push_back(parser.yyparse());
  } while (!script.endHandedOut() && results.size() < maxCalls);
  return results;
}

}  // namespace romlift::fake
