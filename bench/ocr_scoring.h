// The score of a listing read back by OCR (and of fix's correction of it) against the listing
// that was printed: characters misread in the fields, code lines damaged, ROM bytes right and
// wrong, and the code lines that fix's patch hid.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace romlift::bench::ocr {

// Edits (characters changed, put in or left out) that turn a into b.
size_t levenshtein(std::string_view a, std::string_view b);

// The fields of a code line that are scored one by one: line number, address, object code,
// label, mnemonic and operand, by their columns.
struct FieldColumns {
  const char* name;
  size_t from, to;
};
inline constexpr std::array<FieldColumns, 6> kScoredFields = {
    {{"number", 0, 3}, {"address", 4, 8}, {"object", 9, 15}, {"label", 20, 26}, {"mnemonic", 28, 32}, {"operand", 34, 42}}};

struct FieldScore {
  uint64_t chars = 0;   // of the truth's field, trailing blanks left out
  uint64_t errors = 0;  // edits between the truth's field and the OCR's same columns
};

struct TextScore {
  uint64_t chars = 0;             // characters in the truth's fields (columns 0-43, trailing blanks left out)
  uint64_t charErrors = 0;        // edits between the truth's fields and the OCR's, line by line
  uint64_t codeLines = 0;         // code lines of the truth (see fix_scoring.h's isCodeLine)
  uint64_t codeLinesDamaged = 0;  // of them, those whose OCR line differs in columns 0-43
  std::map<std::string, uint64_t> confusions;  // "0>O": a 0 read as O; "x>" left out; ">x" put in
  std::array<FieldScore, kScoredFields.size()> fields;  // of the code lines, as kScoredFields
  uint64_t hexDigits = 0;  // the address and object-code digits of the code lines
  uint64_t hexRight = 0;   // of them, those the OCR line has at the same column
};

// The lines pair one for one when both texts have as many; otherwise the equal fields pair as
// fix_scoring's matchLines() pairs them, and the lines between two pairs in order, a line
// left without a partner counting all its characters as errors.
TextScore scoreText(std::string_view truth, std::string_view ocr);

// The bytes of Intel HEX records (types 00, 01, 02 and 04) in their order, as address and
// value. False, with the reason, on a malformed record or a wrong checksum.
using Bytes = std::vector<std::pair<uint32_t, uint8_t>>;
bool parseIntelHex(std::string_view hex, Bytes& bytes, std::string& error);

struct ByteScore {
  uint64_t truth = 0;  // distinct addresses of the truth
  uint64_t right = 0;  // of them, those the read listing gives with the same value
  uint64_t wrong = 0;  // bytes of the read listing at an address the truth lacks or with another value
};
ByteScore scoreBytes(const Bytes& truth, const Bytes& read);

// A line read as a numbered code line however damaged: in its first 16 columns a 3-digit
// number, a 4-digit hex address and 2 or more hex digits, each a word of its own, look-alike
// letters (O for 0, I for 1, S for 5, ...) read as the digits they stand for, and in each
// word one character at the most that stands for no digit, read as '?'. Both empty when the
// line does not read so.
struct LooseCodeLine {
  std::string number, address, object;
};
LooseCodeLine looseCodeLine(std::string_view line);

// Lines that a unified diff removes, that read as numbered code lines (looseCodeLine), and
// that no code line the same hunk adds stands for: lines fix joined to others, made comments
// of or deleted. An added code line stands for one removed line, first for one that has its
// address or line number, then its object code, then any: a hunk that adds as many code lines
// as it removes hides none.
uint64_t hiddenCodeLines(std::string_view diff);

}  // namespace romlift::bench::ocr
