#include "support/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "scanner/token.h"

namespace romlift::test {

Input::ReadFn chunkReader(std::string text, size_t chunk) {
  auto state = std::make_shared<std::pair<std::string, size_t>>(std::move(text), 0);
  return [state, chunk](char* dst, size_t cap) -> ssize_t {
    auto& [data, pos] = *state;
    size_t n = std::min(cap, data.size() - pos);
    if (chunk != 0) n = std::min(n, chunk);
    std::memcpy(dst, data.data() + pos, n);
    pos += n;
    return static_cast<ssize_t>(n);
  };
}

std::vector<Scanned> scanInput(Input input, size_t maxTokens) {
  int wraps = 0;
  Scanner scanner(std::move(input), [&wraps] {
    ++wraps;
    return 1;
  });
  std::vector<Scanned> out;
  while (int token = scanner.yylex()) {
    Scanned s;
    s.token = token;
    s.text.assign(scanner.yytext, scanner.yyleng);
    s.lineno = scanner.yylineno;
    s.codeobj.assign(scanner.codeobj, strnlen(scanner.codeobj, sizeof scanner.codeobj));
    s.mode = scanner.mode();
    out.push_back(std::move(s));
    if (out.size() > maxTokens) {
      ADD_FAILURE() << "scanner still returning tokens after " << maxTokens;
      return out;
    }
  }
  EXPECT_EQ(wraps, 1) << "end-of-input hook calls";
  return out;
}

std::vector<Scanned> scan(const std::string& text, size_t chunk) {
  // Every token consumes at least one byte, so more tokens than bytes means a stall.
  return scanInput(Input(chunkReader(text, chunk)), text.size() + 1);
}

std::string escape(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    char hex[8];
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c == '\0') out += "\\0";
    else if (c < 0x20 || c >= 0x7f) out.append(hex, std::snprintf(hex, sizeof hex, "\\x%02x", c));
    else out += static_cast<char>(c);
  }
  return out;
}

std::string fmt(int token, const std::string& text, int lineno, const std::string& codeobj) {
  return std::string(tokenName(token)) + "|" + escape(text) + "|" + std::to_string(lineno) +
         "|" + codeobj;
}

std::string fmt(const Scanned& s) { return fmt(s.token, s.text, s.lineno, s.codeobj); }

std::vector<std::string> fmt(const std::vector<Scanned>& all) {
  std::vector<std::string> out;
  for (const auto& s : all) out.push_back(fmt(s));
  return out;
}

std::string at(std::initializer_list<std::pair<size_t, std::string>> fields) {
  std::string line;
  for (const auto& [column, text] : fields) {
    if (line.size() > column) throw std::logic_error("field overlaps the previous one");
    line.resize(column, ' ');
    line += text;
  }
  return line;
}

void expectScans(const std::vector<ScanCase>& cases, std::initializer_list<size_t> chunks) {
  for (const ScanCase& c : cases) {
    for (size_t chunk : chunks) {
      SCOPED_TRACE(c.name + ", reads of " + std::to_string(chunk));
      EXPECT_EQ(fmt(scan(c.input, chunk)), c.want);
    }
  }
}

}  // namespace romlift::test
