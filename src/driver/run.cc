#include "driver/run.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdio_ext.h>
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
      reductions_(scanner_, state_.fields, state_.registers, state_.writer, options_.observer),
      parser_(scanner_, reductions_, *this) {
  scanner_.setSkippedLineListener(options_.skipped);
}

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
  // Nothing waiting is the common case on a damaged listing: one check, no locked call.
  if (__fpending(out_) > 0 && std::fflush(out_) != 0 && outErrno_ == 0) outErrno_ = errno;
  if (outErrno_ == 0 && !std::ferror(out_)) return true;
  if (!outReported_) {
    outReported_ = true;
    std::fprintf(err_, "Erreur \xC3\xA9" "criture sortie standard : %s\n", std::strerror(outErrno_ ? outErrno_ : EIO));
  }
  return false;
}

// Standard output goes first, so that with both streams on one file the lines stand in the
// order the events happened.
namespace {

// Writes "%4d" of value at the end of [begin, end) and returns where it starts.
char* rightAligned(int value, char* begin, char* end) {
  char* p = end;
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0 && p > begin);
  if (value < 0 && p > begin) *--p = '-';
  while (end - p < 4 && p > begin) *--p = ' ';
  return p;
}

}  // namespace

void Run::yyerror(const char* message) {
  flushOut();
  // "%s %4d %s\n", put together by hand in one piece: a damaged listing can have a report
  // every few lines, and an unbuffered standard error then still takes one write each.
  char number[16];
  char* digits = rightAligned(scanner_.yylineno, number, number + sizeof number);
  size_t width = static_cast<size_t>(number + sizeof number - digits);
  size_t head = std::strlen(message);
  size_t text = std::strlen(scanner_.yytext);
  char line[256];
  if (head + width + text + 3 > sizeof line) {
    std::fprintf(err_, "%s %4d %s\n", message, scanner_.yylineno, scanner_.yytext);
    return;
  }
  char* p = line;
  p = static_cast<char*>(std::memcpy(p, message, head)) + head;
  *p++ = ' ';
  p = static_cast<char*>(std::memcpy(p, digits, width)) + width;
  *p++ = ' ';
  p = static_cast<char*>(std::memcpy(p, scanner_.yytext, text)) + text;
  *p++ = '\n';
  fwrite_unlocked(line, 1, static_cast<size_t>(p - line), err_);
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
  // An image of an earlier, longer listing would pass for this one's.
  for (const char* name : state_.writer.staleImages())
    std::fprintf(err_, "Fichier %s non \xC3\xA9" "crit par la passe : il date d'une passe pr\xC3\xA9" "c\xC3\xA9" "dente\n", name);
  return 1;
}

void bufferReports(int inFd, FILE* out, FILE* err) {
  int errFd = fileno(err);
  struct stat outStat, errStat;
  // Someone typing the listing waits for each report, wherever it goes.
  if (isatty(inFd)) return;
  if (errFd < 0 || isatty(errFd) || fstat(errFd, &errStat) != 0) return;
  // One file for both keeps its lines in event order only unbuffered; a device that is not a
  // terminal (/dev/null) shows no order to anyone.
  bool sameFile = fstat(fileno(out), &outStat) == 0 && outStat.st_dev == errStat.st_dev &&
                  outStat.st_ino == errStat.st_ino;
  if (sameFile && !S_ISCHR(errStat.st_mode)) return;
  std::setvbuf(err, nullptr, _IOFBF, 64 * 1024);
}

int runListing(int fd, FILE* out, FILE* err) {
  Run run(Input(fd), out, err);
  return run.run();
}

}  // namespace romlift
