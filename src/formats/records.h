// Intel HEX and Motorola S-record encoding: data records of up to 16 bytes, each with its
// checksum, and the end record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace romlift::formats {

enum class RecordFormat { IntelHex, SRecord };

class RecordWriter {
 public:
  static constexpr uint32_t kRecordBytes = 16;  // data bytes in a full record

  // highest is the address of the last byte that will be written: S-records take 2, 3 or 4
  // address bytes (S1/S9, S2/S8, S3/S7) after it, the same in every record of the file.
  RecordWriter(RecordFormat format, FILE* out, uint32_t highest);

  // Writes bytes from address on, in records that break at every multiple of 16. Intel HEX
  // gets an extended linear address record (type 04) whenever the address's upper 16 bits
  // differ from those of the record before. No S0 header: the listing comes without a name.
  void write(uint32_t address, std::string_view bytes);
  // The end record: ":00000001FF", or S9/S8/S7 with start address 0.
  void finish();

 private:
  // One record: the fields from the byte count on, then the checksum.
  void record(const char* start, const uint8_t* fields, size_t n, uint8_t checksum);
  void intel(uint8_t type, uint16_t address, const uint8_t* data, size_t n);
  void srec(char type, uint32_t address, const uint8_t* data, size_t n);

  RecordFormat format_;
  FILE* out_;
  int addressBytes_;       // of an S-record
  uint32_t upper_ = 0;     // upper 16 bits of the Intel HEX address in force
};

}  // namespace romlift::formats
