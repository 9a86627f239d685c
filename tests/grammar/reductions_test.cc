// What recognised lines leave in the registers: labels, segments and addresses per entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "grammar/parser.h"
#include "grammar/reductions.h"
#include "registers/code_lists.h"
#include "registers/symbol_lists.h"
#include "support/scan.h"

namespace romlift {
namespace {

// Entries of a register as "seg/adr:label,label" strings, newest first.
std::vector<std::string> entries(const AddressEntry* e) {
  std::vector<std::string> all;
  for (; e != nullptr; e = e->next) {
    std::string row = std::string(e->seg) + "/" + e->adr + ":";
    for (const LabelNode* l = e->labels; l != nullptr; l = l->next) row += std::string(l->label) + (l->next ? "," : "");
    all.push_back(row);
  }
  return all;
}

struct Recorded {
  std::vector<std::string> codes, symbols, pending;
  std::string seg;
};

struct IgnoreErrors : ErrorReporter {
  void yyerror(const char*) override {}
};

// The grammar and its actions alone over the listing: no run, no files, no reports.
Recorded runOn(const std::string& listing) {
  bool ended = false;
  Scanner scanner(Input(test::chunkReader(listing)), [&ended] { return ended = true; });
  LineFields fields;
  Registers registers(stdout);
  ImageWriter writer({}, {}, ImageTarget::Discard);
  Reductions actions(scanner, fields, registers, writer);
  IgnoreErrors errors;
  Parser parser(scanner, actions, errors);
  while (!ended) parser.yyparse();
  Recorded r;
  CodeLists codes(registers.codes, stdout);
  r.codes = entries(codes.awllist());
  r.symbols = entries(SymbolLists(registers.symbols, stdout).stawllist());
  for (const LabelNode* l = codes.llist(); l != nullptr; l = l->next) r.pending.push_back(l->label);
  r.seg = fields.seg;
  return r;
}

const std::string kHeader = "PAGE 01    KEZ FIRMWARE 0000-07FF  V1.1\n";
const std::string kHeader11 = "PAGE 01    KEZ FIRMWARE 10000-107FF  V1.1\n";
const std::string kBanner =
    "***************************\n"
    "* S Y M B O L   T A B L E *\n"
    "***************************\n";

TEST(Reductions, LabelsGoToTheNextLabelledCodeLine) {
  struct Case {
    const char* name;
    std::string listing;
    std::vector<std::string> codes;
    std::vector<std::string> pending;
  };
  const std::vector<Case> cases = {
      {"label-only lines before a labelled line, newest first",
       kHeader + "001                 L1\n002                 L2\n003 0100 00         L3      NOP\n",
       {"0000-07FF/0100:L3,L2,L1"}, {}},
      {"a labelled line alone", kHeader + "001 0100 00         L3      NOP\n", {"0000-07FF/0100:L3"}, {}},
      {"unlabelled lines record nothing", kHeader + "001 0100 00                 NOP\n", {}, {}},
      {"trailing blanks stay on a label-only label",
       kHeader + "001                 L1  \n002 0100 00         L3      NOP\n", {"0000-07FF/0100:L3,L1  "}, {}},
      {"a label beginning one column late reads with a leading blank",
       kHeader + "001 0100 0000        L3     NOP\n", {"0000-07FF/0100: L3"}, {}},
      {"pending labels survive a syntax error and go to a later page",
       kHeader + "001                 L1\n002 0100 00                 NOP\n" + kHeader11 +
           "001 0200 00         L9      NOP\n",
       {"10000-107FF/0200:L9,L1"}, {}},
      {"a rejected labelled line records nothing and leaves earlier labels pending",
       kHeader + "001                 L1\n002 0100 00                 NOP\n003 0101 00         L2      NOP\n",
       {}, {"L1"}},
      {"labels still pending at the end stay out of the register", kHeader + "001                 L1\n", {}, {"L1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorded r = runOn(c.listing);
    EXPECT_EQ(r.codes, c.codes);
    EXPECT_EQ(r.pending, c.pending);
  }
}

TEST(Reductions, SymbolEntriesGoUnderTheirOwnPagesSegment) {
  const std::string page = "001 0100 00         L3      NOP\n\n" + kBanner;
  Recorded r = runOn(kHeader + page + "L3     0100 L4     0100\n" + kHeader11 + page + "L3     0100\n");
  EXPECT_EQ(r.symbols, (std::vector<std::string>{"10000-107FF/0100:L3", "0000-07FF/0100:L4,L3"}));
  EXPECT_EQ(r.codes, (std::vector<std::string>{"10000-107FF/0100:L3", "0000-07FF/0100:L3"}));
  EXPECT_EQ(r.seg, "10000-107FF");  // all 11 characters of the range
}

}  // namespace
}  // namespace romlift
