// Code lines that a real assembler printed outside the listing's layout (a blank in the operand,
// more than three bytes, an operand over eight characters): not damage, but lines the standard
// run skips with their bytes. Each is written again inside the layout with the same bytes, its
// operand as the value, a long DB or DW cut into lines of at most three bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fix/listing.h"

namespace romlift::fix {

struct LayoutRewrite {
  Edit edit;  // the one line, and what it becomes
  uint16_t address = 0;
  uint8_t reasons = 0;  // why no layout holds it, as OutsideLine tells them
  size_t bytes = 0;
};

// The lines of the listing outside the layout whose operand gives exactly their object code,
// with the labels the listing defines: each rewritten. Sorted by line.
std::vector<LayoutRewrite> layoutRewrites(const Listing& listing);

// What the report says of one after its line and segment: "adresse A : REASONS : ligne
// intacte, réécrite dans le format avec ses N octets".
std::string layoutMessage(const LayoutRewrite& r);

}  // namespace romlift::fix
