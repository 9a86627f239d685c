// libFuzzer entry: any bytes as a listing through romlift-report fix, which takes a hundred
// times as long as a whole run: a target of its own lets the whole run go at full speed.
#include <cstdint>
#include <string_view>

#include "fuzz/fix_check.h"
#include "fuzz/invariant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return romlift::requireHeld(romlift::checkFix(std::string_view(reinterpret_cast<const char*>(data), size)));
}
