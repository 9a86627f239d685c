#include "support/run_binary.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace romlift::test {
namespace {

fs::path makeTempDir() {
  std::string tmpl = (fs::temp_directory_path() / "romlift-e2e-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return tmpl;
}

void writeFile(const fs::path& path, std::string_view bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path.string());
}

// Child side of fork: only async-signal-safe calls until exec.
[[noreturn]] void execChild(const char* dir, const char* in, const char* out, const char* err,
                            bool merge, char* const argv[]) {
  int fd0 = open(in, O_RDONLY);
  int fd1 = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  int fd2 = merge ? fd1 : open(err, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd0 < 0 || fd1 < 0 || fd2 < 0 || chdir(dir) != 0 || dup2(fd0, 0) < 0 || dup2(fd1, 1) < 0 ||
      dup2(fd2, 2) < 0) {
    _exit(127);
  }
  if (fd0 > 2) close(fd0);
  if (fd1 > 2) close(fd1);
  if (fd2 > 2 && fd2 != fd1) close(fd2);
  execv(argv[0], argv);
  _exit(127);
}

int waitWithTimeout(pid_t pid, std::chrono::seconds timeout, long& peakKb) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int wstatus = 0;
  for (;;) {
    struct rusage usage {};
    pid_t r = wait4(pid, &wstatus, WNOHANG, &usage);
    if (r == pid) {
      peakKb = usage.ru_maxrss;
      break;
    }
    if (r < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &wstatus, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

}  // namespace

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

RunResult runReport(std::string_view listing, std::vector<std::string> args, const std::string& checkFile) {
  RunOptions options;
  options.report = true;
  options.args = std::move(args);
  if (!checkFile.empty()) options.prepare = [&](const std::string& dir) { std::ofstream(dir + "/roms.txt") << checkFile; };
  return runRomlift(listing, options);
}

std::string imageBytes(const RunResult& r) {
  std::string all;
  for (const char* name : {"511_CodeObjet.bin", "514_CodeObjet.bin", "512_CodeObjet.bin"})
    if (auto it = r.contents.find(name); it != r.contents.end()) all += it->second;
  return all;
}

ScratchFile::ScratchFile() : path((makeTempDir() / "input").string()) {}

ScratchFile::~ScratchFile() {
  std::error_code ignored;
  fs::remove_all(fs::path(path).parent_path(), ignored);
}

std::string examplePath(const std::string& name) {
  return (fs::path(ROMLIFT_EXAMPLES) / name).string();
}

RunResult runRomlift(std::string_view input, const RunOptions& options) {
  const fs::path root = makeTempDir();
  const fs::path work = root / "work";
  fs::create_directory(work);
  const std::string in =
      options.stdinPath.empty() ? (root / "stdin").string() : options.stdinPath;
  const std::string out = options.stdoutPath.empty() ? (root / "stdout").string() : options.stdoutPath;
  const std::string err = (root / "stderr").string();
  if (options.stdinPath.empty()) writeFile(in, input);

  std::string program = options.program.empty() ? (options.report ? "romlift-report" : "") : options.program;
  std::vector<std::string> args{program.empty() ? ROMLIFT_BIN : (fs::path(ROMLIFT_BIN).parent_path() / program).string()};
  args.insert(args.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string dir = work.string();
  if (options.prepare) options.prepare(dir);

  RunResult result;
  pid_t pid = fork();
  if (pid == 0) execChild(dir.c_str(), in.c_str(), out.c_str(), err.c_str(),
                          options.mergeOutput, argv.data());
  if (pid > 0) result.status = waitWithTimeout(pid, options.timeout, result.peakKb);

  if (options.stdoutPath.empty()) result.out = readFile(out);
  if (!options.mergeOutput) result.err = readFile(err);
  for (const auto& entry : fs::directory_iterator(work)) {
    result.files.push_back(entry.path().filename().string());
    if (entry.is_regular_file() && !entry.is_symlink())
      result.contents[result.files.back()] = readFile(entry.path().string());
  }
  std::sort(result.files.begin(), result.files.end());
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return result;
}

}  // namespace romlift::test
