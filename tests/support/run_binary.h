// Runs the romlift binary the way a user does: listing on standard input, in a folder of its own.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace romlift::test {

struct RunOptions {
  std::vector<std::string> args;  // command-line arguments after the program name
  bool report = false;            // run romlift-report (beside ROMLIFT_BIN) instead of romlift
  std::string program;            // when set, this program beside ROMLIFT_BIN instead (romlift-ocr)
  std::chrono::seconds timeout{30};  // the child is killed after this long (status -1)
  bool mergeOutput = false;       // standard error goes to the same descriptor as standard output
  std::string stdinPath;          // when set, standard input is opened from here instead
  std::string stdoutPath;         // when set, standard output is opened here (e.g. /dev/full)
  // Called with the working folder before the run, to lay out what the run will meet there.
  std::function<void(const std::string& dir)> prepare;
};

struct RunResult {
  std::string out;                 // standard output (both streams when merged)
  std::string err;                 // standard error; empty when merged
  int status = -1;                 // exit status; -1 when ended by a signal or timed out
  std::vector<std::string> files;  // names the run left in its working folder, sorted
  std::map<std::string, std::string> contents;  // bytes of each regular file among them
  long peakKb = -1;                // largest resident set of the child, in KiB; -1 when unknown
};

// Runs ROMLIFT_BIN in a fresh temporary folder with `input` as its standard input (any bytes,
// zero bytes included) unless options.stdinPath names another file to open. The folder and the
// captured streams are removed afterwards.
RunResult runRomlift(std::string_view input, const RunOptions& options = {});

// romlift-report with args (the command first) on the listing, with checkFile as roms.txt in
// its folder when it is not empty.
RunResult runReport(std::string_view listing, std::vector<std::string> args, const std::string& checkFile = "");

// The image files' bytes one after the other (511, 514, 512), those the run left.
std::string imageBytes(const RunResult& r);

// A file in a fresh folder of the system's temporary folder, removed with the object: for
// inputs too big to hold in memory twice.
struct ScratchFile {
  ScratchFile();
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  std::string path;
};

// Whole content of a file, read as bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

// Path of a file in the bundled examples folder.
std::string examplePath(const std::string& name);

}  // namespace romlift::test
