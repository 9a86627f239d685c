// The page grammar alone: the tokens that the scanner gives for a generated listing, handed
// out again from memory, with actions and reports that do nothing. Items are tokens.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_support.h"
#include "grammar/parser.h"

namespace romlift::bench {
namespace {

// Hands out a recorded token sequence, then the end of input.
class TokenTape : public TokenSource {
 public:
  explicit TokenTape(const std::vector<int>& tokens) : tokens_(tokens) {}
  int yylex() override {
    if (pos_ < tokens_.size()) return tokens_[pos_++];
    ended_ = true;
    return 0;
  }
  void rewind() {
    pos_ = 0;
    ended_ = false;
  }
  bool ended() const { return ended_; }

 private:
  const std::vector<int>& tokens_;
  size_t pos_ = 0;
  bool ended_ = false;
};

class NoActions : public ParserActions {
 public:
  void reduce(Production) override {}
};

class CountingReporter : public ErrorReporter {
 public:
  void yyerror(const char*) override { ++reports; }
  size_t reports = 0;
};

const std::vector<int>& recordedTokens(Variant variant) {
  static std::vector<int> tokens[3];
  auto& t = tokens[static_cast<int>(variant)];
  if (t.empty()) t = scanTokens(sampleListing(variant));
  return t;
}

// Parses the whole sequence the way the driver does: again after each call that ended on a
// bad token, until the end of input has been handed out.
void parseTokens(benchmark::State& state, Variant variant) {
  const std::vector<int>& tokens = recordedTokens(variant);
  TokenTape tape(tokens);
  NoActions actions;
  CountingReporter reporter;
  Parser parser(tape, actions, reporter);
  size_t calls = 0;
  for (auto _ : state) {
    tape.rewind();
    reporter.reports = 0;
    do {
      parser.yyparse();
      ++calls;
    } while (!tape.ended());
  }
  if (variant != Variant::Damaged && reporter.reports != 0) state.SkipWithError("a well-formed listing was rejected");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (tokens.size() + 1)));
  state.counters["tokens_per_pass"] = static_cast<double>(tokens.size());
  state.counters["reports_per_pass"] = static_cast<double>(reporter.reports);
  state.counters["ns_per_token"] = benchmark::Counter(static_cast<double>(state.iterations() * tokens.size()),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

const bool registered = [] {
  for (Variant v : {Variant::Clean, Variant::Symbols, Variant::Damaged})
    benchmark::RegisterBenchmark((std::string("parse_tokens/") + variantName(v)).c_str(),
                                 [v](benchmark::State& s) { parseTokens(s, v); });
  return true;
}();

}  // namespace
}  // namespace romlift::bench
