// ocr_scoring.h's ROM bytes and hidden code lines: Intel HEX read back, bytes compared
// address by address, and the hunks of fix's diff.
#include <algorithm>
#include <cstdio>
#include <map>

#include "ocr_scoring.h"
#include "page_layout.h"

namespace romlift::bench::ocr {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The record's bytes after the colon, checked against its length and checksum.
bool recordBytes(std::string_view r, std::vector<uint8_t>& out) {
  out.clear();
  if (r.size() < 11 || r[0] != ':' || r.size() % 2 == 0) return false;
  unsigned sum = 0;
  for (size_t k = 1; k + 1 < r.size(); k += 2) {
    int hi = hexDigit(r[k]), lo = hexDigit(r[k + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    sum += out.back();
  }
  return (sum & 0xFF) == 0 && out.size() == out[0] + 5u;
}

// A look-alike read as the digit it stands for; in hex, lower-case digits read as upper case.
char looseDigit(char c, bool hex) {
  static constexpr std::string_view kFrom = "OoQDIil|!ZzSsGbTBgq", kTo = "0000111112255667899";
  if (hex && c >= 'a' && c <= 'f') return static_cast<char>(c - 'a' + 'A');
  if ((c >= '0' && c <= '9') || (hex && c >= 'A' && c <= 'F')) return c;
  size_t k = kFrom.find(c);
  return k == std::string_view::npos ? '\0' : kTo[k];
}

// The word read digit by digit, a character that stands for no digit as '?'; empty when two
// do (OCR misreads a digit as a letter of no likeness now and then: a71 for 371).
std::string looseNumber(std::string_view word, bool hex) {
  std::string out;
  for (char c : word) {
    char d = looseDigit(c, hex);
    out += d == '\0' ? '?' : d;
  }
  return std::count(out.begin(), out.end(), '?') > 1 ? std::string() : out;
}

struct HunkLines {
  std::vector<std::string_view> removed, added, kept;
};

// Each removed code line is matched to an added code line that has its address or its line
// number, else to one that has its object code, else to any added code line left, else to a
// kept line of the hunk that has its address and object code (the twin of a line printed
// twice); the unmatched are hidden.
uint64_t hiddenIn(const HunkLines& h) {
  std::vector<LooseCodeLine> gone, put, twins;
  for (std::string_view r : h.removed)
    if (LooseCodeLine l = looseCodeLine(r); !l.address.empty()) gone.push_back(l);
  for (std::string_view a : h.added)
    if (LooseCodeLine l = looseCodeLine(a); !l.address.empty()) put.push_back(l);
  for (std::string_view k : h.kept)
    if (LooseCodeLine l = looseCodeLine(k); !l.address.empty()) twins.push_back(l);
  std::vector<bool> matched(gone.size()), used(put.size());
  auto pass = [&](auto same) {
    for (size_t g = 0; g < gone.size(); ++g)
      for (size_t p = 0; p < put.size() && !matched[g]; ++p)
        if (!used[p] && same(gone[g], put[p])) matched[g] = used[p] = true;
  };
  pass([](const LooseCodeLine& x, const LooseCodeLine& y) { return x.address == y.address || x.number == y.number; });
  pass([](const LooseCodeLine& x, const LooseCodeLine& y) { return x.object == y.object; });
  // A line whose number, address and object code fix all mended still stands in the hunk as a
  // code line of its own: one of those the hunk adds that stand for no other.
  pass([](const LooseCodeLine&, const LooseCodeLine&) { return true; });
  uint64_t hidden = 0;
  for (size_t g = 0; g < gone.size(); ++g)
    hidden += !matched[g] && std::none_of(twins.begin(), twins.end(), [&](const LooseCodeLine& t) {
      return t.address == gone[g].address && t.object == gone[g].object;
    });
  return hidden;
}

}  // namespace

bool parseIntelHex(std::string_view hex, Bytes& bytes, std::string& error) {
  bytes.clear();
  uint32_t base = 0;
  std::vector<uint8_t> r;
  std::vector<std::string_view> lines = pages::listingLines(hex);
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string_view line = lines[n].substr(0, lines[n].find_last_not_of("\r ") + 1);
    if (line.empty()) continue;
    bool read = recordBytes(line, r);
    bool sets = read && (r[3] == 2 || r[3] == 4);  // sets the address base, in two bytes of data
    if (!read || (r[3] > 1 && !sets) || (sets && r[0] != 2)) {
      error = "record " + std::to_string(n + 1) + " does not read: " + std::string(line);
      return false;
    }
    uint32_t address = static_cast<uint32_t>(r[1] << 8 | r[2]);
    if (r[3] == 1) break;
    if (r[3] == 2 || r[3] == 4) base = static_cast<uint32_t>(r[4] << 8 | r[5]) << (r[3] == 2 ? 4 : 16);
    for (size_t k = 0; r[3] == 0 && k < r[0]; ++k) bytes.push_back({base + ((address + k) & 0xFFFF), r[4 + k]});
  }
  return true;
}

ByteScore scoreBytes(const Bytes& truth, const Bytes& read) {
  std::map<uint32_t, uint8_t> want(truth.begin(), truth.end());
  std::map<uint32_t, bool> gotRight;
  ByteScore s;
  s.truth = want.size();
  for (auto [address, value] : read) {
    auto w = want.find(address);
    if (w != want.end() && w->second == value)
      gotRight[address] = true;
    else
      ++s.wrong;
  }
  s.right = gotRight.size();
  return s;
}

LooseCodeLine looseCodeLine(std::string_view line) {
  std::string_view head = line.substr(0, std::min<size_t>(line.size(), 16));
  std::vector<std::string_view> words;
  for (size_t at = 0; words.size() < 3 && (at = head.find_first_not_of(" \t", at)) != std::string_view::npos;) {
    size_t end = std::min(head.find_first_of(" \t", at), head.size());
    words.push_back(head.substr(at, end - at));
    at = end;
  }
  if (words.size() < 3 || words[0].size() != 3 || words[1].size() != 4 || words[2].size() < 2) return {};
  LooseCodeLine read{looseNumber(words[0], false), looseNumber(words[1], true), looseNumber(words[2], true)};
  if (read.number.empty() || read.address.empty() || read.object.empty()) return {};
  return read;
}

uint64_t hiddenCodeLines(std::string_view diff) {
  std::vector<std::string_view> lines = pages::listingLines(diff);
  uint64_t hidden = 0;
  for (size_t n = 0; n < lines.size(); ++n) {
    unsigned long oldStart = 0, oldCount = 1, newStart = 0, newCount = 1;
    std::string header(lines[n]);
    if (std::sscanf(header.c_str(), "@@ -%lu,%lu +%lu,%lu @@", &oldStart, &oldCount, &newStart, &newCount) < 3 &&
        std::sscanf(header.c_str(), "@@ -%lu +%lu,%lu @@", &oldStart, &newStart, &newCount) < 2)
      continue;
    HunkLines h;
    for (; (oldCount > 0 || newCount > 0) && n + 1 < lines.size(); ++n) {
      std::string_view l = lines[n + 1];
      char kind = l.empty() ? ' ' : l[0];
      if (kind == '\\') continue;
      if (kind != '+') --oldCount;
      if (kind != '-') --newCount;
      if (kind == '-') h.removed.push_back(l.substr(1));
      if (kind == '+') h.added.push_back(l.substr(1));
      if (kind == ' ') h.kept.push_back(l.empty() ? l : l.substr(1));
    }
    hidden += hiddenIn(h);
  }
  return hidden;
}

}  // namespace romlift::bench::ocr
