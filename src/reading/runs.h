// A run of values that follow on from line to line, as line numbers and addresses do, read from
// fields that OCR may have misread, lost or garbled: the values that fit the readings best,
// where the run may break (a line lost, a hole left) at a price.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace romlift::reading {

struct RunField {
  std::string_view read;  // the field as OCR gave it
  int step = 0;           // how far the next value is from this one; -1 when nobody knows
  bool restart = false;   // the run starts again here at a value of its own (an ORG)
  // The field run into the next one without a blank: the value stands at its start, with a
  // character too many or too few, and proposes no value of its own.
  bool runOn = false;
  // The line around the field is known damaged (an ORG without its colon): a clear reading of
  // another value proves nothing there.
  bool damaged = false;
};

struct RunShape {
  unsigned modulus;  // values wrap at this: 1000 for line numbers, 65536 for addresses
  size_t width;      // the field's digits
  bool hex;
};

// The value of each field, or nothing where the readings around it do not tell.
std::vector<std::optional<unsigned>> readRun(const std::vector<RunField>& fields, const RunShape& shape,
                                             std::optional<unsigned> firstValue = std::nullopt);

}  // namespace romlift::reading
