// Where the page grammar gets its tokens from: the scanner, or a test's list of tokens.
#pragma once

namespace romlift {

class TokenSource {
 public:
  virtual ~TokenSource() = default;
  virtual int yylex() = 0;  // next token code, 0 at end of input
};

}  // namespace romlift
