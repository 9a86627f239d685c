// The names a listing defines, with their values: what an operand's misread name may have been.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "reading/glyphs.h"

namespace romlift::reading {

struct NameMatch {
  std::string_view spelling;
  uint16_t value;
  Cost cost;
  bool sure;
};

// Names are defined section by section: an operand takes the value its own section gives a name,
// and another section's only where its own gives none. A scope is a section's number.
using Scope = int;
inline constexpr Scope kAnywhere = -1;

class Names {
 public:
  // A name and its value in a section; a name given again with another value keeps both. A sure
  // value is one that two readings agree on.
  void add(std::string_view spelling, uint16_t value, Scope section, bool sure = false);

  // A name that a line of the section defines at a value nobody can tell: no other section's
  // value is taken for it there.
  void addUnknown(std::string_view spelling, Scope section);

  // Adds every name of other.
  void merge(const Names& other);

  // The names OCR may have read as `read`, at most `limit` away, cheapest first, as the scope
  // sees them.
  std::vector<NameMatch> near(std::string_view read, Cost limit, Scope scope) const;
  // The names with this value (cost 0).
  std::vector<NameMatch> withValue(uint16_t value, Scope scope) const;
  // The values of a name as spelled.
  std::vector<uint16_t> valuesOf(std::string_view spelling, Scope scope) const;
  bool empty() const { return entries_.empty(); }

 private:
  struct Entry {
    std::string spelling;
    uint16_t value;
    Scope section;
    bool sure;
  };
  // True when the scope sees entry i: its own section's, or a name its section does not define.
  bool sees(size_t i, Scope scope) const;
  // Names by their length and the look-alike group of their first character: a name OCR may
  // have read as a text is looked for among those of its first character's groups only.
  static uint32_t bucket(size_t length, char first);

  std::vector<Entry> entries_;
  std::unordered_map<uint16_t, std::vector<size_t>> byValue_;
  std::unordered_map<std::string, std::vector<size_t>> bySpelling_;
  std::unordered_map<uint32_t, std::vector<size_t>> byShape_;
  std::unordered_map<std::string, std::vector<Scope>> unknown_;
  mutable std::unordered_map<std::string, std::vector<NameMatch>> asked_;  // near()'s answers, by text and limit
};

}  // namespace romlift::reading
