// Runs romlift-report in this process, the listing on a file descriptor of its own.
#pragma once

#include <string>
#include <vector>

namespace romlift::test {

struct Outcome {
  int status;
  std::string out, err;
};

// The tool with args (the command first) on the listing, inside an empty scratch folder,
// which must stay empty.
Outcome report(std::vector<const char*> args, const std::string& listing);

}  // namespace romlift::test
