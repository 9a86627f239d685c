// How a fuzz target ends on a broken invariant: the reason on standard error, then an abort
// that libFuzzer records with the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace romlift {

inline int requireHeld(const std::string& why) {
  if (why.empty()) return 0;
  std::fprintf(stderr, "invariant broken: %s\n", why.c_str());
  std::abort();
}

}  // namespace romlift
