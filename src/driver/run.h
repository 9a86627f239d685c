// One standard run: the listing on an input, the reports on two output streams.
#pragma once

#include <cstdio>
#include <string>

#include "driver/run_state.h"
#include "grammar/parser.h"
#include "grammar/reductions.h"
#include "scanner/scanner.h"

namespace romlift {

class Run : private ErrorReporter {
 public:
  // out takes the byte count and the registers' messages, err the syntax errors and the
  // image files' faults; the image files go to imageDir (empty: the current directory).
  Run(Input input, FILE* out, FILE* err, std::string imageDir = {});

  // Parses until the scanner has returned end of input. Returns the exit status: 0, 1 when an
  // image file could not be written in full, 2 after a fatal input error.
  int run();

  const RunState& state() const { return state_; }
  const Scanner& scanner() const { return scanner_; }

 private:
  void yyerror(const char* message) override;
  int yywrap();
  void imageFault(const char* file, int errnum);

  FILE* out_;
  FILE* err_;
  RunState state_;
  Scanner scanner_;
  Reductions reductions_;
  Parser parser_;
  bool wrapped_ = false;  // the scanner has met the end of its input
};

// The standard run on a file descriptor, as `romlift` does it on standard input.
int runListing(int fd, FILE* out, FILE* err);

}  // namespace romlift
