#include "verify/learned_lines.h"

#include <algorithm>

namespace romlift::verify {

bool LearnedLines::feed(std::string_view mnemonic, std::string_view operand, const Finding& line) {
  uint32_t variantLines = set_.feed(mnemonic, operand, line.shown.bytes[0], line.shown.count, line.lineno);
  if (variantLines == 0) return false;
  ++fed_;
  if (variantLines <= kMaxReported) kept_.push_back(line);
  return true;
}

void LearnedLines::judge(std::vector<Finding>& findings, uint64_t& checked, uint64_t& notCheckable) const {
  uint64_t agreeing = set_.agreeingLines();
  checked += agreeing;
  notCheckable += fed_ - agreeing;
  for (const isa::Disagreement& d : set_.disagreements()) {
    if (d.variantLines > kMaxReported) continue;
    auto it = std::lower_bound(kept_.begin(), kept_.end(), d.line,
                               [](const Finding& f, uint32_t line) { return f.lineno < line; });
    if (it == kept_.end() || it->lineno != d.line) continue;
    Finding f = *it;
    f.probable = true;
    f.expectedLength = d.expectedLength;
    f.expected[0] = d.expectedFirstByte;
    f.knownMask = 1;
    f.agreeing = d.agreeing;
    f.shapeLines = d.shapeLines;
    f.shape = d.shape;
    findings.push_back(f);
  }
}

}  // namespace romlift::verify
