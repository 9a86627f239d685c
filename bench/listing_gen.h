// Synthetic assembler listings in romlift's input format, for measuring throughput.
//
// The same seed always gives the same listing, byte for byte: the generator has its own small
// random number generator and reads nothing from the machine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace romlift::bench {

enum class Variant {
  Clean,    // a typical well-formed listing with a symbol table per section
  Symbols,  // every code line labelled: one symbol-table entry per code line or more
  Damaged,  // a typical listing with OCR damage on about one line in twenty
  Firmware, // real 8080 code: every instruction form and operand notation, EQU and DS lines
};

// "clean", "symbols", "damaged" or "firmware"; false for any other name.
bool parseVariant(std::string_view name, Variant& variant);
const char* variantName(Variant variant);

struct GenOptions {
  Variant variant = Variant::Clean;
  uint64_t seed = 1;
  // The listing ends at the first section boundary at or after this many bytes (at least one
  // section is always written).
  uint64_t minBytes = 0;
};

struct GenStats {
  uint64_t bytes = 0;        // listing text, newlines included
  uint64_t lines = 0;        // newline-terminated lines
  uint64_t sections = 0;     // first-page headers
  uint64_t codeLines = 0;    // code lines as generated (before any damage)
  uint64_t objectBytes = 0;  // bytes of object code on those lines
  uint64_t labels = 0;       // symbol-table entries written
  uint64_t damagedLines = 0; // lines changed by OCR damage
  // The firmware variant's lines that are not code lines, and the lines (code, EQU or DS)
  // whose operand names a label, an EQU constant, `$`, or adds to or takes from a term.
  uint64_t equLines = 0;
  uint64_t dsLines = 0;
  uint64_t labelOperands = 0;
  uint64_t equOperands = 0;
  uint64_t dollarOperands = 0;
  uint64_t exprOperands = 0;
};

// Writes the listing to sink in pieces of about one megabyte, in order.
GenStats generateListing(const GenOptions& options, const std::function<void(std::string_view)>& sink);

// The whole listing as one string.
std::string makeListing(const GenOptions& options, GenStats* stats = nullptr);

}  // namespace romlift::bench
