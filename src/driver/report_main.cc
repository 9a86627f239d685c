// romlift-report: reads a listing on standard input and prints one report over its labels,
// its address continuity or its pages.
#include <cstdio>
#include <unistd.h>

#include "driver/report_tool.h"

#include "driver/run.h"

int main(int argc, char** argv) {
  romlift::bufferReports(STDIN_FILENO, stdout, stderr);
  return romlift::runReportTool(argc, argv, STDIN_FILENO, stdout, stderr);
}
