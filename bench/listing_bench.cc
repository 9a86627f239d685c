// Whole generated listings in memory: the scanner alone, and the standard run with every
// stage (scanner, grammar, registers, object-code decoding) but without the image files and
// with the reports going to /dev/null. Items are listing lines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "driver/run.h"
#include "scanner/scanner.h"

namespace romlift::bench {
namespace {

void scanListing(benchmark::State& state, Variant variant) {
  const std::string& text = sampleListing(variant);
  for (auto _ : state) {
    Scanner scanner(Input(memoryReader(text)), [] { return 1; });
    size_t tokens = 0;
    while (scanner.yylex() != 0) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * countLines(text)));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void runListing(benchmark::State& state, Variant variant) {
  const std::string& text = sampleListing(variant);
  FILE* sink = std::fopen("/dev/null", "w");
  if (sink == nullptr) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  int status = 0;
  for (auto _ : state) {
    RunOptions options;
    options.images = ImageTarget::Discard;
    Run run(Input(memoryReader(text)), sink, sink, options);
    status |= run.run();
  }
  std::fclose(sink);
  if (status != 0) state.SkipWithError("the run did not end with status 0");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * countLines(text)));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

const bool registered = [] {
  for (Variant v : {Variant::Clean, Variant::Symbols, Variant::Damaged}) {
    std::string name = variantName(v);
    benchmark::RegisterBenchmark(("scan_listing/" + name).c_str(), [v](benchmark::State& s) { scanListing(s, v); });
    benchmark::RegisterBenchmark(("run_listing/" + name).c_str(), [v](benchmark::State& s) { runListing(s, v); });
  }
  return true;
}();

}  // namespace
}  // namespace romlift::bench
