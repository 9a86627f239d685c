#include "reading/words.h"

#include <algorithm>
#include <array>

#include "reading/glyphs.h"
#include "scanner/rules.h"

namespace romlift::reading {
namespace {

// Where each field of a numbered line starts, and the column from which a word belongs to the
// next one: a word is the field's when it starts before the next field's boundary. The
// boundaries sit halfway in the blanks between fields, so a field read a column or two off
// stays its own.
constexpr std::array<size_t, 6> kStarts = {col::kNumber, col::kAddress, col::kObject,
                                           col::kLabel,  col::kMnemonic, col::kOperand};
constexpr std::array<size_t, 6> kBoundaries = {4, 9, 17, 26, 33, 42};
constexpr std::array<size_t, 2> kWidths = {kNumberWidth, kAddressWidth};

bool printable(char c) {
  auto u = static_cast<unsigned char>(c);
  return u >= 0x20 && u < 0x7F;
}

// The next field column after `column`, for a tab.
size_t afterTab(size_t column) {
  for (size_t start : kStarts)
    if (start > column) return start;
  return std::max(col::kComment, column + 1);
}

}  // namespace

bool isSpeckWord(std::string_view word) {
  return !word.empty() && std::all_of(word.begin(), word.end(), isSpeck);
}

std::vector<Word> wordsOf(std::string_view line, size_t lastColumn) {
  std::vector<Word> words;
  size_t column = 0;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (!inWord && column >= lastColumn) break;
    if (c == '\t') {
      column = afterTab(column);
      inWord = false;
    } else if (c == ' ') {
      ++column;
      inWord = false;
    } else if (printable(c)) {
      if (!inWord) words.push_back({column, i, {}});
      words.back().text += c;
      inWord = true;
      ++column;
    }
  }
  return words;
}

NumberedFields numberedFields(std::string_view line) {
  NumberedFields f;
  std::vector<Word> words = wordsOf(line);
  std::array<std::string*, 6> fields = {&f.number, &f.address, &f.object, &f.label, &f.mnemonic, &f.operand};
  size_t at = 0;  // the field the last word went to: fields come in order
  for (const Word& word : words) {
    if (isSpeckWord(word.text) && word.text.size() <= 2 && word.column < kBoundaries.back()) {
      ++f.specks;
      continue;
    }
    size_t field = 0;
    while (field < kBoundaries.size() && word.column >= kBoundaries[field]) ++field;
    if (field == kBoundaries.size()) {
      // The comment: the rest of the line as it stands, from this word on.
      f.comment = std::string(line.substr(word.offset));
      f.commentColumn = word.column;
      break;
    }
    field = std::max(field, at);
    std::string text = word.text;
    // A number or an address run into the field after it: the blank between them was lost, and
    // the next word stands a column further left than its field's. An address that has a word
    // after it where the object code stands is only read with characters too many.
    bool split = false;
    bool objectAfter = &word != &words.back() && (&word + 1)->column < kBoundaries[2];
    while (field < kWidths.size() && text.size() > kWidths[field] + 1 && !(field == 1 && objectAfter)) {
      if (field == 1) f.runOn = text;
      *fields[field] += text.substr(0, kWidths[field]);
      text = text.substr(kWidths[field]);
      ++field;
      split = true;
    }
    std::string& into = *fields[field];
    if (!into.empty()) into += ' ';
    into += text;
    at = split ? field + 1 : field;
  }
  return f;
}

std::string withoutBlanks(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out += c;
  return out;
}

std::string withoutSpecks(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && !isSpeck(c)) out += c;
  return out;
}

}  // namespace romlift::reading
