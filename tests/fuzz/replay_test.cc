// Every input that once broke a run, and every seed of the fuzzers, replayed through the fuzz
// targets' invariant checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include "fuzz/fix_check.h"
#include "fuzz/whole_run.h"

namespace romlift {
namespace {

namespace fs = std::filesystem;

// Calls replay with the name and bytes of every file in the folders of the ':'-separated list.
// Returns how many there were.
size_t forEachInput(const std::string& folders, const std::function<void(const std::string&, const std::string&)>& replay) {
  std::stringstream dirs(folders);
  size_t replayed = 0;
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      std::string name = entry.path().filename().string();
      if (!entry.is_regular_file() || name.starts_with(".")) continue;
      std::ifstream f(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      SCOPED_TRACE(entry.path().string());
      replay(name, bytes);
      ++replayed;
    }
  }
  return replayed;
}

TEST(FuzzReplay, KnownInputsKeepTheInvariantsOfAWholeRun) {
  size_t replayed = forEachInput(ROMLIFT_CORPORA ":" ROMLIFT_FIX_CORPORA, [](const std::string&, const std::string& bytes) {
    EXPECT_EQ(checkWholeRun(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "");
  });
  EXPECT_GT(replayed, 0u);
}

// fix's seeds, the regression inputs and the examples, and one seed of the whole-run fuzzer
// in eight (by the first hex digit of its name): fix takes most of the time.
TEST(FuzzReplay, KnownInputsKeepFixsPromise) {
  size_t replayed = forEachInput(ROMLIFT_FIX_CORPORA, [](const std::string&, const std::string& bytes) {
    EXPECT_EQ(checkFix(bytes), "");
  });
  EXPECT_GT(replayed, 0u);
  forEachInput(ROMLIFT_CORPORA, [](const std::string& name, const std::string& bytes) {
    bool seed = name.size() == 40 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
    if (!seed || name[0] == '0' || name[0] == '8') {
      EXPECT_EQ(checkFix(bytes), "");
    }
  });
}

}  // namespace
}  // namespace romlift
