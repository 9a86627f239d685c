#include "grammar/parser.h"

#include <array>
#include <iterator>

#include "scanner/token.h"

namespace romlift {
namespace {

// Nonterminals of the page grammar.
enum Symbol : uint8_t {
  kPagesSym, kPageSym, kSegActionSym, kLignesSym, kLigneSym, kLigneNumSym,
  kLignesLabelSupSym, kLigneLabelSupSym, kLigneLabelSym, kLigneSansLabelSym,
};

struct Rule {
  Symbol lhs;
  uint8_t length;
};

using P = Production;

// Left-hand side and length of each production, indexed by its number (0 unused).
constexpr Rule kRules[] = {
    {kPagesSym, 0},
    {kPagesSym, 1}, {kPagesSym, 2},                        // pages
    {kSegActionSym, 0},                                    // segment action
    {kPageSym, 5},                                         // page
    {kLignesSym, 1}, {kLignesSym, 2},                      // lignes
    {kLigneSym, 1}, {kLigneSym, 1}, {kLigneSym, 1},        // ligne
    {kLigneNumSym, 1}, {kLigneNumSym, 1}, {kLigneNumSym, 1}, {kLigneNumSym, 1},
    {kLigneNumSym, 1}, {kLigneNumSym, 1}, {kLigneNumSym, 1}, {kLigneNumSym, 1},  // lignenum
    {kLignesLabelSupSym, 2}, {kLignesLabelSupSym, 2},      // ligneslabelsup
    {kLigneLabelSupSym, 1},                                // lignelabelsup
    {kLigneLabelSym, 1}, {kLigneLabelSym, 1}, {kLigneLabelSym, 1}, {kLigneLabelSym, 1},
    {kLigneSansLabelSym, 1}, {kLigneSansLabelSym, 1}, {kLigneSansLabelSym, 1},
    {kLigneSansLabelSym, 1},                               // lignelabel, lignesanslabel
};
static_assert(std::size(kRules) == static_cast<size_t>(P::SansLabelCodeC) + 1, "one rule per production");

const Rule& rule(Production p) { return kRules[static_cast<size_t>(p)]; }

// Parser states. States from kReduce on have a single action, reducing production
// (state - kReduce), and are left without reading a token; the others read one.
enum State : uint8_t {
  kStart,           // before the first page of the call
  kAfterEntete1,
  kPages,           // after one or more complete pages
  kAfterSegAction,  // header: SEGMENT read and its action run
  kAfterEntete2,    // header complete, no body item yet
  kLignes,          // after one or more body items
  kLabelSupRun,     // after one or more label-only lines
  kReduce = 32,
};

constexpr uint8_t reduceState(Production p) { return static_cast<uint8_t>(kReduce + static_cast<uint8_t>(p)); }
constexpr Production productionOf(uint8_t state) { return static_cast<Production>(state - kReduce); }

// The production that each body token completes on its own; None for other tokens.
constexpr auto kBodyProductions = [] {
  std::array<Production, kLastToken - kFirstToken + 1> t{};
  t[LIGNEVIDE - kFirstToken] = P::LigneLigneVide;
  t[SYMBOLTABLE - kFirstToken] = P::LigneSymbolTable;
  t[ORG - kFirstToken] = P::LigneNumOrg;
  t[END - kFirstToken] = P::LigneNumEnd;
  t[NUMLINEVIDE - kFirstToken] = P::LigneNumNumLineVide;
  t[COM1 - kFirstToken] = P::LigneNumCom1;
  t[COM2 - kFirstToken] = P::LigneNumCom2;
  t[LABELSUP - kFirstToken] = P::LabelSup;
  t[CODEL - kFirstToken] = P::LabelCodeL;
  t[CODELO - kFirstToken] = P::LabelCodeLO;
  t[CODELC - kFirstToken] = P::LabelCodeLC;
  t[CODELOC - kFirstToken] = P::LabelCodeLOC;
  t[CODE - kFirstToken] = P::SansLabelCode;
  t[CODEO - kFirstToken] = P::SansLabelCodeO;
  t[CODEOC - kFirstToken] = P::SansLabelCodeOC;
  t[CODEC - kFirstToken] = P::SansLabelCodeC;
  return t;
}();

Production bodyProduction(int token) {
  return token >= kFirstToken && token <= kLastToken ? kBodyProductions[token - kFirstToken] : P::None;
}

// The productions whose reduction runs a line action.
bool hasAction(Production p) {
  return p == P::SegmentAction || p == P::LigneSymbolTable || p == P::LabelSup || isLabelledCode(p) ||
         isUnlabelledCode(p);
}

uint8_t gotoState(uint8_t state, Symbol lhs) {
  bool inRun = state == kLabelSupRun;
  switch (lhs) {
    case kPagesSym: return kPages;
    case kPageSym: return state == kStart ? reduceState(P::PagesPage) : reduceState(P::PagesPagesPage);
    case kSegActionSym: return kAfterSegAction;
    case kLignesSym: return kLignes;
    case kLigneSym: return state == kAfterEntete2 ? reduceState(P::LignesLigne) : reduceState(P::LignesLignesLigne);
    case kLigneNumSym: return reduceState(P::LigneLigneNum);
    case kLigneLabelSym: return inRun ? reduceState(P::LabelSupsLast) : reduceState(P::LigneNumLigneLabel);
    case kLignesLabelSupSym: return inRun ? reduceState(P::LabelSupsMore) : reduceState(P::LigneNumLignesLabelSup);
    case kLigneLabelSupSym: return kLabelSupRun;
    case kLigneSansLabelSym: return reduceState(P::LigneNumLigneSansLabel);
  }
  return kStart;
}

constexpr int kNoToken = -2;

// What a reading state does with its lookahead token.
struct Action {
  enum Kind : uint8_t { kShift, kReducePage, kAccept, kError } kind;
  uint8_t state = 0;  // the state to shift into
};

constexpr Action shift(uint8_t state) { return {Action::kShift, state}; }
constexpr Action kError{Action::kError};

Action actionFor(uint8_t state, int token) {
  Production body = bodyProduction(token);
  switch (state) {
    case kStart: return token == ENTETE1 ? shift(kAfterEntete1) : kError;
    case kAfterEntete1: return token == SEGMENT ? shift(reduceState(P::SegmentAction)) : kError;
    case kAfterSegAction: return token == ENTETE2 ? shift(kAfterEntete2) : kError;
    case kAfterEntete2: return body != P::None ? shift(reduceState(body)) : kError;
    case kLignes:
      if (body != P::None) return shift(reduceState(body));
      // The next header or the end of input closes the page.
      return token == ENTETE1 || token == END_OF_INPUT ? Action{Action::kReducePage} : kError;
    case kPages:
      if (token == END_OF_INPUT) return {Action::kAccept};
      return token == ENTETE1 ? shift(kAfterEntete1) : kError;
    case kLabelSupRun:
      // A run of label-only lines goes on or closes with a labelled code line.
      return body == P::LabelSup || isLabelledCode(body) ? shift(reduceState(body)) : kError;
  }
  return kError;
}

}  // namespace

Parser::Parser(TokenSource& lexer, ParserActions& actions, ErrorReporter& reporter)
    : lexer_(lexer), actions_(actions), reporter_(reporter) {
  stack_.reserve(kMaxDepth);
}

// A new entry that would be the stack's 10000th exhausts it.
bool Parser::push(uint8_t state) {
  if (stack_.size() + 1 >= kMaxDepth) return false;
  stack_.push_back(state);
  return true;
}

// A body line other than a label-only line, read after the header or after a body item, always
// ends as one more body item: its shift, its own reduction, then the reductions to lignenum,
// ligne and lignes, which leave `lignes` on top. Taking it in one step runs the same actions in
// the same order. The stack holds at most seven entries in these states, far from its limit.
bool Parser::takeBodyLine(uint8_t state, int token) {
  Production production = bodyProduction(token);
  if (production == P::None || production == P::LabelSup) return false;
  actions_.shifted(token);
  if (hasAction(production)) actions_.reduce(production);
  if (state == kAfterEntete2) stack_.push_back(kLignes);
  return true;
}

// Runs the production's action, pops its right-hand side and pushes the goto state.
bool Parser::reduce(Production production) {
  if (hasAction(production)) actions_.reduce(production);
  const Rule& r = rule(production);
  stack_.resize(stack_.size() - r.length);
  return push(gotoState(stack_.back(), r.lhs));
}

int Parser::yyparse() {
  stack_.clear();
  stack_.push_back(kStart);
  int lookahead = kNoToken;
  for (;;) {
    uint8_t state = stack_.back();
    bool ok = true;
    if (state >= kReduce) {
      ok = reduce(productionOf(state));
    } else {
      if (lookahead == kNoToken) {
        lookahead = lexer_.yylex();
        if (lookahead < 0) lookahead = END_OF_INPUT;
      }
      if ((state == kLignes || state == kAfterEntete2) && takeBodyLine(state, lookahead)) {
        lookahead = kNoToken;
        continue;
      }
      Action action = actionFor(state, lookahead);
      switch (action.kind) {
        case Action::kError:
          actions_.rejected(lookahead);
          reporter_.yyerror(kSyntaxError);
          return 1;
        case Action::kAccept:
          return 0;
        case Action::kShift:
          ok = push(action.state);
          if (ok) actions_.shifted(lookahead);
          lookahead = kNoToken;
          break;
        case Action::kReducePage:
          ok = reduce(P::Page);
          break;
      }
    }
    if (!ok) {
      reporter_.yyerror(kMemoryExhausted);
      return 2;
    }
  }
}

}  // namespace romlift
