// A listing line as OCR gave it, cut into words at their columns, and its numbered-line fields
// found by where their words stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace romlift::reading {

// A run of characters without blanks, and the column of its first character. A tab moves the
// next word to the next field's column, as the blanks it stands for would.
struct Word {
  size_t column = 0;
  size_t offset = 0;  // where it starts in the line's bytes
  std::string text;
};

// The line's words that start before `lastColumn`. Bytes no printer printed (control
// characters, bytes over 127) are taken out: they are marks on the paper, not characters.
inline constexpr size_t kWordsColumns = 160;  // past this only a comment runs on
std::vector<Word> wordsOf(std::string_view line, size_t lastColumn = kWordsColumns);

// The fields of a numbered line, each the words that start in its columns, joined as they
// stand; a word that runs from the address over the blank into the object code is cut there.
struct NumberedFields {
  std::string number, address, object, label, mnemonic, operand;
  std::string comment;        // the rest of the line from the comment's first word, as it stands
  size_t commentColumn = 0;   // where that word stood
  int specks = 0;             // words of marks alone, taken out
  std::string runOn;          // the address as it stood run into the object code, when it was
};

NumberedFields numberedFields(std::string_view line);

// A field without its blanks, and without its blanks and specks.
std::string withoutBlanks(std::string_view s);
std::string withoutSpecks(std::string_view s);

// True for a word of marks only, a speck read as text.
bool isSpeckWord(std::string_view word);

}  // namespace romlift::reading
