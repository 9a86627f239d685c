#include "support/independent_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "support/run_binary.h"

namespace romlift::test {
namespace {

namespace fs = std::filesystem;

// A folder of its own for one tool run, removed with the object.
class Scratch {
 public:
  Scratch() : dir_(fs::temp_directory_path() / ("romlift-tool-" + std::to_string(getpid()))) {
    fs::create_directories(dir_);
  }
  ~Scratch() { fs::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  fs::path dir_;
};

// Runs command through the shell; its standard output goes to `to`.
void shell(const std::string& command, const std::string& to) {
  std::string line = command + " > " + to;
  EXPECT_EQ(std::system(line.c_str()), 0) << line;
}

}  // namespace

std::vector<CodeBytes> codeLines(const std::string& listing) {
  static const std::regex kCode("^[0-9]{3} ([0-9A-F]{4}) ([0-9A-F]{2,6}) ");
  std::vector<CodeBytes> lines;
  std::istringstream in(listing);
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (!std::regex_search(line, m, kCode)) continue;
    CodeBytes c{static_cast<unsigned>(std::stoul(m[1], nullptr, 16)), {}};
    const std::string digits = m[2];
    for (size_t i = 0; i < digits.size(); i += 2) c.bytes += static_cast<char>(std::stoul(digits.substr(i, 2), nullptr, 16));
    lines.push_back(c);
  }
  return lines;
}

std::string streamOf(const std::vector<CodeBytes>& lines) {
  std::string stream;
  for (const CodeBytes& l : lines) stream += l.bytes;
  return stream;
}

std::string placedOf(const std::vector<CodeBytes>& lines) {
  unsigned low = ~0u;
  for (const CodeBytes& l : lines) low = std::min(low, l.address);
  std::string placed;
  for (const CodeBytes& l : lines) {
    size_t at = l.address - low;
    if (placed.size() < at + l.bytes.size()) placed.resize(at + l.bytes.size(), '\0');
    placed.replace(at, l.bytes.size(), l.bytes);
  }
  return placed;
}

std::string objcopyBinary(const std::string& records, const char* format) {
  Scratch scratch;
  std::string in = scratch.write("in", records);
  shell(std::string("objcopy -I ") + format + " -O binary " + in + " " + scratch.path("out"), "/dev/null");
  return readFile(scratch.path("out"));
}

std::string objcopyRange(const std::string& ihex, uint32_t from, uint32_t size, uint8_t fill) {
  // The lowest address of the records, where objcopy's binary starts.
  uint32_t upper = 0, lowest = UINT32_MAX;
  std::istringstream in(ihex);
  for (std::string record; std::getline(in, record);) {
    unsigned field = static_cast<unsigned>(std::stoul(record.substr(3, 4), nullptr, 16));
    if (record.substr(7, 2) == "04") upper = static_cast<uint32_t>(std::stoul(record.substr(9, 4), nullptr, 16)) << 16;
    if (record.substr(7, 2) == "00") lowest = std::min(lowest, upper | field);
  }
  Scratch scratch;
  char gapFill[16];
  std::snprintf(gapFill, sizeof gapFill, "0x%02X", fill);
  shell(std::string("objcopy -I ihex -O binary --gap-fill ") + gapFill + " " + scratch.write("in", ihex) + " " +
            scratch.path("out"),
        "/dev/null");
  std::string laid = readFile(scratch.path("out"));
  std::string range(size, static_cast<char>(fill));
  for (uint32_t i = 0; i < size; ++i)
    if (from + i >= lowest && from + i - lowest < laid.size()) range[i] = laid[from + i - lowest];
  return range;
}

std::string pythonCrcSha1(const std::string& bytes) {
  Scratch scratch;
  shell("python3 -c 'import sys, zlib, hashlib; d = open(sys.argv[1], \"rb\").read(); "
        "print(\"%08x %s\" % (zlib.crc32(d), hashlib.sha1(d).hexdigest()), end=\"\")' " +
            scratch.write("in", bytes),
        scratch.path("out"));
  return readFile(scratch.path("out"));
}

std::string sha1sum(const std::string& bytes) {
  Scratch scratch;
  shell("sha1sum < " + scratch.write("in", bytes), scratch.path("out"));
  return readFile(scratch.path("out")).substr(0, 40);
}

std::string sha1sumTag(const std::string& bytes, const std::string& name) {
  Scratch scratch;
  scratch.write(name, bytes);
  shell("cd " + scratch.path("") + " && sha1sum --tag " + name, scratch.path("out"));
  return readFile(scratch.path("out"));
}

std::string gzipCrc32(const std::string& bytes) {
  Scratch scratch;
  shell("gzip -c < " + scratch.write("in", bytes), scratch.path("out"));
  std::string gz = readFile(scratch.path("out"));
  if (gz.size() < 8) return "";
  // The trailer: CRC32, then the input size, each 4 bytes little-endian.
  uint32_t crc = 0;
  for (int i = 3; i >= 0; --i) crc = crc << 8 | static_cast<unsigned char>(gz[gz.size() - 8 + i]);
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", crc);
  return hex;
}

std::optional<std::string> gnuPatched(const std::string& original, const std::string& diff) {
  Scratch scratch;
  std::string file = scratch.write("listing", original);
  std::string command = "patch -s " + file + " < " + scratch.write("listing.diff", diff) + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  return readFile(file);
}

std::optional<std::string> gitApplied(const std::string& original, const std::string& name, const std::string& diff) {
  Scratch scratch;
  std::string file = scratch.write(name, original);
  std::string command = "cd " + scratch.path("") + " && git apply " + scratch.write("listing.diff", diff) + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  return readFile(file);
}

}  // namespace romlift::test
