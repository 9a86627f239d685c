// romlift-ocr: reads the scanned pages of a printed listing into the listing's text.
#include <cstdio>
#include <unistd.h>

#include "ocr/ocr_tool.h"

int main(int argc, char** argv) {
  return romlift::ocr::runOcrTool(argc, argv, stdout, stderr, isatty(STDERR_FILENO) == 1);
}
