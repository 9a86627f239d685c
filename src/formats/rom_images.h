// The rom command: binary ROM images with each byte at its address, one per block of the
// address space that the listing's lines reach, as an EPROM holds them.
#pragma once

#include <cstdint>
#include <cstdio>

#include "formats/object_code.h"

namespace romlift::formats {

struct RomOptions {
  uint32_t split = 2048;  // bytes of one image: a power of two from 256 to 64K
  uint8_t fill = 0xFF;    // of the bytes that no line gives: an erased EPROM's
};

// Writes to the current folder one file per block of options.split bytes that a code line
// gives a byte in, named after its addresses (rom_E000-E7FF.bin), each byte at its address
// with its section's bits above 16, the others options.fill; lists them on out as
// "Fichier;Debut;Fin;Octets;Remplis". Lines that give another byte to an address an earlier
// line gave go to err (the later byte is written). Returns 1 after such a line or a file
// that could not be written, 0 otherwise.
int writeRomImages(const ObjectCode& code, FILE* out, FILE* err, const RomOptions& options);

}  // namespace romlift::formats
