// libFuzzer entry: any bytes as a listing through a whole run and every report.
#include <cstdio>
#include <cstdlib>

#include "fuzz/whole_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why = romlift::checkWholeRun(data, size);
  if (!why.empty()) {
    std::fprintf(stderr, "invariant broken: %s\n", why.c_str());
    std::abort();
  }
  return 0;
}
