// The actions hung on the grammar's productions: what a recognised line does to the run.
#pragma once

#include "driver/run_state.h"
#include "grammar/parser.h"
#include "scanner/scanner.h"

namespace romlift {

class Reductions : public ParserActions {
 public:
  Reductions(const Scanner& scanner, RunState& state) : scanner_(scanner), state_(state) {}

  void reduce(int production) override;

 private:
  const Scanner& scanner_;
  RunState& state_;
};

}  // namespace romlift
