// romlift-ocr's command line: page images in, the listing's text out, one line per printed line.
#pragma once

#include <cstdio>

namespace romlift::ocr {

// Runs romlift-ocr with its arguments (argv[0] the program's name); progress goes to err when
// `progress` is set. Returns the exit status: 0 when every page was read, 1 when a page could
// not be read (the others still are) or the output not written, 2 on a usage error or when the
// engine cannot start.
int runOcrTool(int argc, const char* const* argv, FILE* out, FILE* err, bool progress);

}  // namespace romlift::ocr
