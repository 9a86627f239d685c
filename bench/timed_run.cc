// timed_run: runs one program with its standard streams on files and prints how long it took
// and how much memory it held at most.
//
//   timed_run STDIN STDOUT STDERR PROGRAM [ARG...]
//
// Prints "WALL_SECONDS CPU_SECONDS MAX_RSS_KIB EXIT_STATUS" on standard output. The wall time
// runs from just before the fork to the moment the child has been waited for (monotonic
// clock); the CPU time (user + system) and the peak resident set size are the child's own,
// from wait4. A child ended by a signal reports 128 + the signal number as its status.
// The three files are opened before the clock starts, as a shell does before it starts a
// program: truncating the output of an earlier run can take longer than a short run.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// Opens path, or ends the program.
int openOrDie(const char* path, int flags) {
  int f = open(path, flags | O_CLOEXEC, 0644);
  if (f < 0) {
    std::fprintf(stderr, "timed_run: %s: %s\n", path, std::strerror(errno));
    std::exit(2);
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: timed_run STDIN STDOUT STDERR PROGRAM [ARG...]\n");
    return 2;
  }
  int in = openOrDie(argv[1], O_RDONLY);
  int out = openOrDie(argv[2], O_WRONLY | O_CREAT | O_TRUNC);
  int err = openOrDie(argv[3], O_WRONLY | O_CREAT | O_TRUNC);
  double start = now();
  pid_t pid = fork();
  if (pid < 0) {
    std::fprintf(stderr, "timed_run: fork: %s\n", std::strerror(errno));
    return 2;
  }
  if (pid == 0) {
    if (dup2(in, STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0) _exit(127);
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
