#include "grammar/parser.h"

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

// Productions 1 to 28 (index 0 unused).
constexpr Rule kRules[] = {
    {kPagesSym, 0},
    {kPagesSym, 1}, {kPagesSym, 2},                        // 1-2   pages
    {kSegActionSym, 0},                                    // 3     segment action
    {kPageSym, 5},                                         // 4     page
    {kLignesSym, 1}, {kLignesSym, 2},                      // 5-6   lignes
    {kLigneSym, 1}, {kLigneSym, 1}, {kLigneSym, 1},        // 7-9   ligne
    {kLigneNumSym, 1}, {kLigneNumSym, 1}, {kLigneNumSym, 1}, {kLigneNumSym, 1},
    {kLigneNumSym, 1}, {kLigneNumSym, 1}, {kLigneNumSym, 1}, {kLigneNumSym, 1},  // 10-17
    {kLignesLabelSupSym, 2}, {kLignesLabelSupSym, 2},      // 18-19 ligneslabelsup
    {kLigneLabelSupSym, 1},                                // 20    lignelabelsup
    {kLigneLabelSym, 1}, {kLigneLabelSym, 1}, {kLigneLabelSym, 1}, {kLigneLabelSym, 1},
    {kLigneSansLabelSym, 1}, {kLigneSansLabelSym, 1}, {kLigneSansLabelSym, 1},
    {kLigneSansLabelSym, 1},                               // 21-28
};

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

constexpr int kPageProduction = 4;

constexpr uint8_t reduceState(int production) { return static_cast<uint8_t>(kReduce + production); }

// The production that a body token completes on its own, 0 for other tokens.
int bodyProduction(int token) {
  switch (token) {
    case LIGNEVIDE: return 7;
    case SYMBOLTABLE: return 8;
    case ORG: return 10;
    case END: return 11;
    case NUMLINEVIDE: return 12;
    case COM1: return 13;
    case COM2: return 14;
    case LABELSUP: return kLabelSupLine;
    case CODEL: return 21;
    case CODELO: return 22;
    case CODELC: return 23;
    case CODELOC: return 24;
    case CODE: return 25;
    case CODEO: return 26;
    case CODEOC: return 27;
    case CODEC: return 28;
    default: return 0;
  }
}

bool hasAction(int production) {
  return production == kSegmentAction || production == kSymbolTableLine || production >= kLabelSupLine;
}

uint8_t gotoState(uint8_t state, Symbol lhs) {
  bool inRun = state == kLabelSupRun;
  switch (lhs) {
    case kPagesSym: return kPages;
    case kPageSym: return state == kStart ? reduceState(1) : reduceState(2);
    case kSegActionSym: return kAfterSegAction;
    case kLignesSym: return kLignes;
    case kLigneSym: return state == kAfterEntete2 ? reduceState(5) : reduceState(6);
    case kLigneNumSym: return reduceState(9);
    case kLigneLabelSym: return inRun ? reduceState(18) : reduceState(15);
    case kLignesLabelSupSym: return inRun ? reduceState(19) : reduceState(16);
    case kLigneLabelSupSym: return kLabelSupRun;
    case kLigneSansLabelSym: return reduceState(17);
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
  int body = bodyProduction(token);
  switch (state) {
    case kStart: return token == ENTETE1 ? shift(kAfterEntete1) : kError;
    case kAfterEntete1: return token == SEGMENT ? shift(reduceState(kSegmentAction)) : kError;
    case kAfterSegAction: return token == ENTETE2 ? shift(kAfterEntete2) : kError;
    case kAfterEntete2: return body != 0 ? shift(reduceState(body)) : kError;
    case kLignes:
      if (body != 0) return shift(reduceState(body));
      // The next header or the end of input closes the page.
      return token == ENTETE1 || token == END_OF_INPUT ? Action{Action::kReducePage} : kError;
    case kPages:
      if (token == END_OF_INPUT) return {Action::kAccept};
      return token == ENTETE1 ? shift(kAfterEntete1) : kError;
    case kLabelSupRun:
      // A run of label-only lines goes on or closes with a labelled code line.
      return token == LABELSUP || (body >= kFirstLabelledCode && body <= kLastLabelledCode)
                 ? shift(reduceState(body))
                 : kError;
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
  int production = bodyProduction(token);
  if (production == 0 || production == kLabelSupLine) return false;
  actions_.shifted(token);
  if (hasAction(production)) actions_.reduce(production);
  if (state == kAfterEntete2) stack_.push_back(kLignes);
  return true;
}

// Runs the production's action, pops its right-hand side and pushes the goto state.
bool Parser::reduce(int production) {
  if (hasAction(production)) actions_.reduce(production);
  const Rule& rule = kRules[production];
  stack_.resize(stack_.size() - rule.length);
  return push(gotoState(stack_.back(), rule.lhs));
}

int Parser::yyparse() {
  stack_.clear();
  stack_.push_back(kStart);
  int lookahead = kNoToken;
  for (;;) {
    uint8_t state = stack_.back();
    bool ok = true;
    if (state >= kReduce) {
      ok = reduce(state - kReduce);
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
          ok = reduce(kPageProduction);
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
