// Every code line's bytes at its address, as loading the lines in listing order leaves them,
// for the formats that give bytes by address: ihex, srec, rom and the ROM-set lines of sums.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/object_code.h"

namespace romlift::formats {

class Placement {
 public:
  // What is reported of the bytes that a line gives for an address that an earlier line gave:
  // every one (as a Chevauchement), or only those that differ (as a Conflit).
  enum class Report { Overlaps, Conflicts };

  explicit Placement(Report report = Report::Overlaps) : reportWhat_(report) {}

  // Places the lines (ObjectCode::Keep::Lines) and reports to err, when it is not nullptr,
  // each run of bytes given again, then their count; returns the number of such runs.
  int place(const ObjectCode& code, FILE* err);

  // The lowest address a line gives and the one after the highest; equal when none does.
  uint32_t low() const { return base_; }
  uint32_t end() const { return base_ + static_cast<uint32_t>(bytes_.size()); }
  // Whether a line gives the byte at address, and that byte.
  bool given(uint32_t address) const { return address >= low() && address < end() && owner_[address - base_] != 0; }
  uint8_t byte(uint32_t address) const { return static_cast<uint8_t>(bytes_[address - base_]); }
  // The bytes of [from, from + size): each one a line gives, fill where none does.
  std::string range(uint32_t from, uint32_t size, uint8_t fill) const;
  // Calls fn(address, bytes) for each run of given bytes, going up the addresses.
  template <typename Fn>
  void forEachRun(Fn&& fn) const {
    for (size_t a = 0; a < owner_.size();) {
      if (owner_[a] == 0) {
        ++a;
        continue;
      }
      size_t start = a;
      while (a < owner_.size() && owner_[a] != 0) ++a;
      fn(base_ + static_cast<uint32_t>(start), std::string_view(bytes_).substr(start, a - start));
    }
  }

 private:
  // Bytes given again at addresses that follow on, by lines that follow on in one section.
  struct Overlap {
    size_t firstLine = 0, lastLine = 0;  // the later lines, as indexes in the code's lines
    int earliest = 0, latest = 0;        // the input lines that gave the bytes first
    uint32_t address = 0, next = 0;      // of its first byte and after its last
  };
  void placeLine(const ObjectCode& code, size_t index, FILE* err);
  void overlapAt(const ObjectCode& code, size_t index, uint32_t address, uint32_t earlier, FILE* err);
  void report(const ObjectCode& code, FILE* err);

  Report reportWhat_;
  // From the lowest address a line gives on: a listing at C000 needs no room for 0 to BFFF.
  uint32_t base_ = 0;
  std::string bytes_;
  std::vector<uint32_t> owner_;  // index + 1 of the line that gave the byte there; 0 for none
  std::optional<Overlap> open_;  // the run that the next byte may extend
  int overlaps_ = 0;
};

}  // namespace romlift::formats
