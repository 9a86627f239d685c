// A section's symbol table read entry by entry, each entry matched with the line that defines
// its label: two readings of one label and one value, which settle each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reading/names.h"
#include "reading/structure.h"

namespace romlift::reading {

struct EntryRead {
  size_t line = 0;
  std::string label;    // as read, marks out
  std::string address;  // as read, marks out
  bool partial = false;  // its line holds more than whole entries
};

// The entries of the table's lines: a label, then a four-digit address, as many to a line as
// stand on it; two run together are told apart by the address's four digits.
std::vector<EntryRead> readEntries(const std::vector<std::string_view>& lines, const std::vector<Surveyed>& shapes,
                                   const Section& s);

// A label that some line defines, with the value the listing gives it there.
struct Definition {
  size_t line = 0;
  std::string label;  // as read
  uint16_t value = 0;
  bool sure = false;  // the value was read where it is printed, not only worked out
};

// The outcome for one section: each label's spelling and value where both readings agree or
// one of them settles the other.
struct Settled {
  std::map<size_t, std::string> labels;  // the defining line's label as printed, where it differs
  std::map<size_t, std::string> lines;   // table lines as printed, where they differ
  Names confirmed;                       // names whose value the table and the definition agree on
  std::vector<std::pair<std::string, uint16_t>> unmatched;  // other entries that read as a name and a value
  std::vector<size_t> disputed;  // defining lines whose label the table reads otherwise, and nothing settles
};

// How often each name stands in the operands of the listing as read: where a definition and
// the table disagree, the spelling the operands use is the printed one.
using Uses = std::map<std::string, int, std::less<>>;

Settled settleTable(const std::vector<std::string_view>& lines, const std::vector<EntryRead>& entries,
                    const std::vector<Definition>& definitions, Scope scope, const Uses& uses);

}  // namespace romlift::reading
