// timed_run: runs one program with its standard streams on files and prints how long it took
// and how much memory it held at most.
//
//   timed_run STDIN STDOUT STDERR PROGRAM [ARG...]
//
// Prints "WALL_SECONDS CPU_SECONDS MAX_RSS_KIB EXIT_STATUS" on standard output. The wall time
// runs from just before the fork to the moment the child has been waited for (monotonic
// clock); the CPU time (user + system) and the peak resident set size are the child's own,
// from wait4. A child ended by a signal reports 128 + the signal number as its status.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double seconds(const timeval& tv) { return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) * 1e-6; }

// In the child: puts path on fd, or ends the child.
void redirect(const char* path, int fd, int flags) {
  int f = open(path, flags, 0644);
  if (f < 0 || dup2(f, fd) < 0) {
    std::fprintf(stderr, "timed_run: %s: %s\n", path, std::strerror(errno));
    _exit(127);
  }
  close(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: timed_run STDIN STDOUT STDERR PROGRAM [ARG...]\n");
    return 2;
  }
  double start = now();
  pid_t pid = fork();
  if (pid < 0) {
    std::fprintf(stderr, "timed_run: fork: %s\n", std::strerror(errno));
    return 2;
  }
  if (pid == 0) {
    redirect(argv[1], STDIN_FILENO, O_RDONLY);
    redirect(argv[2], STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    redirect(argv[3], STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    execv(argv[4], argv + 4);
    std::fprintf(stderr, "timed_run: %s: %s\n", argv[4], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "timed_run: wait4: %s\n", std::strerror(errno));
      return 2;
    }
  }
  double wall = now() - start;
  int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  double cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  std::printf("%.6f %.6f %ld %d\n", wall, cpu, usage.ru_maxrss, exitStatus);
  return 0;
}
