#include "fix/confusion.h"

#include <algorithm>
#include <array>

#include "bytes/charclass.h"
#include "isa/intel8080.h"
#include "scanner/rules.h"

namespace romlift::fix {
namespace {

constexpr std::string_view kLookAlikes[] = {"0ODQ", "1Il|", "5S", "8B", "2Z", "6Gb", "CG0", "EF"};
constexpr std::string_view kMarks = ".,'`:;-_~|^\"!*";
constexpr size_t kNumberWidth = 3;
constexpr size_t kMinTabRun = 2;   // a tab stands for two blanks or more
constexpr size_t kMaxTabRun = 48;  // the longest run between two fields
constexpr std::string_view kPage = "PAGE ";
// No listing prints a field past this column: what stands beyond is a comment, or OCR debris,
// and is not undone. It keeps the candidates of a line that runs on for pages few and short.
constexpr size_t kLastColumn = 128;

struct ReadAsTable {
  std::array<std::string, 256> alternatives;
  ReadAsTable() {
    for (std::string_view group : kLookAlikes) {
      for (char c : group) {
        std::string& alt = alternatives[static_cast<unsigned char>(c)];
        for (char m : group)
          if (m != c && alt.find(m) == std::string::npos) alt += m;
      }
    }
    for (char c = 'a'; c <= 'z'; ++c) alternatives[static_cast<unsigned char>(c)] += static_cast<char>(c - 'a' + 'A');
  }
};

bool digitLike(char c) {
  std::string_view was = readAs(c);
  return isDigit(c) || std::any_of(was.begin(), was.end(), [](char a) { return isDigit(a); });
}

// True when a line has its words where a code line has them however it was read: some before
// the label's column, and an instruction's mnemonic where mnemonics stand.
bool looksLikeCodeLine(std::string_view s) {
  size_t before = 0;
  bool mnemonic = false;
  for (size_t at = 0; at < s.size();) {
    size_t start = s.find_first_not_of(' ', at);
    if (start == std::string_view::npos) break;
    size_t end = std::min(s.find(' ', start), s.size());
    std::string_view word = s.substr(start, end - start);
    if (start < col::kLabel) ++before;
    if (start + 4 >= col::kMnemonic && start <= col::kMnemonic + 4 && isa::isMnemonic(word)) mnemonic = true;
    at = end;
  }
  return before >= 2 && mnemonic;
}

}  // namespace

bool mayHoldNumber(std::string_view s) {
  size_t digits = 0;
  for (size_t i = 0; i < s.size() && digits < kNumberWidth; ++i) {
    if (digitLike(s[i])) {
      ++digits;
    } else if (!isStrayMark(s[i])) {
      return false;
    }
  }
  return digits == kNumberWidth;
}

bool mayBeNumberWord(std::string_view s) {
  size_t digits = 0, i = 0;
  for (; i < s.size() && s[i] != ' '; ++i) {
    if (digitLike(s[i])) {
      if (++digits > kNumberWidth) return false;
    } else if (!isStrayMark(s[i])) {
      return false;
    }
  }
  return digits == kNumberWidth || (digits > 0 && i == s.size());
}

namespace {

bool numberedAt(std::string_view s, size_t at) {
  if (at + kNumberWidth > s.size()) return false;
  for (size_t i = 0; i < kNumberWidth; ++i)
    if (!isDigit(s[at + i])) return false;
  return at + kNumberWidth == s.size() || s[at + kNumberWidth] == ' ';
}

std::string withoutTrailingBlanks(std::string_view s) {
  size_t end = s.find_last_not_of(' ');
  return std::string(s.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

}  // namespace

std::string_view readAs(char c) {
  static const ReadAsTable table;
  return table.alternatives[static_cast<unsigned char>(c)];
}

bool isStrayMark(char c) { return kMarks.find(c) != std::string_view::npos; }

void undoSlips(std::string_view s, size_t from, size_t limit, const TextSink& emit) {
  if (s.size() > kLastColumn) return;
  std::string t(s);
  size_t proofread = std::min(limit, s.size());
  for (size_t q = from; q < proofread; ++q) {
    for (char a : readAs(s[q])) {
      t[q] = a;
      emit(std::string(t));
    }
    t[q] = s[q];
    if (isStrayMark(s[q])) {
      emit(std::string(s.substr(0, q)) + std::string(s.substr(q + 1)));
      t[q] = ' ';
      if (q + 1 < s.size()) emit(std::string(t));  // a listing line never ends with a blank
      t[q] = s[q];
    }
    if (s[q] == ' ') emit(std::string(s.substr(0, q)) + std::string(s.substr(q + 1)));
  }
  for (size_t q = std::max<size_t>(from, 1); q < std::min(limit + 1, s.size()); ++q)
    emit(std::string(s.substr(0, q)) + ' ' + std::string(s.substr(q)));
  for (size_t q = 0; q < s.size(); ++q) {
    if (s[q] != '\t') continue;
    for (size_t k = kMinTabRun; k <= kMaxTabRun; ++k)
      emit(std::string(s.substr(0, q)) + std::string(k, ' ') + std::string(s.substr(q + 1)));
  }
}

void undoSplit(std::string_view head, std::string_view tail, size_t from, size_t to, const TextSink& emit) {
  if (head.size() + tail.size() > 2 * kLastColumn) return;
  if (head.find_first_not_of(' ') == std::string_view::npos) return;  // a split leaves a field before it too
  // A split leaves a field's text: a letter, a digit or $ in it, not only marks; and more than
  // two of them, or the line may be a speck read as letters. A line number with a byte no
  // printer printed in it is still a line of its own.
  auto fieldChar = [](char c) { return isLetter(c) || isDigit(c) || c == '$'; };
  std::string printable;
  for (char c : tail)
    if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F) printable += c;
  bool pageStart = tail.substr(0, kPage.size()) == kPage.substr(0, tail.size());  // a header, maybe cut short
  // No listing prints a lower-case letter: a line with one is OCR's reading of specks, or of a
  // whole line of its own.
  bool lowerCase = std::any_of(tail.begin(), tail.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  if (tail.empty() || tail[0] == ' ' || std::count_if(tail.begin(), tail.end(), fieldChar) < 3 ||
      mayBeNumberWord(tail) || mayBeNumberWord(printable) || pageStart || lowerCase || looksLikeCodeLine(tail))
    return;
  std::string h = withoutTrailingBlanks(head);
  for (size_t at = std::max(from, h.size() + 1); at <= to; ++at)
    emit(h + std::string(at - h.size(), ' ') + std::string(tail));
}

void undoJoin(std::string_view s, const std::function<void(std::string&&, std::string&&)>& emit) {
  if (s.size() > 2 * kLastColumn) return;
  for (size_t q = 1; q < s.size(); ++q) {
    if (numberedAt(s, q) || s.substr(q, kPage.size()) == kPage)
      emit(withoutTrailingBlanks(s.substr(0, q)), std::string(s.substr(q)));
  }
}

}  // namespace romlift::fix
