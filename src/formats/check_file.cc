#include "formats/check_file.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "bytes/whole_file.h"

namespace romlift::formats {
namespace {

constexpr size_t kCrcDigits = 8;
constexpr size_t kSha1Digits = 40;
constexpr const char* kBlanks = " \t\r";
constexpr uint32_t kMaxRange = 1u << 24;  // what a listing's addresses reach

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// True when text starts with exactly n hex digits.
bool hexField(std::string_view text, size_t n) {
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (!isHexDigit(text[i])) return false;
  return text.size() == n || !isHexDigit(text[n]);
}

void copyLower(std::string_view hex, char* to) {
  for (size_t i = 0; i < hex.size(); ++i) to[i] = static_cast<char>(hex[i] | 0x20);  // digits keep their code
  to[hex.size()] = '\0';
}

std::string_view trimmed(std::string_view line) {
  size_t from = line.find_first_not_of(kBlanks);
  if (from == std::string_view::npos) return {};
  return line.substr(from, line.find_last_not_of(kBlanks) + 1 - from);
}

// "<40 hex>  NAME" or "<40 hex> *NAME". Returns false when the line has another form.
bool sha1sumLine(std::string_view line, Expected* e) {
  if (line.size() <= kSha1Digits + 2 || !hexField(line, kSha1Digits) || line[kSha1Digits] != ' ' ||
      (line[kSha1Digits + 1] != ' ' && line[kSha1Digits + 1] != '*'))
    return false;
  e->name = line.substr(kSha1Digits + 2);
  e->hasSha1 = true;
  copyLower(line.substr(0, kSha1Digits), e->sha1);
  return true;
}

// "SHA1 (NAME) = <40 hex>", as sha1sum --tag writes it. Returns false when the line has another
// form.
bool sha1sumTagLine(std::string_view line, Expected* e) {
  constexpr std::string_view kOpen = "SHA1 (", kClose = ") = ";
  size_t close = line.rfind(kClose);
  if (!line.starts_with(kOpen) || close == std::string_view::npos || close <= kOpen.size()) return false;
  std::string_view digits = line.substr(close + kClose.size());
  if (digits.size() != kSha1Digits || !hexField(digits, kSha1Digits)) return false;
  e->name = line.substr(kOpen.size(), close - kOpen.size());
  e->hasSha1 = true;
  copyLower(digits, e->sha1);
  return true;
}

// Finds "TAG(" followed by `digits` hex digits and ")" in line, once at most. Returns an empty
// string and the digits (empty when there is no tag), or what is wrong.
std::string tagged(std::string_view line, std::string_view tag, size_t digits, std::string_view* value) {
  size_t at = line.find(tag);
  *value = {};
  if (at == std::string_view::npos) return {};
  std::string name(tag.substr(0, tag.size() - 1));
  if (line.find(tag, at + 1) != std::string_view::npos) return name + "(...) en double";
  std::string_view rest = line.substr(at + tag.size());
  if (!hexField(rest, digits) || rest.size() == digits || rest[digits] != ')')
    return name + "(...) ne contient pas " + std::to_string(digits) + " chiffres hexad\xC3\xA9" "cimaux";
  *value = rest.substr(0, digits);
  return {};
}

// The number at the start of text after blanks and a comma, 0x hexadecimal or decimal, moving
// text past it; nothing when there is none or it exceeds 32 bits.
std::optional<uint32_t> listedNumber(std::string_view& text) {
  size_t at = text.find_first_not_of(kBlanks);
  if (at == std::string_view::npos || text[at] != ',') return std::nullopt;
  at = text.find_first_not_of(kBlanks, at + 1);
  if (at == std::string_view::npos) return std::nullopt;
  bool hex = text.substr(at, 2) == "0x" || text.substr(at, 2) == "0X";
  if (hex) at += 2;
  size_t end = at;
  uint64_t v = 0;
  for (; end < text.size() && (hex ? isHexDigit(text[end]) : text[end] >= '0' && text[end] <= '9'); ++end) {
    char c = static_cast<char>(text[end] | 0x20);
    v = v * (hex ? 16 : 10) + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    if (v > UINT32_MAX) return std::nullopt;
  }
  if (end == at) return std::nullopt;
  text.remove_prefix(end);
  return static_cast<uint32_t>(v);
}

// The offset and the size that may follow the quoted name, as in ROM_LOAD( "NAME", 0xe000,
// 0x0800, ... ). Returns an empty string, or what is wrong.
std::string rangeAfter(std::string_view rest, Expected* e) {
  std::optional<uint32_t> offset = listedNumber(rest);
  if (!offset) return {};
  std::optional<uint32_t> size = listedNumber(rest);
  if (!size || *size == 0 || *size > kMaxRange || *offset > UINT32_MAX - (*size - 1))
    return "taille manquante ou impossible apr\xC3\xA8s l'adresse";
  e->hasRange = true;
  e->offset = *offset;
  e->size = *size;
  return {};
}

// The image name of a CRC/SHA1 line, and the range after it: the first quoted text, or else
// the line's first word.
std::string nameOf(std::string_view line, Expected* e) {
  std::string* name = &e->name;
  if (size_t open = line.find('"'); open != std::string_view::npos) {
    size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) return "guillemet non ferm\xC3\xA9";
    *name = line.substr(open + 1, close - open - 1);
    if (std::string why = rangeAfter(line.substr(close + 1), e); !why.empty()) return why;
  } else {
    std::string_view word = line.substr(0, line.find_first_of(kBlanks));
    if (word.find_first_of("(),") == std::string_view::npos) *name = word;
  }
  return name->empty() ? "nom de fichier manquant" : "";
}

std::string taggedLine(std::string_view line, Expected* e) {
  std::string_view crc, sha1;
  if (std::string why = tagged(line, "CRC(", kCrcDigits, &crc); !why.empty()) return why;
  if (std::string why = tagged(line, "SHA1(", kSha1Digits, &sha1); !why.empty()) return why;
  if (crc.empty() && sha1.empty()) return "ni empreinte sha1sum, ni CRC(...) ou SHA1(...)";
  e->hasCrc = !crc.empty();
  if (e->hasCrc) e->crc = static_cast<uint32_t>(std::stoul(std::string(crc), nullptr, 16));
  e->hasSha1 = !sha1.empty();
  if (e->hasSha1) copyLower(sha1, e->sha1);
  return nameOf(line, e);
}

}  // namespace

std::string parseCheckText(std::string_view text, std::vector<Expected>* expected) {
  int lineno = 0;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view raw = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    ++lineno;
    std::string_view line = trimmed(raw);
    if (line.empty() || line[0] == '#') continue;
    Expected e;
    std::string why = sha1sumLine(line, &e) || sha1sumTagLine(line, &e) ? "" : taggedLine(line, &e);
    if (!why.empty()) return "ligne " + std::to_string(lineno) + " : " + why + " \xC2\xAB " + std::string(line) + " \xC2\xBB";
    expected->push_back(std::move(e));
  }
  return expected->empty() ? "aucune image nomm\xC3\xA9" "e" : "";
}

bool readCheckFile(const char* path, std::vector<Expected>* expected, FILE* err) {
  std::string text;
  if (int error = readWholeFile(path, text); error != 0) {
    std::fprintf(err, "romlift-report : %s : %s\n", path, std::strerror(error));
    return false;
  }
  std::string why = parseCheckText(text, expected);
  if (!why.empty()) std::fprintf(err, "romlift-report : %s : %s\n", path, why.c_str());
  return why.empty();
}

}  // namespace romlift::formats
