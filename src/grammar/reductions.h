// The actions hung on the grammar's productions: what a recognised line does to the run.
#pragma once

#include <cstdint>

#include "driver/run_state.h"
#include "grammar/parser.h"
#include "scanner/scanner.h"

namespace romlift {

// Hears of the accepted lines that shape the object-code stream, for reports that follow it.
class LineObserver {
 public:
  virtual ~LineObserver() = default;
  // A page header, with the line number and the page's address range.
  virtual void page(int /*lineno*/, const char* /*seg*/) {}
  // An accepted ORG line.
  virtual void org(int /*lineno*/) {}
  // An accepted code line: its whole text, where its bytes start in the stream, how many.
  virtual void codeLine(int /*lineno*/, const char* /*seg*/, const char* /*line*/, int64_t /*offset*/,
                        int /*bytes*/) {}
};

class Reductions : public ParserActions {
 public:
  Reductions(const Scanner& scanner, RunState& state, LineObserver* observer = nullptr)
      : scanner_(scanner), state_(state), observer_(observer) {}

  void reduce(int production) override;
  void shifted(int token) override;

 private:
  void writeCode();

  const Scanner& scanner_;
  RunState& state_;
  LineObserver* observer_;
};

}  // namespace romlift
