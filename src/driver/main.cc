// romlift: turns the text of a printed assembler listing on standard input into ROM images.
// It reads no other file; of its arguments it answers --help and --version alone and ignores
// every other.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "driver/run.h"

namespace {

constexpr const char* kUsage =
    "Usage: romlift < LISTING\n"
    "\n"
    "Reads an OCR'd assembler listing on standard input and writes the object code of its\n"
    "accepted code lines, in listing order, to 511_CodeObjet.bin (bytes 1 to 8192),\n"
    "514_CodeObjet.bin (8193 to 16384) and 512_CodeObjet.bin (the rest) in the current folder.\n"
    "Prints \"Nb car \xC3\xA9" "crits : N\" and every label a symbol table gives twice on standard\n"
    "output, and the lines out of place (syntax errors), image file faults and the image files\n"
    "of an earlier run that this one did not write on standard error. A Ctrl-Z byte ends the\n"
    "input. Arguments other than a lone --help or --version are ignored.\n"
    "\n"
    "Exit status: 0 when the input was read to the end; 1 when an image file or standard\n"
    "output could not be written; 2 when the input could not be read.\n"
    "\n"
    "romlift-report --help tells the checks that find what romlift cannot see.\n";

constexpr const char* kVersion = "romlift 0.1.0\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0)) {
    std::fputs(std::strcmp(argv[1], "--help") == 0 ? kUsage : kVersion, stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    std::fprintf(stderr, "Erreur \xC3\xA9" "criture sortie standard : %s\n", std::strerror(errno ? errno : EIO));
    return 1;
  }
  romlift::bufferReports(STDIN_FILENO, stdout, stderr);
  return romlift::runListing(STDIN_FILENO, stdout, stderr);
}
