#include "support/report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/mman.h>
#include <unistd.h>

#include "driver/report_tool.h"
#include "support/capture.h"

namespace romlift::test {

namespace fs = std::filesystem;

Outcome report(std::vector<const char*> args, const std::string& listing) {
  int fd = memfd_create("listing", 0);
  EXPECT_EQ(write(fd, listing.data(), listing.size()), static_cast<ssize_t>(listing.size()));
  lseek(fd, 0, SEEK_SET);
  fs::path before = fs::current_path();
  fs::path scratch = fs::temp_directory_path() / ("romlift-report-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  fs::current_path(scratch);
  args.insert(args.begin(), "romlift-report");
  Captured out, err;
  int status = runReportTool(static_cast<int>(args.size()), args.data(), fd, out.file(), err.file());
  EXPECT_TRUE(fs::is_empty(scratch)) << "the report tool wrote a file";
  fs::current_path(before);
  fs::remove_all(scratch);
  close(fd);
  return {status, out.text(), err.text()};
}

}  // namespace romlift::test
