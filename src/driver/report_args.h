// romlift-report's command line after the command: its options, --help and the listing file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

#include "driver/report_usage.h"
#include "isa/instruction_set.h"

namespace romlift {

struct Request {
  Command command = Command::Code;
  const char* checkFile = nullptr;           // sums --check FILE
  bool offsets = false;                      // ihex and srec --offsets
  const isa::InstructionSet* cpu = nullptr;  // verify --cpu NAME
  const char* name = nullptr;                // fix --name FILE
  const char* alternatives = nullptr;        // fix --alternatives FILE
  std::optional<uint32_t> split;             // rom --split SIZE
  std::optional<uint8_t> fill;               // rom and sums --fill HH
  const char* listing = nullptr;             // the listing file; nullptr or "-": standard input
  bool help = false;                         // COMMAND --help
  bool records() const { return command == Command::Ihex || command == Command::Srec; }
  bool formats() const { return command == Command::Sums || command == Command::Rom || records(); }
};

// The image size that --split gives: a number of bytes, or of kilobytes with K, that is a
// power of two from 256 to 65536 (256, 2K, 64K); nothing otherwise.
std::optional<uint32_t> parseSplit(std::string_view text);
// The byte that --fill gives: one or two hex digits, either case; nothing otherwise.
std::optional<uint8_t> parseFill(std::string_view text);

// Prints "romlift-report : WHAT « WORD » (voir romlift-report --help)" (without WORD when it is
// nullptr) on err and returns 2, the status of a usage error.
int usageError(FILE* err, const char* what, const char* word);

// Reads argv[2] on into request, as getopt_long would: "--NAME VALUE" or "--NAME=VALUE", "--"
// before words that are no options, one word for the listing. Stops at -h or --help. Returns
// 0, or 2 after a usage error on err.
int parseOptions(int argc, const char* const* argv, Request* request, FILE* err);

}  // namespace romlift
