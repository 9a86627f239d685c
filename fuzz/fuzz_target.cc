// libFuzzer entry: any bytes as a listing through a whole run and every report but fix.
#include <cstdint>

#include "fuzz/invariant.h"
#include "fuzz/whole_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return romlift::requireHeld(romlift::checkWholeRun(data, size));
}
