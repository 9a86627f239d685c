#include "scanner/scanner.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "bytes/vector_ops.h"
#include "scanner/rules.h"

namespace romlift {
namespace {

// Offset of the first newline in [p, end), or end - p when there is none. Lines are short:
// one step looks at 64 bytes, so a typical line is found without a loop whose exit varies from
// line to line (a mispredicted branch a line). May read up to 63 bytes past end, which the
// buffer's padding allows.
size_t newlineIn(const char* p, const char* end) {
  for (const char* q = p; q < end; q += 64) {
    if (uint64_t hits = matches64(q, '\n'))
      return std::min(static_cast<size_t>(q - p) + std::countr_zero(hits), static_cast<size_t>(end - p));
  }
  return static_cast<size_t>(end - p);
}

bool isCodeToken(int t) {
  switch (t) {
    case CODE: case CODEO: case CODEC: case CODEOC:
    case CODEL: case CODELO: case CODELC: case CODELOC:
      return true;
    default:
      return false;
  }
}

}  // namespace

Scanner::Scanner(Input input, std::function<int()> wrap, size_t bufferSize)
    : input_(std::move(input)),
      wrap_(std::move(wrap)),
      bufferSize_(std::max<size_t>(bufferSize, 16)),
      minRead_(std::max<size_t>(bufferSize_ / 16, 2)) {}

Scanner::~Scanner() = default;

int Scanner::yylex() {
  if (holding_) {
    buf_[holdAt_] = holdChar_;
    holding_ = false;
  }
  if (done_) return END_OF_INPUT;
  for (;;) {
    if (!lineKnown_ && !findLineEnd()) {
      done_ = true;
      yytext = kNoText;
      yyleng = 0;
      if (wrap_) wrap_();
      return END_OF_INPUT;
    }
    int token;
    if (cur_ == lineEnd_) {
      if (lineEnd_ == end_) {  // a last line without newline, fully consumed
        lineKnown_ = false;
        continue;
      }
      token = newline();
    } else {
      token = bol_ ? scanLineStart() : scanRestOfLine();
    }
    if (token != 0) return token;
  }
}

// The newline that ends the current line: counted, and an empty line's token when the line
// had nothing else. In a symbol table it never ends the mode.
int Scanner::newline() {
  bool empty = bol_;
  size_t at = cur_++;
  ++yylineno;
  bol_ = true;
  lineKnown_ = false;
  if (!empty) {
    if (mode_ != Mode::TABLESYMB) mode_ = Mode::NORMAL;
    return 0;
  }
  setText(at, 1);
  return LIGNEVIDE;
}

int Scanner::scanLineStart() {
  size_t n = lineEnd_ - cur_;
  bool nl = lineEnd_ < end_;
  if (nl && isBannerStars(buf_.get() + cur_, n) && bannerAhead()) {
    // The three banner lines go as one match, minus the newline of the last.
    cur_ += 3 * kBannerWidth + 2;
    lineEnd_ = cur_;
    yylineno += 2;
    mode_ = Mode::TABLESYMB;
    bol_ = false;
    return 0;
  }
  // Reading ahead for the banner may have moved the text.
  LineMatch m = matchLineStart({buf_.get() + cur_, n}, nl, mode_);
  bol_ = false;
  if (m.len == 0) {  // no line class: its first character goes alone
    if (skipped_ != nullptr && mode_ == Mode::NORMAL) skipped_->skippedLine(yylineno, {buf_.get() + cur_, n});
    ++cur_;
    return 0;
  }
  // The digits are taken before the token's terminator is written: reading the line across a
  // byte just stored would wait for that store.
  if (isCodeToken(m.token)) copyobj(buf_.get() + cur_ + col::kObject, m.len - col::kObject);
  if (m.token != 0) setText(cur_, m.len);
  cur_ += m.len;
  if (m.token == ENTETE1) mode_ = Mode::ENTETE;
  return m.token;
}

// Past the line start only symbol-table entries and the header's range and version mark can
// match; everything else on the line is skipped one character at a time, silently.
int Scanner::scanRestOfLine() {
  const char* s = buf_.get() + cur_;
  size_t n = lineEnd_ - cur_;
  if (mode_ == Mode::TABLESYMB) {
    for (size_t i = 0; i + kSymbolEntryWidth <= n; ++i) {
      if (!isLetter(s[i])) continue;
      static_assert(kSymbolEntryWidth <= 16, "copied with one vector store");
      setCopiedText(cur_ + i, kSymbolEntryWidth);
      cur_ += i + kSymbolEntryWidth;
      return SYMBOLTABLE;
    }
  } else if (mode_ == Mode::ENTETE) {
    for (size_t i = 0; i < n; ++i) {
      size_t len = matchSegmentRange(s + i, n - i);
      int token = SEGMENT;
      if (len == 0 && n - i >= kVersionMarkLen && std::memcmp(s + i, kVersionMark, kVersionMarkLen) == 0) {
        len = kVersionMarkLen;
        token = ENTETE2;
      }
      if (len == 0) continue;
      setText(cur_ + i, len);
      cur_ += i + len;
      return token;
    }
  }
  cur_ = lineEnd_;
  return 0;
}

// True when the line after the current one is the banner title and the one after that closes
// the banner (27 asterisks and a newline). Reads ahead only in that case.
bool Scanner::bannerAhead() {
  size_t second = lineEnd_ + 1 - cur_;
  size_t secondEnd = lineEndFrom(second);
  const char* s = buf_.get() + cur_;
  if (secondEnd - second != kBannerWidth || cur_ + secondEnd == end_ ||
      std::memcmp(s + second, kBannerTitle, kBannerWidth) != 0)
    return false;
  size_t third = secondEnd + 1;
  size_t thirdEnd = lineEndFrom(third);
  s = buf_.get() + cur_;
  return cur_ + thirdEnd < end_ && isBannerStars(s + third, thirdEnd - third);
}

bool Scanner::findLineEnd() {
  if (cur_ == end_ && !fill()) return false;
  size_t offset = lineEndFrom(0);  // may move the text, and cur_ with it
  lineEnd_ = cur_ + offset;
  lineKnown_ = true;
  return true;
}

// Offset from cur_ of the newline that ends the line starting at cur_ + from, reading more
// input as needed; at end of input, the offset of the end of the text.
size_t Scanner::lineEndFrom(size_t from) {
  size_t searched = from;
  for (;;) {
    size_t have = end_ - cur_;
    if (searched < have) {
      const char* base = buf_.get() + cur_;
      size_t at = searched + newlineIn(base + searched, base + have);
      if (at < have) return at;
      searched = have;
    }
    if (!fill()) return end_ - cur_;
  }
}

// Appends more input after end_, first moving the unconsumed text to the front or growing
// the buffer when too little room is left. False at end of input.
bool Scanner::fill() {
  if (eof_) return false;
  if (!buf_) {
    try {
      buf_.reset(new char[bufferSize_ + 1 + kPadding]());
    } catch (const std::bad_alloc&) {
      throw FatalError(kNoMemoryForBuffer);
    }
    cap_ = bufferSize_;
  }
  if (cap_ - end_ < minRead_ && cur_ > 0) {
    std::memmove(buf_.get(), buf_.get() + cur_, end_ - cur_);
    end_ -= cur_;
    lineEnd_ = lineEnd_ >= cur_ ? lineEnd_ - cur_ : 0;
    cur_ = 0;
  }
  if (cap_ - end_ < minRead_) {
    size_t grown = cap_ <= std::numeric_limits<size_t>::max() / 2 - 1 ? cap_ * 2 : cap_ + cap_ / 8;
    try {
      std::unique_ptr<char[]> bigger(new char[grown + 1 + kPadding]());
      std::memcpy(bigger.get(), buf_.get(), end_);
      buf_ = std::move(bigger);
    } catch (const std::bad_alloc&) {
      throw FatalError(kBufferOverflow);
    }
    cap_ = grown;
  }
  size_t n = input_.read(buf_.get() + end_, cap_ - end_);
  if (n == 0) {
    eof_ = true;
    return false;
  }
  end_ += n;
  return true;
}

// Makes yytext the len bytes at from, zero-terminated in place; the byte that the terminator
// covers is put back at the next call. Only for a token about to be returned.
void Scanner::setText(size_t from, size_t len) {
  yytext = buf_.get() + from;
  yyleng = len;
  holdAt_ = from + len;
  holdChar_ = buf_[holdAt_];
  buf_[holdAt_] = '\0';
  holding_ = true;
}

// Makes yytext a copy of the len (at most 16) bytes at from, written with one vector store and
// zeros after it. The symbol-table entry is split into fields right after: reading it across a
// terminator just stored byte-wise in the buffer would wait for that store.
void Scanner::setCopiedText(size_t from, size_t len) {
  storeFirst16(tokenCopy_, buf_.get() + from, len);
  yytext = tokenCopy_;
  yyleng = len;
}

// Copies the object-code digits (the text up to the first blank, or the token's end after len
// bytes) into codeobj, zeros after them. The text is in the buffer, whose padding allows
// reading past the line: the digits are counted from bit masks and stored with one vector
// store, so that the writer's reads of the whole field right after need no byte stored alone.
void Scanner::copyobj(const char* text, size_t len) {
  uint32_t stop = matches32(text, ' ') | matches32(text, '\0') | bitsFrom(len) | uint32_t{1} << kMaxObjectDigits;
  size_t n = static_cast<size_t>(std::countr_zero(stop));
  storeFirst16(codeobj, text, n);
  codeobjLen = n;
}

}  // namespace romlift
