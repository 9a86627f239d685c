// romlift: turns the text of a printed assembler listing on standard input into ROM images.
// It takes no arguments into account and reads no other file.
#include <cstdio>
#include <unistd.h>

#include "driver/run.h"

int main() {
  romlift::bufferReports(STDIN_FILENO, stdout, stderr);
  return romlift::runListing(STDIN_FILENO, stdout, stderr);
}
