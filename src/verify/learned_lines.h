// The lines whose mnemonic no instruction table knows, judged by the listing's other lines of
// the same shape.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "isa/learned.h"
#include "verify/judgement.h"

namespace romlift::verify {

class LearnedLines {
 public:
  // A variant of a shape (its lines with one first byte and length) with more lines than this
  // is taken for an encoding that the shape does not tell apart, not for misreads: its lines
  // are never reported. The first lines of each variant are kept for the messages.
  static constexpr uint32_t kMaxReported = 64;

  // Learns a line; false when the set does not learn it (a directive, a shape too long).
  bool feed(std::string_view mnemonic, std::string_view operand, const Finding& line);
  // Adds the lines that disagree with a clear majority of their shape to findings; counts the
  // lines that agree with one as checked and the other learned lines as not checkable.
  void judge(std::vector<Finding>& findings, uint64_t& checked, uint64_t& notCheckable) const;

 private:
  isa::LearnedSet set_;
  std::vector<Finding> kept_;  // in line order
  uint64_t fed_ = 0;
};

}  // namespace romlift::verify
