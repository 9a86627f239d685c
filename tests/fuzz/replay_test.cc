// Every input that once broke a run, and every seed of the fuzzer, replayed through the
// fuzzer's invariant checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "fuzz/whole_run.h"

namespace romlift {
namespace {

namespace fs = std::filesystem;

TEST(FuzzReplay, KnownInputsKeepTheInvariants) {
  std::stringstream dirs(ROMLIFT_CORPORA);
  size_t replayed = 0;
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
      std::ifstream f(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      SCOPED_TRACE(entry.path().string());
      // fix's patch is checked on the regression inputs and the examples, and on one seed of
      // the fuzzer in eight (by the first hex digit of its name): it takes most of the time.
      std::string name = entry.path().filename().string();
      bool seed = name.size() == 40 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
      bool fix = !seed || name[0] == '0' || name[0] == '8';
      EXPECT_EQ(checkWholeRun(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), fix), "");
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0u);
}

}  // namespace
}  // namespace romlift
