#include "child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace romlift::bench::tool {
namespace {

// In the child: its streams and folder set, then the program; never returns.
[[noreturn]] void become(const Child& child, int outFd) {
  int in = open(child.input.empty() ? "/dev/null" : child.input.c_str(), O_RDONLY);
  int null = open("/dev/null", O_WRONLY);
  if (in < 0 || null < 0 || dup2(in, 0) < 0 || dup2(outFd, 1) < 0 || dup2(null, 2) < 0) _exit(127);
  if (!child.folder.empty() && chdir(child.folder.c_str()) != 0) _exit(127);
  std::vector<char*> args;
  for (const std::string& a : child.argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

}  // namespace

int run(const Child& child, std::string& out) {
  out.clear();
  int fds[2];
  if (child.argv.empty() || pipe(fds) != 0) return -1;
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    close(fds[0]);
    become(child, fds[1]);
  }
  close(fds[1]);
  char buffer[1 << 16];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n > 0)
      out.append(buffer, static_cast<size_t>(n));
    else if (errno != EINTR)
      break;
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace romlift::bench::tool
