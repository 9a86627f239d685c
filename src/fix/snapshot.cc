#include "fix/snapshot.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <utility>

#include "checks/directives.h"
#include "checks/gaps.h"
#include "checks/xref.h"
#include "grammar/parser.h"
#include "grammar/reductions.h"
#include "output/image_writer.h"
#include "registers/registers.h"
#include "scanner/scanner.h"
#include "verify/verifier.h"

namespace romlift::fix {
namespace {

// A stream that takes what the runs print and drops it.
class Sink {
 public:
  Sink() : file_(fopencookie(nullptr, "w", {nullptr, &drop, nullptr, nullptr})) {}
  ~Sink() { std::fclose(file_); }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;
  FILE* file() const { return file_; }

 private:
  static ssize_t drop(void*, const char*, size_t size) { return static_cast<ssize_t>(size); }
  FILE* file_;
};

Input stringInput(const std::string& text) {
  auto at = std::make_shared<size_t>(0);
  return Input([&text, at](char* dst, size_t cap) -> ssize_t {
    size_t n = std::min(cap, text.size() - *at);
    std::memcpy(dst, text.data() + *at, n);
    *at += n;
    return static_cast<ssize_t>(n);
  });
}

// The syntax errors that start a chain: after one, romlift reports every token up to the next
// first-page header, and a correction inside the chain only makes it report one more there.
class SyntaxErrors : public ErrorReporter, public ParserActions {
 public:
  explicit SyntaxErrors(ParserActions& actions) : actions_(actions) {}
  void yyerror(const char*) override {
    if (taken_ || count == 0) ++count;
    taken_ = false;
  }
  void reduce(Production production) override { actions_.reduce(production); }
  void shifted(int token) override {
    taken_ = true;
    actions_.shifted(token);
  }
  void rejected(int token) override { actions_.rejected(token); }
  long count = 0;

 private:
  ParserActions& actions_;
  bool taken_ = false;  // a token was taken since the last error
};

// The state a run's line actions fill, with the images dropped.
struct Lines {
  explicit Lines(FILE* sink) : registers(sink), writer([](const char*, int) {}, {}, ImageTarget::Discard) {}
  LineFields fields;
  Registers registers;
  ImageWriter writer;
};

long syntaxErrors(const std::string& text, FILE* sink, int64_t& written) {
  Lines lines(sink);
  bool wrapped = false;
  Scanner scanner(stringInput(text), [&wrapped] {
    wrapped = true;
    return 1;
  });
  Reductions reductions(scanner, lines.fields, lines.registers, lines.writer);
  SyntaxErrors errors(reductions);
  Parser parser(scanner, errors, errors);
  while (!wrapped) parser.yyparse();
  written = lines.writer.nbcarsecrits();
  return errors.count;
}

// gaps, xref and verify hear of every line: the run takes each token as the page grammar would
// take it in a good place, so that no line stands hidden behind a syntax error.
class AllLines : public LineObserver, public SkippedLineListener {
 public:
  AllLines() : verifier(*isa::findInstructionSet(isa::kDefaultInstructionSet)) {}
  void page(int lineno, const char* seg) override {
    gaps.page(lineno, seg);
    directives.page(lineno, seg);
    verifier.page(lineno, seg);
  }
  void org(int lineno, PaddedText line) override {
    gaps.org(lineno, line);
    verifier.org(lineno, line);
  }
  void codeLine(int lineno, const char* seg, const char* line, int64_t offset, int bytes) override {
    gaps.codeLine(lineno, seg, line, offset, bytes);
  }
  void codeToken(int lineno, int token, PaddedText line) override { verifier.codeToken(lineno, token, line); }
  void labelOnly(int lineno, const ShortText& label) override { verifier.labelOnly(lineno, label); }
  void symbolEntry(const ShortText& label, const ShortText& adr) override { verifier.symbolEntry(label, adr); }
  void skippedLine(int lineno, PaddedText line) override {
    gaps.skippedLine(lineno, line);
    directives.skippedLine(lineno, line);
    verifier.skippedLine(lineno, line);
  }
  GapFinder gaps;
  DirectiveLog directives;
  verify::Verifier verifier;
};

Production productionOf(int token) {
  switch (token) {
    case SEGMENT: return Production::SegmentAction;
    case SYMBOLTABLE: return Production::LigneSymbolTable;
    case LABELSUP: return Production::LabelSup;
    case CODEL: return Production::LabelCodeL;
    case CODELO: return Production::LabelCodeLO;
    case CODELC: return Production::LabelCodeLC;
    case CODELOC: return Production::LabelCodeLOC;
    case CODE: return Production::SansLabelCode;
    case CODEO: return Production::SansLabelCodeO;
    case CODEOC: return Production::SansLabelCodeOC;
    case CODEC: return Production::SansLabelCodeC;
    default: return Production::None;
  }
}

void everyLineChecks(const std::string& text, Tally& tally, FILE* sink) {
  AllLines all;
  Lines state(sink);
  Scanner scanner(stringInput(text));
  scanner.setSkippedLineListener(&all);
  Reductions reductions(scanner, state.fields, state.registers, state.writer, &all);
  for (int token; (token = scanner.yylex()) > 0;) {
    reductions.shifted(token);
    if (Production p = productionOf(token); p != Production::None) reductions.reduce(p);
  }
  tally.counts[1] = all.gaps.print(sink);
  for (int line : all.gaps.breakLines()) tally.gapLines.push_back(static_cast<size_t>(line));
  tally.counts[2] = xref(sink, CodeLists(state.registers.codes, sink), SymbolLists(state.registers.symbols, sink),
                         all.directives);
  all.verifier.finish(state.registers);
  tally.counts[3] = static_cast<long>(all.verifier.errors());
  for (uint32_t line : all.verifier.errorLines()) tally.verifyLines.push_back(line);
}

}  // namespace

long Tally::total() const { return std::accumulate(counts.begin(), counts.end(), 0L); }

long Tally::runProblems() const { return std::accumulate(counts.begin(), counts.begin() + kRunChecks, 0L); }

bool Tally::betterThan(const Tally& before) const {
  for (size_t k = 0; k < kChecks; ++k)
    if (counts[k] > before.counts[k]) return false;
  for (auto lines : {&Tally::gapLines, &Tally::verifyLines})
    if (!std::includes((before.*lines).begin(), (before.*lines).end(), (this->*lines).begin(), (this->*lines).end()))
      return false;
  return total() < before.total();
}

bool Tally::clean() const {
  for (size_t k = 0; k < kChecks; ++k) {
    bool judged = k < kRunChecks || isReported(static_cast<ProblemKind>(k - kRunChecks));
    if (judged && counts[k] != 0) return false;
  }
  return true;
}

void runChecks(const std::string& text, Tally& tally) {
  Sink sink;
  tally.counts[0] = syntaxErrors(text, sink.file(), tally.written);
  everyLineChecks(text, tally, sink.file());
}

namespace {

std::vector<LineRef> lineRefs(const Listing& listing) {
  std::vector<LineRef> refs(listing.readLines());
  for (size_t i = 0; i < refs.size(); ++i) refs[i] = {listing.readLine(i), listing.readNewline(i)};
  return refs;
}

}  // namespace

Snapshot::Snapshot(Listing listing)
    : listing_(std::move(listing)), lines_(lineRefs(listing_)), facts_(readFacts(lines_)), index_(facts_, lines_) {
  problems_ = inspect({lines_, facts_, index_.segments(), index_, nullptr, nullptr});
  foreign_ = foreignRanges(facts_, problems_);
  if (!foreign_.empty()) problems_ = inspect({lines_, facts_, index_.segments(), index_, nullptr, &foreign_});
  for (size_t i = 0; i < facts_.lines.size(); ++i)
    if (facts_.lines[i].kind == Kind::Header) headers_.push_back(i);
}

Snapshot::Snapshot(Listing listing, Tally tally) : Snapshot(std::move(listing)) {
  tally_ = std::move(tally);
  ran_ = true;
}

const Tally& Snapshot::tally() const {
  if (!tallied_) {
    if (!ran_) runChecks(listing_.readText(), tally_);
    // Edited lines keep the input line of the first line they replace: the lines compare across
    // snapshots.
    for (std::vector<size_t>* lines : {&tally_.gapLines, &tally_.verifyLines}) {
      for (size_t& line : *lines) line = listing_.line(line - 1).origin;
      std::sort(lines->begin(), lines->end());
    }
    for (const Problem& p : problems_) ++tally_.counts[Tally::kRunChecks + static_cast<size_t>(p.kind)];
    tallied_ = true;
  }
  return tally_;
}

size_t Snapshot::sectionStart(size_t i) const {
  auto it = std::upper_bound(headers_.begin(), headers_.end(), i);
  return it == headers_.begin() ? 0 : *(it - 1);
}

size_t Snapshot::sectionEnd(size_t i) const {
  auto it = std::upper_bound(headers_.begin(), headers_.end(), i);
  return it == headers_.end() ? facts_.lines.size() : *it;
}

}  // namespace romlift::fix
