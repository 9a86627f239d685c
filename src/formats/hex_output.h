// The ihex and srec commands: the object code as Intel HEX or Motorola S-records, for EPROM
// programmers and emulators.
#pragma once

#include <cstdio>

#include "formats/object_code.h"
#include "formats/records.h"

namespace romlift::formats {

struct HexOptions {
  // Each byte at its offset in the object-code stream (the image files one after the other)
  // instead of at its code line's address.
  bool offsets = false;
};

// Writes the records to out. At the listing's addresses (which needs ObjectCode::Keep::Lines),
// a byte goes to its code line's address with the bits above 16 of its section's header
// range (1C000-1C7FF puts C000 at 1C000). Where a line gives bytes for an address that an
// earlier line gave bytes for, err gets a line naming both input lines, the later line's
// bytes are written (as loading the lines in listing order would leave them) and the result
// is 1; otherwise 0.
int printRecords(RecordFormat format, const ObjectCode& code, FILE* out, FILE* err, const HexOptions& options);

inline int printIntelHex(const ObjectCode& code, FILE* out, FILE* err, const HexOptions& options) {
  return printRecords(RecordFormat::IntelHex, code, out, err, options);
}

inline int printSRecords(const ObjectCode& code, FILE* out, FILE* err, const HexOptions& options) {
  return printRecords(RecordFormat::SRecord, code, out, err, options);
}

}  // namespace romlift::formats
