// Listing lines that many tests share: page headers and the symbol-table banner.
#pragma once

#include <string>

namespace romlift::test {

inline const std::string kHeader = "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n";
inline const std::string kHeader2 = "PAGE 01    KEZ FIRMWARE 0C800-0CFFF  V1.1\n";
inline const std::string kLaterHeader = "PAGE 02    KEZ FIRMWARE 0C000-0C7FF  V1.1\n";
inline const std::string kBanner =
    "***************************\n"
    "* S Y M B O L   T A B L E *\n"
    "***************************\n";

// The same text with carriage-return-and-newline line ends.
inline std::string toCrlf(const std::string& lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace romlift::test
