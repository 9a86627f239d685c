#include "grammar/reductions.h"

#include <algorithm>
#include <cstring>

#include "scanner/rules.h"

namespace romlift {

void Reductions::reduce(int production) {
  RunState& s = state_;
  const char* text = scanner_.yytext;
  if (production == kSegmentAction) {
    // The page's address range becomes the segment text of everything recorded on the page.
    size_t n = std::min(scanner_.yyleng, sizeof s.seg - 1);
    std::memcpy(s.seg, text, n);
    s.seg[n] = '\0';
    s.segCopy = s.records.copyShared(s.seg);
    if (observer_) observer_->page(scanner_.yylineno, s.seg);
  } else if (production == kSymbolTableLine) {
    stlabadr(text, scanner_.yyleng, s.adr, s.lab);
    s.symbols.record(s.adr, s.segCopy, s.lab);
  } else if (production == kLabelSupLine) {
    // The label and whatever follows it on the line, trailing blanks included.
    s.codes.addlabel(scanner_.yyleng > col::kLabel ? text + col::kLabel : "");
  } else if (production >= kFirstLabelledCode && production <= kLastLabelledCode) {
    size_t from = std::min(scanner_.yyleng, col::kAddress);
    copyadr(text + from, scanner_.yyleng - from, s.adr, s.lab);
    s.codes.addLabelledLine(s.segCopy, s.adr, s.lab);
    writeCode();
  } else if (production >= kFirstUnlabelledCode && production <= kLastUnlabelledCode) {
    writeCode();
  }
}

void Reductions::shifted(int token) {
  if (token == ORG && observer_) observer_->org(scanner_.yylineno);
}

void Reductions::writeCode() {
  int64_t offset = state_.writer.nbcarsecrits();
  state_.writer.ecrireobj(scanner_.codeobj, scanner_.codeobjLen);
  if (observer_) {
    int bytes = static_cast<int>(state_.writer.nbcarsecrits() - offset);
    observer_->codeLine(scanner_.yylineno, state_.seg, scanner_.yytext, offset, bytes);
  }
}

}  // namespace romlift
