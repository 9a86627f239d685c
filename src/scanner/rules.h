// The listing's line layouts: which line class a line of text belongs to.
#pragma once

#include <cstddef>
#include <string_view>

#include "bytes/charclass.h"
#include "bytes/padded_text.h"

namespace romlift {

// What the scanner is reading: ordinary lines, the rest of a page-header line, a symbol table.
enum class Mode { NORMAL, ENTETE, TABLESYMB };

// Columns of the listing's fixed layout, counted from 0.
namespace col {
inline constexpr size_t kNumber = 0;     // three-digit line number
inline constexpr size_t kAddress = 4;    // four hex digits
inline constexpr size_t kObject = 9;     // 2, 4 or 6 hex digits
inline constexpr size_t kLabel = 20;     // label; the '*' of a comment line
inline constexpr size_t kMnemonic = 28;  // mnemonic; ORG; END
inline constexpr size_t kOperand = 34;   // operand; the ':' of an ORG line
inline constexpr size_t kComment = 44;   // comment
}  // namespace col

inline constexpr size_t kNumberWidth = 3;
inline constexpr size_t kAddressWidth = 4;
inline constexpr size_t kMaxLabel = 6;
inline constexpr size_t kMaxOperand = 8;
inline constexpr size_t kSymbolEntryWidth = 11;  // a letter and ten more characters

inline constexpr char kFirstPageHeader[] = "PAGE 01    KEZ FIRMWARE ";
inline constexpr size_t kFirstPageHeaderLen = sizeof kFirstPageHeader - 1;
inline constexpr char kVersionMark[] = "  V1.1";
inline constexpr size_t kVersionMarkLen = sizeof kVersionMark - 1;
inline constexpr char kBannerTitle[] = "* S Y M B O L   T A B L E *";
inline constexpr size_t kBannerWidth = 27;  // each banner line is 27 characters

// What the rows tied to the line start make of one line: the token (0 for none) and how many
// characters it takes (0 when only the one-character rule applies; the newline is never taken).
struct LineMatch {
  int token = 0;
  size_t len = 0;
};

// The longest line-start match on the line, which holds no newline; nl tells whether a newline
// follows it (rows that need one win over any row that does not). The banner is left to the
// caller, since it spans three lines.
LineMatch matchLineStart(PaddedText line, bool nl, Mode mode);

// Token of a whole code line, or 0 when its fields do not fit a code-line layout.
int matchCodeLine(PaddedText line);
// The same, reading the line byte by byte: the reference for the masked reading.
int matchCodeLineByBytes(const char* s, size_t n);

// The fields of a code line after its object code, as its token's layout places them; those
// the layout does not have are empty. The views point into the line.
struct CodeFields {
  std::string_view label, mnemonic, operand, comment;
};
// The line s[0..n) must be a code line of kind token (CODE ... CODELOC).
CodeFields codeFields(const char* s, size_t n, int token);
// The same for a line in a padded buffer, read with bit masks.
CodeFields codeFields(PaddedText line, int token);

// Length of the address range that starts at s (0 when none): [0-3]?hhhh-[0-3]?hhhh.
size_t matchSegmentRange(const char* s, size_t n);

// True when the line s[0..n) is exactly the banner's first or third line.
bool isBannerStars(const char* s, size_t n);

}  // namespace romlift
