#include "verify/judgement.h"

#include <algorithm>

#include "checks/listing_text.h"
#include "scanner/rules.h"

namespace romlift::verify {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr size_t kDigitsPerByte = 2;

// Digits OCR reads one for the other in the object-code column, either way round.
constexpr std::pair<char, char> kConfusions[] = {{'8', 'B'}, {'0', 'D'}, {'3', '8'}, {'E', 'F'},
                                                 {'1', '7'}, {'C', '0'}, {'5', '6'}};

char digit(uint8_t byte, size_t k) { return kHex[k == 0 ? byte >> 4 : byte & 0xF]; }

bool confused(char a, char b) {
  return std::any_of(std::begin(kConfusions), std::end(kConfusions), [&](const std::pair<char, char>& c) {
    return (c.first == a && c.second == b) || (c.first == b && c.second == a);
  });
}

// The bytes compared: all that the line must have, or those shown when the column cannot show
// them all.
size_t compared(const Finding& f) {
  return f.expectedLength > kShownBytes ? std::min<size_t>(f.shown.count, kShownBytes)
                                        : std::min<size_t>(f.shown.count, f.expectedLength);
}

bool lengthDiffers(const Finding& f) { return f.expectedLength <= kShownBytes && f.shown.count != f.expectedLength; }

// The one compared digit that differs when it is the only one, as its 1-based position; 0
// otherwise.
size_t onlyDifferingDigit(const Finding& f) {
  size_t position = 0;
  for (size_t i = 0; i < compared(f); ++i) {
    if (!(f.knownMask >> i & 1)) continue;
    for (size_t k = 0; k < kDigitsPerByte; ++k) {
      if (digit(f.shown.bytes[i], k) == digit(f.expected[i], k)) continue;
      if (position != 0) return 0;
      position = i * kDigitsPerByte + k + 1;
    }
  }
  return position;
}

void printBytes(FILE* out, const uint8_t* bytes, size_t count, uint8_t knownMask) {
  for (size_t i = 0; i < count; ++i) {
    if (knownMask >> i & 1)
      std::fprintf(out, "%02X", bytes[i]);
    else
      std::fputs("..", out);
  }
}

}  // namespace

std::optional<MisreadDigit> misreadDigit(const Finding& f) {
  size_t at = onlyDifferingDigit(f);
  if (at == 0) return std::nullopt;
  size_t byte = (at - 1) / kDigitsPerByte, k = (at - 1) % kDigitsPerByte;
  MisreadDigit m{at, digit(f.shown.bytes[byte], k), digit(f.expected[byte], k)};
  if (!confused(m.read, m.meant)) return std::nullopt;
  return m;
}

Shown shownCode(const char* line) {
  Shown s;
  const char* p = line + col::kObject;
  while (s.count < kShownBytes && p[0] != ' ' && p[0] != '\0' && p[1] != ' ' && p[1] != '\0') {
    s.bytes[s.count++] = static_cast<uint8_t>(hexValue(p, kDigitsPerByte));
    p += kDigitsPerByte;
  }
  return s;
}

Judgement judge(const isa::Expected& e, const Shown& shown, Finding& f) {
  if (e.verdict != isa::Verdict::kExpected) return {};
  f.shown = shown;
  f.expectedLength = e.length;
  f.knownMask = e.operandKnown ? (1u << kShownBytes) - 1 : 1;
  std::copy_n(e.bytes.begin(), std::min<size_t>(e.length, kShownBytes), f.expected);
  Judgement j;
  j.checked = e.operandKnown && e.length <= kShownBytes;
  j.error = lengthDiffers(f);
  for (size_t i = 0; i < compared(f); ++i)
    j.error = j.error || ((f.knownMask >> i & 1) && shown.bytes[i] != f.expected[i]);
  return j;
}

void printFinding(FILE* out, const Finding& f, const char* segment) {
  std::fprintf(out, "<<< %s >>> : ligne %u segment %s adresse %04X code ", f.probable ? "Probable" : "Erreur",
               f.lineno, segment, f.address);
  printBytes(out, f.shown.bytes, f.shown.count, 0xFF);
  std::fputs(" attendu ", out);
  printBytes(out, f.expected, std::min<size_t>(f.expectedLength, kShownBytes), f.knownMask);
  // Each remark after the bytes: the length, the misread digit, the learned majority.
  bool remarks = false;
  auto remark = [&] {
    std::fputs(remarks ? ", " : " (", out);
    remarks = true;
  };
  if (f.noFormOf[0] != '\0') {
    remark();
    std::fprintf(out, "aucune forme de %s ne commence par %02X", f.noFormOf, f.shown.bytes[0]);
  } else if (lengthDiffers(f)) {
    remark();
    std::fprintf(out, "longueur %u au lieu de %u", f.shown.count, f.expectedLength);
  } else if (std::optional<MisreadDigit> m = misreadDigit(f)) {
    remark();
    std::fprintf(out, "chiffre %zu : %c lu pour %c", m->position, m->read, m->meant);
  }
  if (f.probable) {
    remark();
    std::fprintf(out, "comme %u lignes \xC2\xAB %.*s \xC2\xBB sur %u", f.agreeing, static_cast<int>(f.shape.size()),
                 f.shape.data(), f.shapeLines);
  }
  std::fputs(remarks ? ")\n" : "\n", out);
}

}  // namespace romlift::verify
