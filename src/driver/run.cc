#include "driver/run.h"

namespace romlift {

Run::Run(Input input, FILE* out, FILE* err)
    : out_(out),
      err_(err),
      scanner_(std::move(input), [this] { return yywrap(); }),
      reductions_(scanner_, state_),
      parser_(scanner_, reductions_, *this) {}

int Run::run() {
  try {
    do {
      parser_.yyparse();
    } while (!wrapped_);
  } catch (const FatalError& e) {
    std::fflush(out_);
    std::fprintf(err_, "%s\n", e.what());
    return 2;
  }
  return 0;
}

// Standard output goes first, so that with both streams on one file the lines stand in the
// order the events happened.
void Run::yyerror(const char* message) {
  std::fflush(out_);
  std::fprintf(err_, "%s %4d %s\n", message, scanner_.yylineno, scanner_.yytext);
}

int Run::yywrap() {
  wrapped_ = true;
  std::fprintf(out_, "Nb car \xC3\xA9" "crits : %d\n", 0);
  std::fflush(out_);
  return 1;
}

int runListing(int fd, FILE* out, FILE* err) {
  Run run(Input(fd), out, err);
  return run.run();
}

}  // namespace romlift
