// romlift-report's commands and its help texts: the whole help, and each command's part of it.
#pragma once

#include <cstdio>
#include <string_view>

namespace romlift {

enum class Command { Code, Symbols, Rules, Xref, Gaps, Verify, Map, Sums, Ihex, Srec, Rom, Fix };

// The command a word names; false when it names none.
bool parseCommand(std::string_view word, Command* command);

inline constexpr const char* kReportVersion = "romlift-report 0.1.0\n";

// romlift-report --help.
void printHelp(FILE* out);
// romlift-report COMMAND --help: its usage line and its part of the help.
void printCommandHelp(Command command, FILE* out);

}  // namespace romlift
