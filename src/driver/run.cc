#include "driver/run.h"

#include <cstring>
#include <utility>

namespace romlift {

Run::Run(Input input, FILE* out, FILE* err, std::string imageDir)
    : out_(out),
      err_(err),
      state_(out, [this](const char* file, int errnum) { imageFault(file, errnum); }, std::move(imageDir)),
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
  return state_.writer.failed() ? 1 : 0;
}

// Standard output goes first, so that with both streams on one file the lines stand in the
// order the events happened.
void Run::yyerror(const char* message) {
  std::fflush(out_);
  std::fprintf(err_, "%s %4d %s\n", message, scanner_.yylineno, scanner_.yytext);
}

// The run goes on after a fault, so the rest of the listing is still checked and reported.
void Run::imageFault(const char* file, int errnum) {
  std::fflush(out_);
  std::fprintf(err_, "Erreur fichier %s : %s\n", file, std::strerror(errnum));
}

int Run::yywrap() {
  wrapped_ = true;
  std::fprintf(out_, "Nb car \xC3\xA9" "crits : %lld\n", static_cast<long long>(state_.writer.nbcarsecrits()));
  std::fflush(out_);
  state_.writer.close();
  return 1;
}

int runListing(int fd, FILE* out, FILE* err) {
  Run run(Input(fd), out, err);
  return run.run();
}

}  // namespace romlift
