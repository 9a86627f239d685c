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
  } else if (production == kSymbolTableLine) {
    stlabadr(text, s.adr, s.lab);
    if (!s.symbols.stexistadr(s.adr, s.seg)) s.symbols.stajouteadrlab(s.adr, s.seg);
    s.symbols.staddlab(s.adr, s.seg, s.lab);
  } else if (production == kLabelSupLine) {
    // The label and whatever follows it on the line, trailing blanks included.
    s.codes.addlabel(scanner_.yyleng > col::kLabel ? text + col::kLabel : "");
  } else if (production >= kFirstLabelledCode && production <= kLastLabelledCode) {
    copyadr(text + std::min(scanner_.yyleng, col::kAddress), s.adr, s.lab);
    s.codes.addlabel(s.lab);
    s.codes.addadr(s.seg, s.adr);
    s.writer.ecrireobj(scanner_.codeobj);
  } else if (production >= kFirstUnlabelledCode && production <= kLastUnlabelledCode) {
    s.writer.ecrireobj(scanner_.codeobj);
  }
}

}  // namespace romlift
