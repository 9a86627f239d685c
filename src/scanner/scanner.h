// The listing scanner: one token per recognised listing line, found by column layout.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "bytes/padded_text.h"
#include "scanner/input.h"
#include "scanner/rules.h"
#include "scanner/skipped_line.h"
#include "scanner/token.h"
#include "scanner/token_source.h"

namespace romlift {

class Scanner : public TokenSource {
 public:
  static constexpr size_t kBufferSize = 64 * 1024;

  // Reads the listing from input; wrap runs once when the input is exhausted, just before the
  // end token is returned (the driver's end-of-input hook). The buffer starts at bufferSize
  // bytes (at least 16) and grows for longer lines; tests use small ones to reach its edges.
  explicit Scanner(Input input, std::function<int()> wrap = {}, size_t bufferSize = kBufferSize);
  ~Scanner() override;

  int yylex() override;

  Mode mode() const { return mode_; }
  // Tells listener of every line outside a symbol table that fits no layout (EQU and DS lines
  // among them), before the next token; nullptr: nobody listens.
  void setSkippedLineListener(SkippedLineListener* listener) { skipped_ = listener; }
  bool atLineStart() const { return bol_; }

  // Text of the last token, zero-terminated; valid until the next yylex call.
  static constexpr char kNoText[kPadding] = {};  // before the first token and at end of input
  const char* yytext = kNoText;
  size_t yyleng = 0;
  int yylineno = 1;
  // Object-code digits of the last code line (at most kMaxObjectDigits), zeros after them, and
  // how many. Written sixteen bytes at a time; padded, so the writer reads them whole.
  static constexpr size_t kMaxObjectDigits = 13;
  alignas(16) char codeobj[16 + kPadding] = {};
  size_t codeobjLen = 0;

  // The current token's text and the object-code digits, with the padding readers rely on.
  PaddedText token() const { return {yytext, yyleng}; }
  PaddedText objectDigits() const { return {codeobj, codeobjLen}; }

 private:
  int scanLineStart();
  int scanRestOfLine();
  int newline();
  bool findLineEnd();
  size_t lineEndFrom(size_t from);
  bool fill();
  bool bannerAhead();
  void setText(size_t from, size_t len);
  void setCopiedText(size_t from, size_t len);
  void copyobj(const char* text, size_t len);

  Input input_;
  std::function<int()> wrap_;
  std::unique_ptr<char[]> buf_;
  size_t bufferSize_;
  size_t minRead_;       // never ask the input for fewer bytes than this
  size_t cap_ = 0;       // bytes of buf_ for text; a terminator and kPadding bytes follow
  size_t cur_ = 0;       // next unconsumed byte
  size_t end_ = 0;       // end of the text read so far
  size_t lineEnd_ = 0;   // the newline (or end of input) that ends the line at cur_
  bool lineKnown_ = false;
  bool eof_ = false;     // the input has no more bytes
  bool done_ = false;    // end of input has been returned
  size_t holdAt_ = 0;    // where yytext's terminator overwrote a byte
  char holdChar_ = 0;
  bool holding_ = false;
  Mode mode_ = Mode::NORMAL;
  // yytext of a symbol-table entry, padded for readers of whole words.
  alignas(16) char tokenCopy_[16 + kPadding] = {};
  bool bol_ = true;
  SkippedLineListener* skipped_ = nullptr;
};

}  // namespace romlift
