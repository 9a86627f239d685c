// One whole run over arbitrary bytes with every report, checked against the run's invariants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace romlift {

// Feeds the bytes as a listing to a full run (images kept in memory) and to every report, and
// returns an empty string when all invariants hold, else what broke. The first byte also
// picks the read size and the scanner's buffer size, so short inputs reach refills too. fix has
// a check of its own (fix_check.h): it takes a hundred times as long.
std::string checkWholeRun(const uint8_t* data, size_t size);

}  // namespace romlift
