// romlift typed into at a terminal: each message shows up as soon as its line is entered, on
// the terminal or wherever standard error goes.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace romlift::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The binary with standard input, output and error on a new pseudo-terminal, in a scratch folder;
// with errToPipe, standard error goes to a pipe instead (as for `romlift 2>errors.txt`).
class Terminal {
 public:
  explicit Terminal(bool errToPipe = false) {
    std::string dir = (fs::temp_directory_path() / "romlift-tty-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) return;
    dir_ = dir;
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const std::string slave = ptsname(master_);
    int errPipe[2] = {-1, -1};
    if (errToPipe && pipe(errPipe) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(master_);
      setsid();
      const int fd = open(slave.c_str(), O_RDWR);  // becomes the controlling terminal
      const int errFd = errToPipe ? errPipe[1] : fd;
      if (fd < 0 || dup2(fd, 0) < 0 || dup2(fd, 1) < 0 || dup2(errFd, 2) < 0 || chdir(dir.c_str()) != 0) _exit(127);
      execl(ROMLIFT_BIN, ROMLIFT_BIN, static_cast<char*>(nullptr));
      _exit(127);
    }
    if (errToPipe) {
      close(errPipe[1]);
      err_ = errPipe[0];
    }
  }
  ~Terminal() {
    if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    if (master_ >= 0) close(master_);
    if (err_ >= 0) close(err_);
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }

  bool type(const std::string& bytes) {
    from_ = shown_.size();
    return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // Reads the screen until `text` appears after what was shown when the last line was typed;
  // false after a few seconds, or when the program has closed the terminal without showing it.
  bool waitFor(const std::string& text) { return waitOn(master_, shown_, from_, text); }
  // The same for what reached the pipe of standard error.
  bool waitForErr(const std::string& text) { return waitOn(err_, piped_, pipedFrom_, text); }

  // Exit status once the program has closed the terminal; -1 if it is still running by then.
  int exitStatus() {
    waitFor(std::string(1, '\0'));  // never shown: reads until the terminal closes or time runs out
    int status = 0;
    for (const auto deadline = Clock::now() + std::chrono::seconds(5); waitpid(pid_, &status, WNOHANG) != pid_;) {
      if (Clock::now() > deadline) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& shown() const { return shown_; }
  const std::string& piped() const { return piped_; }

 private:
  static bool waitOn(int fd, std::string& seen, size_t& from, const std::string& text) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    for (;;) {
      if (size_t at = seen.find(text, from); at != std::string::npos) return from = at + text.size(), true;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd p{fd, POLLIN, 0};
      char buf[4096];
      ssize_t n = 0;
      if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 || (n = read(fd, buf, sizeof buf)) <= 0) return false;
      seen.append(buf, static_cast<size_t>(n));
    }
  }

  fs::path dir_;
  int master_ = -1;
  pid_t pid_ = -1;
  std::string shown_;
  size_t from_ = 0;
  int err_ = -1;
  std::string piped_;
  size_t pipedFrom_ = 0;
};

TEST(Terminal, MessagesAppearAsEachLineIsEntered) {
  // The terminal echoes what is typed and shows each newline of the output as "\r\n".
  const std::string dupStart = "Erreur Label START dej\xC3\xA0 pr\xC3\xA9sent en 0C800-0CFFF/C800\r\n";
  struct Step {
    std::string typed;
    std::string shown;  // awaited before the next line is typed; empty: nothing to wait for
  };
  const std::vector<Step> steps = {
      {"PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n", ""},
      {"001 C000 C9         START   RET\n", ""},
      {"002                 L1\n", ""},
      {"003 C001 76                 HLT\n", "syntax error    4 003 C001 76                 HLT\r\n"},
      {"\n", "syntax error    6 \r\n\r\n"},  // an empty line's report shows the number of the line after it
      {"PAGE 01    KEZ FIRMWARE 0C800-0CFFF  V1.1\n", ""},
      {"001 C800 C9         START   RET\n", ""},
      {"\n***************************\n* S Y M B O L   T A B L E *\n***************************\n", ""},
      {"START  C800 START  C800\n", dupStart},  // standard output is line-buffered on a terminal
      {"004                 L2\n", ""},
      {"\x04", "Nb car \xC3\xA9" "crits : 2\r\nsyntax error   14 \r\n"},  // Ctrl-D at a line start: end of input
  };
  Terminal tty;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.typed);
    ASSERT_TRUE(tty.type(step.typed));
    if (!step.shown.empty()) {
      ASSERT_TRUE(tty.waitFor(step.shown)) << tty.shown();
    }
  }
  EXPECT_EQ(tty.exitStatus(), 0) << tty.shown();
  EXPECT_EQ(tty.shown().find(dupStart), tty.shown().rfind(dupStart));
}

// Standard error on a pipe is not held back while the listing is typed: each report reaches
// the pipe as soon as its line is entered.
TEST(Terminal, ReportsToAPipeAppearAsEachLineIsEntered) {
  Terminal tty(/*errToPipe=*/true);
  ASSERT_TRUE(tty.type("PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n"));
  ASSERT_TRUE(tty.type("002                 L1\n"));
  ASSERT_TRUE(tty.type("003 C001 76                 HLT\n"));
  EXPECT_TRUE(tty.waitForErr("syntax error    3 003 C001 76                 HLT\n")) << tty.piped();
  ASSERT_TRUE(tty.type("004 C002 76                 HLT\n"));
  EXPECT_TRUE(tty.waitForErr("syntax error    4 004 C002 76                 HLT\n")) << tty.piped();
  ASSERT_TRUE(tty.type("\x04"));
  EXPECT_EQ(tty.exitStatus(), 0) << tty.shown();
}

}  // namespace
}  // namespace romlift::test
