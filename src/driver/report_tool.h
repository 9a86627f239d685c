// romlift-report: the standard run's checks without image files, then one report.
#pragma once

#include <cstdio>

namespace romlift {

// Runs the report tool with its command-line arguments (argv[0] is the program name) on the
// listing read from infd. Returns the exit status.
int runReportTool(int argc, const char* const* argv, int infd, FILE* out, FILE* err);

}  // namespace romlift
