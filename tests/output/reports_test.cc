// The label listings and the OCR-tolerant rules, from registers filled by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "output/reports.h"
#include "registers/registers.h"
#include "support/capture.h"

namespace romlift {
namespace {

// What a report function prints.
template <typename Fn>
std::string capture(Fn fn) {
  test::Captured c;
  fn(c.file());
  return c.text();
}

TEST(Reports, ListingsShowNewestEntryAndNewestLabelFirst) {
  Registers registers(stdout);
  CodeRegister& codes = registers.codes;
  SymbolRegister& symbols = registers.symbols;
  EXPECT_EQ(capture([&](FILE* f) { Listecode(f, CodeLists(codes, f)); }), "Label;Segment;Adresse\n");
  EXPECT_EQ(capture([&](FILE* f) { Listest(f, SymbolLists(symbols, f)); }), "Label;Segment;Adresse\n");
  EXPECT_EQ(capture([&](FILE* f) { ListeER(f, CodeLists(codes, f)); }), "");

  codes.addlabel("L1");
  codes.addlabel("L2");
  codes.addadr("S", "0100");
  codes.addadr("S", "0101");  // an entry without label prints nothing
  EXPECT_EQ(capture([&](FILE* f) { Listecode(f, CodeLists(codes, f)); }), "Label;Segment;Adresse\nL2;S;0100\nL1;S;0100\n");

  symbols.stajouteadrlab("C000", "0C000-0C7FF");
  symbols.staddlab("C000", "0C000-0C7FF", "START");
  symbols.staddlab("C000", "0C000-0C7FF", "BEGIN");
  symbols.stajouteadrlab("C003", "0C000-0C7FF");
  symbols.staddlab("C003", "0C000-0C7FF", "LOOP");
  EXPECT_EQ(capture([&](FILE* f) { Listest(f, SymbolLists(symbols, f)); }),
            "Label;Segment;Adresse\nLOOP;0C000-0C7FF;C003\nBEGIN;0C000-0C7FF;C000\nSTART;0C000-0C7FF;C000\n");
}

TEST(Reports, RulesAcceptEachLookAlikeAndQuoteSpecialCharacters) {
  struct Case {
    const char* label;
    const char* rule;  // pattern and action text; nullptr when the label needs no rule
  };
  const std::vector<Case> cases = {
      {"START", "[S5]TART|START"},
      {"LOOP1", "L[O0DQ][O0DQ][PF][1I]|LOOP1"},
      {"XYZ", nullptr},
      {"XYZ  ", nullptr},  // blanks alone are no look-alikes
      {"A?", "A\\?|A?"},
      {"STAR  ", "[S5]TAR\\ \\ |STAR  "},
      {"Q26BDE", "[QO][26F][62][B8E][DO][EB]|Q26BDE"},
      {"ab_cd0", "ab_cd[0O]|ab_cd0"},  // lower case stands for itself
      {"A.B*C", "A\\.[B8E]\\*[CF]|A.B*C"},
      {"B\"\\", "[B8E]\\\"\\\\|B\\\"\\\\"},  // a quote and a backslash: quoted in both parts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Registers registers(stdout);
    registers.codes.addlabel(c.label);
    registers.codes.addadr("S", "0100");
    std::string want;
    if (c.rule != nullptr) {
      std::string rule = c.rule;
      size_t bar = rule.find('|');
      want = "{DEBER}" + rule.substr(0, bar) + "{FINER} {sprintf(label,\"%s\",\"" + rule.substr(bar + 1) +
             "\"); return(MOTAVERIFIER);}\n";
    }
    EXPECT_EQ(capture([&](FILE* f) { ListeER(f, CodeLists(registers.codes, f)); }), want);
  }
}

TEST(Reports, RulesComeOncePerOccurrenceInRegisterOrder) {
  Registers registers(stdout);
  CodeRegister& codes = registers.codes;
  codes.addlabel("S1");
  codes.addlabel("XY");
  codes.addadr("A", "0100");
  codes.addlabel("S1");
  codes.addadr("B", "0200");
  EXPECT_EQ(capture([&](FILE* f) { ListeER(f, CodeLists(codes, f)); }),
            "{DEBER}[S5][1I]{FINER} {sprintf(label,\"%s\",\"S1\"); return(MOTAVERIFIER);}\n"
            "{DEBER}[S5][1I]{FINER} {sprintf(label,\"%s\",\"S1\"); return(MOTAVERIFIER);}\n");
}

}  // namespace
}  // namespace romlift
