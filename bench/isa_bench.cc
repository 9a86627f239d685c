// The instruction-set library on the code lines of a generated listing: the expected object
// code of each line, and feeding each line to a learned set. Items are code lines.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "isa/instruction_set.h"
#include "isa/learned.h"
#include "listing_parts.h"

namespace romlift::bench {
namespace {

using parts::kLabelCol;
using parts::kMnemonicCol;
using parts::kObjectCol;
using parts::kOperandCol;
constexpr size_t kAddressCol = 4;
constexpr size_t kAddressWidth = 4;
constexpr int kHexBase = 16;

struct CodeLine {
  isa::SourceLine source;
  std::string_view object;  // hex digits, two a byte
  uint8_t firstByte;
};

class Labels final : public isa::LabelResolver {
 public:
  std::optional<uint16_t> value(std::string_view label) const override {
    auto it = values.find(label);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  std::unordered_map<std::string_view, uint16_t> values;
};

std::string_view wordAt(std::string_view line, size_t col) {
  if (line.size() <= col) return {};
  std::string_view rest = line.substr(col);
  return rest.substr(0, rest.find(' '));
}

bool isCodeLine(std::string_view line) {
  return line.size() > kMnemonicCol && line[3] == ' ' && line[kObjectCol - 1] == ' ' &&
         line[kAddressCol] != ' ' && line[kObjectCol] != ' ' && line[kMnemonicCol] != ' ';
}

// The code lines of the clean generated listing, with the labels they define (sections reuse
// label names, so some operands get another section's value: the work per line is the same).
struct Corpus {
  std::vector<CodeLine> lines;
  Labels labels;
};

const Corpus& corpus() {
  static const Corpus c = [] {
    Corpus out;
    std::string_view text = sampleListing(Variant::Clean);
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(at, end - at);
      at = end + 1;
      if (!isCodeLine(line)) continue;
      std::string digits(line.substr(kAddressCol, kAddressWidth));
      auto address = static_cast<uint16_t>(std::strtoul(digits.c_str(), nullptr, kHexBase));
      if (std::string_view label = wordAt(line, kLabelCol); !label.empty())
        out.labels.values.emplace(label, address);
      std::string_view object = wordAt(line, kObjectCol);
      std::string first(object.substr(0, 2));
      out.lines.push_back({{wordAt(line, kMnemonicCol), wordAt(line, kOperandCol), address}, object,
                           static_cast<uint8_t>(std::strtoul(first.c_str(), nullptr, kHexBase))});
    }
    return out;
  }();
  return c;
}

void setLineCounters(benchmark::State& state, size_t lines) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * lines));
  // Seconds a line: printed as e.g. "42ns".
  state.counters["per_line"] = benchmark::Counter(
      static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void expectedBytes(benchmark::State& state) {
  const Corpus& c = corpus();
  const isa::InstructionSet& set = *isa::findInstructionSet(isa::kDefaultInstructionSet);
  for (auto _ : state) {
    for (const CodeLine& line : c.lines) {
      isa::Expected e = set.expected(line.source, c.labels);
      benchmark::DoNotOptimize(e.bytes[0]);
    }
  }
  setLineCounters(state, c.lines.size());
}
BENCHMARK(expectedBytes)->Unit(benchmark::kMillisecond);

void learnedFeed(benchmark::State& state) {
  const Corpus& c = corpus();
  for (auto _ : state) {
    isa::LearnedSet set;
    uint32_t ref = 0;
    for (const CodeLine& line : c.lines) {
      auto length = static_cast<uint8_t>(line.object.size() / 2);
      set.feed(line.source.mnemonic, line.source.operand, line.firstByte, length, ref++);
    }
    benchmark::DoNotOptimize(set.disagreements().size());
  }
  setLineCounters(state, c.lines.size());
}
BENCHMARK(learnedFeed)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace romlift::bench
