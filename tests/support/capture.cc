#include "support/capture.h"

#include <algorithm>
#include <cstdio>

namespace romlift::test {

::testing::AssertionResult sameBytes(std::string_view got, std::string_view want) {
  if (got == want) return ::testing::AssertionSuccess();
  size_t at = std::mismatch(got.begin(), got.begin() + std::min(got.size(), want.size()), want.begin()).first - got.begin();
  auto byteAt = [](std::string_view s, size_t i) {
    char hex[8] = "end";
    if (i < s.size()) std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(s[i]));
    return std::string(hex);
  };
  return ::testing::AssertionFailure() << got.size() << " bytes where " << want.size() << " were expected; first difference at offset "
                                       << at << ": " << byteAt(got, at) << " instead of " << byteAt(want, at);
}

}  // namespace romlift::test
