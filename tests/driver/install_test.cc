// Installs the build into a scratch prefix, the way a user does with `cmake --install`, and
// checks what lands there: the three programs in bin/, their manual pages in share/man/man1/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/run_binary.h"

extern char** environ;

namespace romlift::test {
namespace {

namespace fs = std::filesystem;

// Runs args[0] (searched in PATH when it has no slash) with no standard input and both output
// streams in `log`. Returns the exit status, or -1 when it could not run or was killed.
int spawn(const std::vector<std::string>& args, const fs::path& log) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (rc != 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Installed {
  const char* path;  // under the prefix
  bool program;      // an executable, else a manual page
  const char* title; // the manual page's .TH line starts with this
};

const Installed kInstalled[] = {
    {"bin/romlift", true, nullptr},
    {"bin/romlift-report", true, nullptr},
    {"bin/romlift-ocr", true, nullptr},
    {"share/man/man1/romlift.1", false, ".TH ROMLIFT 1 "},
    {"share/man/man1/romlift-report.1", false, ".TH ROMLIFT\\-REPORT 1 "},
    {"share/man/man1/romlift-ocr.1", false, ".TH ROMLIFT\\-OCR 1 "},
};

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "romlift-install-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    prefix_ = fs::path(tmpl) / "prefix";
    log_ = fs::path(tmpl) / "log";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(log_.parent_path(), ec);
  }

  fs::path prefix_, log_;
};

TEST_F(InstallTest, PutsTheProgramsAndTheirManualPagesUnderThePrefix) {
  const std::string buildDir = fs::path(ROMLIFT_BIN).parent_path().string();
  ASSERT_EQ(spawn({"cmake", "--install", buildDir, "--prefix", prefix_.string()}, log_), 0) << readFile(log_);

  for (const Installed& f : kInstalled) {
    SCOPED_TRACE(f.path);
    const fs::path path = prefix_ / f.path;
    ASSERT_TRUE(fs::is_regular_file(path));
    EXPECT_GT(fs::file_size(path), 0u);
    if (f.program) {
      EXPECT_EQ(access(path.c_str(), X_OK), 0);
      continue;
    }
    // A roff comment may come first; the title line must name the right page.
    const std::string page = readFile(path);
    EXPECT_TRUE(page.starts_with(".\\\"") || page.starts_with("'\\\"") || page.starts_with(".TH"))
        << page.substr(0, 40);
    EXPECT_TRUE(page.starts_with(f.title) || page.find(std::string("\n") + f.title) != std::string::npos)
        << "no title line " << f.title;
  }

  // The installed program runs from its new place.
  EXPECT_EQ(spawn({(prefix_ / "bin/romlift-report").string(), "--version"}, log_), 0);
  EXPECT_EQ(readFile(log_), "romlift-report 0.1.0\n");
  EXPECT_EQ(spawn({(prefix_ / "bin/romlift-ocr").string(), "--version"}, log_), 0);
  EXPECT_EQ(readFile(log_), "romlift-ocr 0.1.0\n");
}

}  // namespace
}  // namespace romlift::test
