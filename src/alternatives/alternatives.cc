#include "alternatives/alternatives.h"

#include <algorithm>
#include <cstdio>

namespace romlift::alternatives {
namespace {

std::vector<std::string_view> fieldsOf(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t at = 0;;) {
    at = line.find_first_not_of(" \t\r", at);
    if (at == std::string_view::npos) return fields;
    size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
    fields.push_back(line.substr(at, end - at));
    at = end;
  }
}

// A whole number of at most nine digits that fills the text.
bool number(std::string_view text, size_t& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<size_t>(c - '0');
  }
  return true;
}

// "C=NN": the character (or "sp" for a blank) before the last '=', the percent after it.
bool choice(std::string_view text, Choice& out) {
  size_t eq = text.rfind('=');
  if (eq == std::string_view::npos || eq == 0) return false;
  std::string_view c = text.substr(0, eq);
  size_t percent = 0;
  if (!number(text.substr(eq + 1), percent) || percent > 100) return false;
  if (c == "sp")
    out.c = ' ';
  else if (c.size() == 1 && c[0] > ' ' && c[0] <= '~')
    out.c = c[0];
  else
    return false;
  out.percent = static_cast<int>(percent);
  return true;
}

// One record line; the reason when it is none.
bool record(const std::vector<std::string_view>& fields, Record& r, std::string& why) {
  if (fields.size() < 3) {
    why = "il faut une ligne, une colonne et un choix au moins";
    return false;
  }
  if (!number(fields[0], r.line) || r.line == 0) {
    why = "num\xC3\xA9ro de ligne illisible \xC2\xAB " + std::string(fields[0]) + " \xC2\xBB";
    return false;
  }
  if (!number(fields[1], r.column)) {
    why = "colonne illisible \xC2\xAB " + std::string(fields[1]) + " \xC2\xBB";
    return false;
  }
  for (size_t k = 2; k < fields.size(); ++k) {
    Choice c;
    if (!choice(fields[k], c)) {
      why = "choix illisible \xC2\xAB " + std::string(fields[k]) + " \xC2\xBB";
      return false;
    }
    r.choices.push_back(c);
  }
  return true;
}

bool before(const Record& a, const Record& b) { return a.line != b.line ? a.line < b.line : a.column < b.column; }

}  // namespace

std::string header() {
  return "# romlift-ocr alternatives: LINE COLUMN CHOICE... (line from 1, column from 0)\n"
         "# CHOICE is a character, '=' and the engine's confidence in percent; sp is a blank.\n"
         "# The first choice is the character written in the listing.\n";
}

std::string formatRecord(const Record& record) {
  std::string out = std::to_string(record.line) + " " + std::to_string(record.column);
  for (const Choice& c : record.choices) {
    out += ' ';
    out += c.c == ' ' ? std::string("sp") : std::string(1, c.c);
    out += '=' + std::to_string(c.percent);
  }
  return out + "\n";
}

bool parse(std::string_view text, std::vector<Record>& records, std::string& error) {
  records.clear();
  size_t n = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++n;
    std::vector<std::string_view> fields = fieldsOf(line);
    if (fields.empty() || fields[0][0] == '#') continue;
    Record r;
    std::string why;
    if (!record(fields, r, why)) {
      error = "ligne " + std::to_string(n) + " : " + why;
      return false;
    }
    records.push_back(std::move(r));
  }
  return true;
}

Index::Index(std::vector<Record> records) : records_(std::move(records)) {
  std::stable_sort(records_.begin(), records_.end(), before);
}

const Record* Index::find(size_t line, size_t column) const {
  Record key;
  key.line = line, key.column = column;
  auto it = std::lower_bound(records_.begin(), records_.end(), key, before);
  return it != records_.end() && it->line == line && it->column == column ? &*it : nullptr;
}

int Index::percentFor(size_t line, size_t column, char c) const {
  const Record* r = find(line, column);
  if (r == nullptr) return -1;
  for (const Choice& choice : r->choices)
    if (choice.c == c) return choice.percent;
  return -1;
}

}  // namespace romlift::alternatives
