// The corrections as a unified diff that GNU patch and git apply both take.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fix/listing.h"

namespace romlift::fix {

// Lines of context around each change; changes closer than twice this share a hunk.
inline constexpr size_t kContextLines = 3;

// The diff from before to before.applied(edits) for the file name (as `--- a/NAME` and
// `+++ b/NAME`); the edits are sorted and do not overlap. Empty when there is no edit.
std::string unifiedDiff(const Listing& before, const std::vector<Edit>& edits, std::string_view name);

}  // namespace romlift::fix
