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
      EXPECT_EQ(checkWholeRun(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "");
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0u);
}

}  // namespace
}  // namespace romlift
