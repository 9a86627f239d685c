// Page grammar: which tokens each position takes, when the line actions run, how a bad token
// ends a call and how the next calls resume, and the depth limit that a label-only run meets.
#include "grammar/parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/fake_tokens.h"

namespace romlift {
namespace {

using Log = std::vector<std::string>;
using Tokens = std::vector<int>;
using fake::tokenEntry;

const Tokens kHeader = {ENTETE1, SEGMENT, ENTETE2};
const Tokens kLabelledCode = {CODEL, CODELO, CODELC, CODELOC};
const Tokens kBodyTokens = {LIGNEVIDE, SYMBOLTABLE, ORG,  END,         CODE,   CODEO,
                            CODEC,     CODEOC,      CODEL, CODELOC,    COM1,   COM2,
                            NUMLINEVIDE, CODELO,    CODELC, LABELSUP};
const Log kEnd = {"tok:end"};

Tokens cat(std::initializer_list<Tokens> parts) {
  Tokens all;
  for (const Tokens& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Tokens labelSups(size_t count) { return Tokens(count, LABELSUP); }

Log operator+(Log a, const Log& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

bool contains(const Tokens& set, int token) {
  return std::find(set.begin(), set.end(), token) != set.end();
}

// The production whose action a token fires once it has been accepted; 0 for none.
int actionOf(int token) {
  switch (token) {
    case SEGMENT: return 3;
    case SYMBOLTABLE: return 8;
    case LABELSUP: return 20;
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

// What the log must show for tokens that are all accepted: each token, then its action.
Log accepted(const Tokens& tokens) {
  Log log;
  for (int token : tokens) {
    log.push_back(tokenEntry(token));
    if (int production = actionOf(token)) log.push_back("act:" + std::to_string(production));
  }
  return log;
}

// A token that is reported and dropped without its action.
Log rejected(int token, const char* message = kSyntaxError) {
  std::string error = "err:";
  error += message;
  return {tokenEntry(token), error};
}

struct Outcome {
  std::vector<int> results;
  Log log;
};

// One run over the tokens: yyparse again and again until the end of input has been read.
Outcome runAll(const Tokens& tokens) {
  fake::TokenScript script(tokens);
  Parser parser(script, script, script);
  std::vector<int> results = fake::parseToEnd(parser, script, tokens.size() + 3);
  return {results, script.log()};
}

// Compares logs entry by entry; the logs of the long runs are too big to print whole.
void expectLog(const Log& actual, const Log& expected) {
  size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  if (i == actual.size() && i == expected.size()) return;
  auto at = [](const Log& log, size_t k) { return k < log.size() ? log[k] : "(none)"; };
  ADD_FAILURE() << "logs differ at entry " << i << " of " << actual.size() << " (expected "
                << expected.size() << "): previous " << (i ? at(expected, i - 1) : "(start)")
                << ", expected " << at(expected, i) << ", got " << at(actual, i) << ", then "
                << at(actual, i + 1);
}

TEST(ParserPage, OnePageRunsEachLineActionRightAfterItsToken) {
  Tokens tokens = cat({kHeader,
                       {LIGNEVIDE, CODEL, ORG, CODELO, END, CODELC, NUMLINEVIDE, CODELOC, COM1,
                        CODE, COM2, CODEO, CODEOC, CODEC, SYMBOLTABLE, LABELSUP, LABELSUP,
                        CODEL}});
  Outcome out = runAll(tokens);
  EXPECT_EQ(out.results, std::vector<int>{0});
  // Written out in full so that the production numbers do not depend on the helpers above.
  expectLog(out.log,
            {"tok:ENTETE1", "tok:SEGMENT",  "act:3",        "tok:ENTETE2",    "tok:LIGNEVIDE",
             "tok:CODEL",   "act:21",       "tok:ORG",      "tok:CODELO",     "act:22",
             "tok:END",     "tok:CODELC",   "act:23",       "tok:NUMLINEVIDE", "tok:CODELOC",
             "act:24",      "tok:COM1",     "tok:CODE",     "act:25",         "tok:COM2",
             "tok:CODEO",   "act:26",       "tok:CODEOC",   "act:27",         "tok:CODEC",
             "act:28",      "tok:SYMBOLTABLE", "act:8",     "tok:LABELSUP",   "act:20",
             "tok:LABELSUP", "act:20",      "tok:CODEL",    "act:21",         "tok:end"});
}

TEST(ParserPage, SeveralPagesInOneCall) {
  Tokens tokens = cat({kHeader, {CODE}, kHeader, {SYMBOLTABLE, ORG}, kHeader, {LABELSUP, CODELC}});
  Outcome out = runAll(tokens);
  EXPECT_EQ(out.results, std::vector<int>{0});
  expectLog(out.log, accepted(tokens) + kEnd);
}

TEST(ParserPage, NegativeTokenIsEndOfInput) {
  Outcome out = runAll(cat({kHeader, {CODE, -1}}));
  EXPECT_EQ(out.results, std::vector<int>{0});
  expectLog(out.log, accepted(cat({kHeader, {CODE}})) + kEnd);
}

// Every token kind (and the end of input) at every position of the grammar, in one call: an
// accepted token gets its action and the call goes on to accept the completed page; any other
// token ends the call at once with one report and without its action.
TEST(ParserPosition, EachPositionTakesOnlyItsTokens) {
  struct Position {
    const char* name;
    Tokens prefix;
    Tokens accepts;  // 0 stands for the end of input
  };
  const std::vector<Position> positions = {
      {"start of call", {}, {ENTETE1}},
      {"after ENTETE1", {ENTETE1}, {SEGMENT}},
      {"after SEGMENT", {ENTETE1, SEGMENT}, {ENTETE2}},
      {"after ENTETE2", kHeader, kBodyTokens},
      {"after a code line", cat({kHeader, {CODE}}), cat({kBodyTokens, {ENTETE1, 0}})},
      {"after a symbol-table entry", cat({kHeader, {SYMBOLTABLE}}),
       cat({kBodyTokens, {ENTETE1, 0}})},
      {"after a closed label run", cat({kHeader, {LABELSUP, LABELSUP, CODELO}}),
       cat({kBodyTokens, {ENTETE1, 0}})},
      {"inside a label run", cat({kHeader, {LABELSUP}}), cat({{LABELSUP}, kLabelledCode})},
      {"deeper in a label run", cat({kHeader, {CODE, LABELSUP, LABELSUP}}),
       cat({{LABELSUP}, kLabelledCode})},
  };
  // Whatever completes a page after an accepted token.
  auto completion = [](int token) -> Tokens {
    switch (token) {
      case ENTETE1: return {SEGMENT, ENTETE2, CODE};
      case SEGMENT: return {ENTETE2, CODE};
      case ENTETE2: return {CODE};
      case LABELSUP: return {CODEL};
      default: return {};
    }
  };
  Tokens all = {0};
  for (int token = kFirstToken; token <= kLastToken; ++token) all.push_back(token);

  for (const Position& position : positions) {
    for (int token : all) {
      SCOPED_TRACE(std::string(position.name) + ", then " + tokenEntry(token));
      Tokens given = position.prefix;
      if (token != 0) given.push_back(token);
      bool fits = contains(position.accepts, token);
      if (fits) given = cat({given, completion(token)});

      fake::TokenScript script(given);
      Parser parser(script, script, script);
      int result = parser.yyparse();
      if (fits) {
        EXPECT_EQ(result, 0);
        expectLog(script.log(), accepted(given) + kEnd);
      } else {
        EXPECT_EQ(result, 1);
        expectLog(script.log(), accepted(position.prefix) + rejected(token));
      }
    }
  }
}

// Whole runs with bad tokens: the driver calls again after each failed call, every call but
// the last ends on one report, and the next call accepts nothing before the next ENTETE1.
TEST(ParserRecovery, ReportsEachTokenUpToTheNextPage) {
  struct Case {
    const char* name;
    Tokens tokens;
    std::vector<int> results;
    Log log;
  };
  const Tokens longRun = labelSups(5000);
  const std::vector<Case> cases = {
      {"empty input", {}, {1}, rejected(0)},
      {"tokens before the first header",
       cat({{CODE, LABELSUP, ENTETE2, SYMBOLTABLE}, kHeader, {CODE}}),
       {1, 1, 1, 1, 0},
       rejected(CODE) + rejected(LABELSUP) + rejected(ENTETE2) + rejected(SYMBOLTABLE) +
           accepted(cat({kHeader, {CODE}})) + kEnd},
      {"page without body lines", cat({kHeader, kHeader, {CODE}, kHeader, {CODEO}}),
       {1, 1, 1, 1, 0},
       accepted(kHeader) + rejected(ENTETE1) + rejected(SEGMENT) + rejected(ENTETE2) +
           rejected(CODE) + accepted(cat({kHeader, {CODEO}})) + kEnd},
      {"header without segment", cat({{ENTETE1, ENTETE2, CODE, LABELSUP}, kHeader, {CODEL}}),
       {1, 1, 1, 0},
       accepted({ENTETE1}) + rejected(ENTETE2) + rejected(CODE) + rejected(LABELSUP) +
           accepted(cat({kHeader, {CODEL}})) + kEnd},
      {"second SEGMENT", cat({{ENTETE1, SEGMENT, SEGMENT, ENTETE2, CODE}, kHeader, {CODE}}),
       {1, 1, 1, 0},
       accepted({ENTETE1, SEGMENT}) + rejected(SEGMENT) + rejected(ENTETE2) + rejected(CODE) +
           accepted(cat({kHeader, {CODE}})) + kEnd},
      {"second ENTETE2", cat({kHeader, {ENTETE2, CODEC}, kHeader, {CODE}}),
       {1, 1, 0},
       accepted(kHeader) + rejected(ENTETE2) + rejected(CODEC) + accepted(cat({kHeader, {CODE}})) +
           kEnd},
      {"label-only line closed by an unlabelled code line", cat({kHeader, {LABELSUP, CODE}}),
       {1, 1},
       accepted(cat({kHeader, {LABELSUP}})) + rejected(CODE) + rejected(0)},
      {"bad token in mid-page", cat({kHeader, {CODE, COM0, LABELSUP, CODEL}, kHeader, {CODE}}),
       {1, 1, 1, 0},
       accepted(cat({kHeader, {CODE}})) + rejected(COM0) + rejected(LABELSUP) + rejected(CODEL) +
           accepted(cat({kHeader, {CODE}})) + kEnd},
      {"end of input after ENTETE1", {ENTETE1}, {1}, accepted({ENTETE1}) + rejected(0)},
      {"end of input after SEGMENT", {ENTETE1, SEGMENT}, {1},
       accepted({ENTETE1, SEGMENT}) + rejected(0)},
      {"end of input after ENTETE2", kHeader, {1}, accepted(kHeader) + rejected(0)},
      {"end of input inside a label run", cat({kHeader, {CODE, LABELSUP, LABELSUP}}), {1},
       accepted(cat({kHeader, {CODE, LABELSUP, LABELSUP}})) + rejected(0)},
      {"header, CODE, LABELSUP, CODE, CODEL, header, CODEL",
       cat({kHeader, {CODE, LABELSUP, CODE, CODEL}, kHeader, {CODEL}}),
       {1, 1, 0},
       {"tok:ENTETE1", "tok:SEGMENT", "act:3", "tok:ENTETE2", "tok:CODE", "act:25",
        "tok:LABELSUP", "act:20", "tok:CODE", "err:syntax error", "tok:CODEL", "err:syntax error",
        "tok:ENTETE1", "tok:SEGMENT", "act:3", "tok:ENTETE2", "tok:CODEL", "act:21", "tok:end"}},
      // The failed call leaves a deep stack behind; the next call must start from an empty one,
      // or the longest run that fits on a first page would no longer fit.
      {"deep stack dropped with the error",
       cat({kHeader, longRun, {CODE}, kHeader, labelSups(9993), {CODEL}}),
       {1, 0},
       accepted(cat({kHeader, longRun})) + rejected(CODE) +
           accepted(cat({kHeader, labelSups(9993), {CODEL}})) + kEnd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome out = runAll(c.tokens);
    EXPECT_EQ(out.results, c.results);
    expectLog(out.log, c.log);
  }
}

// A run of label-only lines stays on the stack until its labelled code line comes. Depth after
// reading a token: 1 start state, +1 if a complete page precedes in the call, +4 for the header,
// +1 if the page has a body item, +1 per pending LABELSUP, +1 for the token itself; the token that
// makes the 10000th entry ends the call with "memory exhausted" and its action never runs.
TEST(ParserStack, LabelRunLimit) {
  struct Case {
    const char* name;
    Tokens tokens;
    bool lastExhausts;  // the last token is the one that reaches 10000 entries
  };
  const Tokens firstPage = kHeader;                                   // 5 entries
  const Tokens afterItem = cat({kHeader, {CODE}});                    // 6 entries
  const Tokens secondPage = cat({kHeader, {CODE}, kHeader});          // 6 entries
  const Tokens secondAfterItem = cat({kHeader, {CODE}, kHeader, {COM1}});  // 7 entries
  const std::vector<Case> cases = {
      {"first page: longest run", cat({firstPage, labelSups(9993), {CODEL}}), false},
      {"first page: code line after 9994", cat({firstPage, labelSups(9994), {CODEL}}), true},
      {"first page: 9995th LABELSUP", cat({firstPage, labelSups(9995)}), true},
      {"after a body item: longest run", cat({afterItem, labelSups(9992), {CODELOC}}), false},
      {"after a body item: code line after 9993", cat({afterItem, labelSups(9993), {CODELO}}),
       true},
      {"after a body item: 9994th LABELSUP", cat({afterItem, labelSups(9994)}), true},
      {"second page: longest run", cat({secondPage, labelSups(9992), {CODELC}}), false},
      {"second page: 9994th LABELSUP", cat({secondPage, labelSups(9994)}), true},
      {"second page after a body item: longest run",
       cat({secondAfterItem, labelSups(9991), {CODEL}}), false},
      {"second page after a body item: 9993rd LABELSUP", cat({secondAfterItem, labelSups(9993)}),
       true},
      // A closed run is reduced away, so the next run has the room of a page with a body item.
      {"longest runs one after another",
       cat({firstPage, labelSups(9993), {CODEL}, labelSups(9992), {CODELOC}, {LIGNEVIDE},
            labelSups(9992), {CODEL}}),
       false},
  };
  // After exhaustion the following tokens are reported one by one; the next page starts a
  // fresh call with an empty stack, so the longest first-page run fits again.
  const Tokens tail = cat({{CODE, LABELSUP, CODEL}, kHeader, labelSups(9993), {CODEL}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.lastExhausts) {
      Outcome out = runAll(c.tokens);
      EXPECT_EQ(out.results, std::vector<int>{0});
      expectLog(out.log, accepted(c.tokens) + kEnd);
      continue;
    }
    Tokens before(c.tokens.begin(), c.tokens.end() - 1);
    Outcome out = runAll(cat({c.tokens, tail}));
    EXPECT_EQ(out.results, (std::vector<int>{2, 1, 1, 1, 0}));
    expectLog(out.log, accepted(before) + rejected(c.tokens.back(), kMemoryExhausted) +
                           rejected(CODE) + rejected(LABELSUP) + rejected(CODEL) +
                           accepted(cat({kHeader, labelSups(9993), {CODEL}})) + kEnd);
  }
}

}  // namespace
}  // namespace romlift
