// Running another program from a bench tool: tesseract, romlift, romlift-report.
#pragma once

#include <string>
#include <vector>

namespace romlift::bench::tool {

struct Child {
  std::vector<std::string> argv;  // argv[0] is the program's path, or a name looked up on PATH
  std::string input;              // a file for standard input; /dev/null when empty
  std::string folder;             // where it runs; here when empty
};

// Runs the child to its end with its standard output in out and its standard error dropped.
// Its exit status, or -1 when it could not be started or ended on a signal.
int run(const Child& child, std::string& out);

}  // namespace romlift::bench::tool
