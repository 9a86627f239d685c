// A listing read line by line by what each field can hold, against everything the listing says
// about it: line numbers and addresses that follow on, object code that its instruction gives,
// labels that the symbol tables give, headers that the later pages repeat. What one reading
// alone fits is written back in the listing's columns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "alternatives/alternatives.h"

namespace romlift::reading {

// Lines [first, first + count) of the input become `lines` (none: the lines are deleted).
struct Rewrite {
  size_t first = 0;
  size_t count = 1;
  std::vector<std::string> lines;
};

// Something a reader should know of a line that was rewritten: a code line completed from its
// object code, whose text past the object code is the reader's and not the paper's.
struct Note {
  size_t line = 0;
  std::string text;
};

// A code line that two readings or more fit about as well, giving other bytes: none is made,
// and what was read stays for a person to settle.
struct Doubt {
  size_t line = 0;
  std::vector<std::string> readings;  // the line as each reading writes it, best first
};

struct Reading {
  std::vector<Rewrite> rewrites;  // sorted, not overlapping
  std::vector<Note> notes;
  std::vector<Doubt> doubts;
};

// The rewrites of the lines (without their newlines) that the listing forces; where the OCR
// engine's alternatives are given, a reading backed by one of its choices ranks above one that
// no choice supports.
Reading readListing(const std::vector<std::string_view>& lines, const alternatives::Index* alternatives = nullptr);

}  // namespace romlift::reading
