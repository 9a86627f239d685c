#include "grammar/reductions.h"

#include <algorithm>
#include <cstring>

#include "scanner/rules.h"

namespace romlift {
namespace {

// The token kind that a code line's production was made from.
int codeToken(Production production) {
  switch (production) {
    case Production::LabelCodeL: return CODEL;
    case Production::LabelCodeLO: return CODELO;
    case Production::LabelCodeLC: return CODELC;
    case Production::LabelCodeLOC: return CODELOC;
    case Production::SansLabelCodeO: return CODEO;
    case Production::SansLabelCodeOC: return CODEOC;
    case Production::SansLabelCodeC: return CODEC;
    default: return CODE;
  }
}

}  // namespace

void Reductions::reduce(Production production) {
  LineFields& f = fields_;
  PaddedText token = scanner_.token();
  if (production == Production::SegmentAction) {
    // The page's address range becomes the segment text of everything recorded on the page.
    size_t n = std::min(token.len, sizeof f.seg - 1);
    std::memcpy(f.seg, token.text, n);
    f.seg[n] = '\0';
    f.segCopy = registers_.keepSegment(f.seg);
    if (observer_) observer_->page(scanner_.yylineno, f.seg);
  } else if (production == Production::LigneSymbolTable) {
    // staddlab makes the entry when there is none: what asking stexistadr and calling
    // stajouteadrlab first would do, in one look-up.
    stlabadr(token, f.adr, f.lab);
    registers_.symbols.staddlab(f.adr, f.segCopy, f.lab);
    if (observer_) observer_->symbolEntry(f.lab, f.adr);
  } else if (production == Production::LabelSup) {
    // The label and whatever follows it on the line, trailing blanks included (six at most).
    size_t n = token.len > col::kLabel ? token.len - col::kLabel : 0;
    ShortText label = loadShort(token.text + std::min(token.len, col::kLabel), std::min(n, kMaxLabel));
    registers_.codes.addlabel(label);
    if (observer_) observer_->labelOnly(scanner_.yylineno, label);
  } else if (isLabelledCode(production)) {
    size_t from = std::min(token.len, col::kAddress);
    copyadr({token.text + from, token.len - from}, f.adr, f.lab);
    registers_.codes.addlabel(f.lab);
    registers_.codes.addadr(f.segCopy, f.adr);
    writeCode(production);
  } else if (isUnlabelledCode(production)) {
    writeCode(production);
  }
}

void Reductions::shifted(int token) {
  if (token == ORG && observer_) observer_->org(scanner_.yylineno, scanner_.token());
}

void Reductions::rejected(int) {
  if (observer_) observer_->rejected(scanner_.yylineno);
}

void Reductions::writeCode(Production production) {
  int64_t offset = writer_.nbcarsecrits();
  writer_.ecrireobj(scanner_.objectDigits());
  if (observer_) {
    int bytes = static_cast<int>(writer_.nbcarsecrits() - offset);
    observer_->codeLine(scanner_.yylineno, fields_.seg, scanner_.yytext, offset, bytes);
    observer_->codeToken(scanner_.yylineno, codeToken(production), scanner_.token());
  }
}

}  // namespace romlift
