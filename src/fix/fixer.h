// The corrections of a listing, found pass after pass: each pass checks the whole text, tries
// every edit of the confusion model where a check points, keeps the edits that are the only
// good one for their place, and checks the whole text again with them.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "alternatives/alternatives.h"
#include "fix/layout_rewrite.h"
#include "fix/listing.h"
#include "fix/problems.h"
#include "fix/snapshot.h"

namespace romlift::fix {

// Edits that are each good for the same place: none of them is made.
struct Ambiguity {
  std::vector<Edit> edits;  // in the numbering of the last snapshot
};

struct Outcome {
  explicit Outcome(std::string_view bytes) : original(bytes) {}
  Listing original;
  std::unique_ptr<Snapshot> last;  // the listing with every correction made
  std::vector<Edit> corrections;   // from the original to the last listing
  std::vector<LayoutRewrite> layout;  // lines printed outside the layout, written inside it first
  size_t corrected = 0;               // the corrections of damage, apart from those rewrites
  std::vector<Ambiguity> ambiguities;
  // Lines whose text past the object code was written from it, not read: by original line.
  std::vector<std::pair<size_t, std::string>> completions;
};

// With the OCR engine's alternatives, when given, to weigh the readings of the lines.
Outcome correct(std::string_view bytes, const alternatives::Index* alternatives = nullptr);

// The edits that turn original into changed, from the origins of changed's lines.
std::vector<Edit> editsBetween(const Listing& original, const Listing& changed);

}  // namespace romlift::fix
