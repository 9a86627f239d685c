// romlift-report's command line after the command: its options, --help and the listing file.
#pragma once

#include <cstdio>

#include "driver/report_usage.h"
#include "isa/instruction_set.h"

namespace romlift {

struct Request {
  Command command = Command::Code;
  const char* checkFile = nullptr;           // sums --check FILE
  bool offsets = false;                      // ihex and srec --offsets
  const isa::InstructionSet* cpu = nullptr;  // verify --cpu NAME
  const char* name = nullptr;                // fix --name FILE
  const char* listing = nullptr;             // the listing file; nullptr or "-": standard input
  bool help = false;                         // COMMAND --help
  bool records() const { return command == Command::Ihex || command == Command::Srec; }
  bool formats() const { return command == Command::Sums || records(); }
};

// Prints "romlift-report : WHAT « WORD » (voir romlift-report --help)" (without WORD when it is
// nullptr) on err and returns 2, the status of a usage error.
int usageError(FILE* err, const char* what, const char* word);

// Reads argv[2] on into request, as getopt_long would: "--NAME VALUE" or "--NAME=VALUE", "--"
// before words that are no options, one word for the listing. Stops at -h or --help. Returns
// 0, or 2 after a usage error on err.
int parseOptions(int argc, const char* const* argv, Request* request, FILE* err);

}  // namespace romlift
