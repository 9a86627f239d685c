// The lines that every generated listing shares: section headers, numbered lines, later-page
// headers, END lines and symbol tables, handed to the sink in pieces of about a megabyte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "listing_gen.h"
#include "listing_parts.h"

namespace romlift::bench {

class ListingWriter {
 public:
  ListingWriter(uint64_t seed, uint64_t minBytes, const std::function<void(std::string_view)>& sink);
  virtual ~ListingWriter() = default;
  ListingWriter(const ListingWriter&) = delete;
  ListingWriter& operator=(const ListingWriter&) = delete;

  // Writes whole sections until minBytes are written (at least one section).
  GenStats run();

  // Start of the address range of section number index (from 0): 18 bits, the first section's
  // is 0C000. Every section gets its own range text.
  static uint32_t sectionBase(uint64_t index);

 protected:
  // One whole section, from openSection() to closeSection().
  virtual void section() = 0;
  // A line about to be written: a variant may damage it.
  virtual void alter(std::string& /*line*/) {}

  // First-page header, ORG line and one to three title comments of the next section.
  void openSection();
  // END line, then the section's symbol table unless it has none.
  void closeSection(bool withTable);
  // The next line number, as the start of a line.
  std::string numbered();
  void orgLine();
  // A `*` comment: the text given, or a random phrase for nullptr.
  void com1(const char* text);
  // A comment from column 44 alone.
  void com2();
  void numberedEmpty() { emit(numbered()); }
  // Before a routine's first line, three times in ten: a numbered empty line and a comment.
  void routineTitle();
  // A line between the code lines, picked by r from 0 to kFillerRange - 1: a comment, a
  // numbered empty or an empty line, or an ORG that goes on at the next multiple of 256.
  void fillerLine(uint32_t r);
  static constexpr uint32_t kFillerRange = 174;
  // A label-only line; the label stands for the address of the code line after it.
  void labelOnly(std::string name);
  // A label unique within the section: a word, a word with digits, or letters.
  std::string newName();
  // The header of the next page, when the current one is full. Called only where a page may
  // break: never between a label-only line and its code line.
  void pageBreakIfDue();
  void emit(std::string line);

  // Number of the section being written, from 0.
  uint64_t sectionIndex() const { return stats_.sections - 1; }

  parts::Rng rng_;
  GenStats stats_;
  // Text not yet handed to the sink: a section stays here whole until it is closed.
  std::string out_;
  uint16_t adr_ = 0;
  int numberedInSection_ = 0;  // numbered lines written in the section
  std::vector<std::pair<std::string, uint16_t>> symbols_;  // the section's labels and values

 private:
  void symbolTable();
  void flush();

  uint64_t minBytes_;
  const std::function<void(std::string_view)>& sink_;
  std::string seg_;
  int lineNo_ = 1;
  int page_ = 1;
  int onPage_ = 0;
  int pageLength_ = 55;
  std::unordered_set<std::string> names_;
};

}  // namespace romlift::bench
