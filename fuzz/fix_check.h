// fix on any bytes, checked against its promise: its patch applies to them, and the listing it
// gives has no more problems than they had.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace romlift {

// Applies a unified diff to text the way GNU patch does when every line of context matches;
// nothing when one does not or the diff is malformed. Written apart from fix's own edits, so
// that the check does not take fix's word for what its patch says.
std::optional<std::string> applyUnifiedDiff(std::string_view text, std::string_view diff);

// Runs romlift-report fix on bytes and returns an empty string when its patch applies, the
// patched listing has no more syntax error chains, gaps, xref and verify errors than the bytes,
// romlift writes no fewer bytes from it, and its closing counts agree with its messages, its
// patch and its status; else what broke.
std::string checkFix(std::string_view bytes);

}  // namespace romlift
