#include "driver/run.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace romlift {

Run::Run(Input input, FILE* out, FILE* err, RunOptions options)
    : out_(out),
      err_(err),
      options_(std::move(options)),
      state_(out, [this](const char* file, int errnum) { imageFault(file, errnum); }, options_.imageDir,
             options_.images),
      scanner_(std::move(input), [this] { return yywrap(); }, options_.bufferSize),
      reductions_(scanner_, state_, options_.observer),
      parser_(scanner_, reductions_, *this) {}

int Run::run() {
  try {
    do {
      parser_.yyparse();
    } while (!wrapped_);
  } catch (const FatalError& e) {
    flushOut();
    std::fprintf(err_, "%s\n", e.what());
    return 2;
  } catch (const std::bad_alloc&) {
    flushOut();
    std::fprintf(err_, "%s\n", kMemoryExhausted);
    return 2;
  }
  bool outOk = flushOut();
  return state_.writer.failed() || !outOk ? 1 : 0;
}

bool Run::flushOut() {
  if (std::fflush(out_) != 0 && outErrno_ == 0) outErrno_ = errno;
  if (outErrno_ == 0 && !std::ferror(out_)) return true;
  if (!outReported_) {
    outReported_ = true;
    std::fprintf(err_, "Erreur \xC3\xA9" "criture sortie standard : %s\n", std::strerror(outErrno_ ? outErrno_ : EIO));
  }
  return false;
}

// Standard output goes first, so that with both streams on one file the lines stand in the
// order the events happened.
void Run::yyerror(const char* message) {
  flushOut();
  std::fprintf(err_, "%s %4d %s\n", message, scanner_.yylineno, scanner_.yytext);
}

// The run goes on after a fault, so the rest of the listing is still checked and reported.
void Run::imageFault(const char* file, int errnum) {
  flushOut();
  std::fprintf(err_, "Erreur fichier %s : %s\n", file, std::strerror(errnum));
}

int Run::yywrap() {
  wrapped_ = true;
  if (options_.printCount)
    std::fprintf(out_, "Nb car \xC3\xA9" "crits : %lld\n", static_cast<long long>(state_.writer.nbcarsecrits()));
  flushOut();
  state_.writer.close();
  return 1;
}

void bufferReports(FILE* out, FILE* err) {
  int errFd = fileno(err);
  struct stat outStat, errStat;
  if (errFd < 0 || isatty(errFd) || fstat(errFd, &errStat) != 0) return;
  if (fstat(fileno(out), &outStat) == 0 && outStat.st_dev == errStat.st_dev && outStat.st_ino == errStat.st_ino)
    return;
  std::setvbuf(err, nullptr, _IOFBF, 64 * 1024);
}

int runListing(int fd, FILE* out, FILE* err) {
  Run run(Input(fd), out, err);
  return run.run();
}

}  // namespace romlift
