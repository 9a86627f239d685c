// One run over a listing: the input, the reports on two output streams, the image files.
#pragma once

#include <cstdio>
#include <string>

#include "driver/run_state.h"
#include "grammar/parser.h"
#include "grammar/line_observer.h"
#include "grammar/reductions.h"
#include "scanner/scanner.h"

namespace romlift {

struct RunOptions {
  std::string imageDir;                      // where the image files go; empty: current folder
  ImageTarget images = ImageTarget::Files;
  bool printCount = true;                    // the byte-count line at the end of input
  LineObserver* observer = nullptr;
  SkippedLineListener* skipped = nullptr;     // hears of the lines that fit no layout
  size_t bufferSize = Scanner::kBufferSize;  // the scanner's first buffer
};

class Run : private ErrorReporter {
 public:
  // out takes the byte count and the registers' messages, err the syntax errors and the
  // image files' faults.
  Run(Input input, FILE* out, FILE* err, RunOptions options = {});

  // Parses until the scanner has returned end of input. Returns the exit status: 0, 1 when an
  // image file or the output could not be written in full, 2 after a fatal input error.
  int run();

  // Flushes out; false (after reporting it once on err) when out could not be written.
  bool flushOut();

  const RunState& state() const { return state_; }
  RunState& state() { return state_; }
  const Scanner& scanner() const { return scanner_; }

 private:
  void yyerror(const char* message) override;
  int yywrap();
  void imageFault(const char* file, int errnum);

  FILE* out_;
  FILE* err_;
  RunOptions options_;
  RunState state_;
  Scanner scanner_;
  Reductions reductions_;
  Parser parser_;
  bool wrapped_ = false;  // the scanner has met the end of its input
  int outErrno_ = 0;      // why out could not be written, once it could not
  bool outReported_ = false;
};

// The standard run on a file descriptor, as `romlift` does it on standard input.
int runListing(int fd, FILE* out, FILE* err);

// Gives err a large buffer when no one can see the order of its lines against out's and no one
// waits for them: the listing on inFd is not typed on a terminal, err is not a terminal and not
// the same file as out. A damaged listing then costs one write per buffer of reports instead
// of one per report.
void bufferReports(int inFd, FILE* out, FILE* err);

}  // namespace romlift
