#include "reading/layout.h"

#include <algorithm>
#include <cstdio>

#include "bytes/padded_text.h"
#include "scanner/rules.h"
#include "scanner/token.h"

namespace romlift::reading {
namespace {

// Pads line with blanks to `column`, or one blank past its end when it already reaches it.
void moveTo(std::string& line, size_t column) {
  if (line.empty() && column == 0) return;
  line.resize(std::max(line.size() + 1, column), ' ');
}

void put(std::string& line, size_t column, std::string_view field) {
  if (field.empty()) return;
  moveTo(line, column);
  line += field;
}

}  // namespace

int tokenOf(std::string_view line) {
  constexpr size_t kShort = 192;
  char buffer[kShort + kPadding] = {};
  std::string longer;
  const char* text = buffer;
  if (line.size() <= kShort) {
    std::copy(line.begin(), line.end(), buffer);
  } else {
    longer.assign(line);
    longer.append(kPadding, '\0');
    text = longer.data();
  }
  return matchLineStart(PaddedText{text, line.size()}, true, Mode::NORMAL).token;
}

bool isCodeToken(int t) { return (t >= CODE && t <= CODELOC) || t == CODELO || t == CODELC; }

std::string hex4(uint16_t value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[value >> 12], kDigits[value >> 8 & 0xF], kDigits[value >> 4 & 0xF], kDigits[value & 0xF]};
}

std::string number3(int value) {
  value %= 1000;
  return {static_cast<char>('0' + value / 100), static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

std::string layOut(const LineParts& p) {
  std::string line = p.number >= 0 ? number3(p.number) : std::string();
  put(line, col::kAddress, p.address);
  put(line, col::kObject, p.object);
  put(line, col::kLabel, p.label);
  put(line, col::kMnemonic, p.mnemonic);
  put(line, col::kOperand, p.operand);
  put(line, col::kComment, p.comment);
  return line;
}

std::string starComment(int number, std::string_view text) {
  std::string line = number3(number);
  put(line, col::kLabel, text);
  return line;
}

std::string columnComment(int number, std::string_view text) {
  std::string line = number3(number);
  put(line, col::kComment, text);
  return line;
}

std::string firstPageHeader(std::string_view range) {
  return std::string(kFirstPageHeader) + std::string(range) + kVersionMark;
}

std::string pageHeader(int page, std::string_view rest) {
  char text[16];
  std::snprintf(text, sizeof text, "PAGE %02d    ", page % 100);
  return text + std::string(rest);
}

}  // namespace romlift::reading
