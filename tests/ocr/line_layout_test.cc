// The fields of a printed line as the engine read them: the kind of line told by its inked
// cells, each field kept to its alphabet (look-alikes of the engine's choices), mnemonics among
// the instruction set's names, operands by their tokens, and the engine's symbols put in cells.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ocr/line_layout.h"
#include "ocr/page_reader.h"

namespace romlift::ocr {
namespace {

// Cells as the engine read them: each character of `read` in its column with the engine's
// confidence 0.9, a blank where nothing was printed; `more` adds later choices to a column, at
// 0.3 each.
Cells cellsOf(std::string_view read, const std::map<int, std::string>& more = {}) {
  Cells cells(read.size());
  for (size_t c = 0; c < read.size(); ++c) {
    if (read[c] == ' ') continue;
    cells[c].inked = true;
    cells[c].c = read[c];
    cells[c].confidence = 0.9f;
    cells[c].choices = {{read[c], 0.9f}};
    auto extra = more.find(static_cast<int>(c));
    if (extra != more.end())
      for (char ch : extra->second) cells[c].choices.push_back({ch, 0.3f});
  }
  return cells;
}

std::vector<std::string_view> names8085() {
  std::vector<std::string_view> names;
  mnemonicsOf("8085", names);
  return names;
}

TEST(LineLayout, TellsTheLineKindByItsInkedCells) {
  struct Case {
    const char* line;
    bool inTable;
    LineKind kind;
  };
  const Case cases[] = {
      {"", false, LineKind::Empty},
      {"PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1", false, LineKind::PageHeader},
      {"PAGE 14    KEZ FIRMWARE 0C000-0C7FF  V1.1", true, LineKind::PageHeader},
      {"***************************", false, LineKind::BannerStars},
      {"* S Y M B O L   T A B L E *", false, LineKind::BannerTitle},
      {"ABC    C000 LOOP   C003", true, LineKind::SymbolRow},
      {"BANNER C01B BEEP9  C009", true, LineKind::SymbolRow},
      {"ABC    C000 LOOP   C003", false, LineKind::Numbered},
      {"002                 RESET", false, LineKind::Numbered},
      {"007 C000 C309C0     VA0000  JMP   BEEP9", true, LineKind::Numbered},
      {": 025 C01B", false, LineKind::Other},
  };
  for (const Case& c : cases) EXPECT_EQ(kindOf(cellsOf(c.line), c.inTable), c.kind) << c.line;
}

TEST(LineLayout, KeepsEachFieldOfANumberedLineToItsAlphabet) {
  struct Case {
    const char* what;
    const char* read;
    std::map<int, std::string> more;
    const char* text;
  };
  const Case cases[] = {
      {"O-shaped glyphs in the hex fields are zeros, l in the number a one; labels keep their O",
       "0l2 CO1O 3EOO       LOOP    MVI   A,1", {}, "012 C010 3E00       LOOP    MVI   A,1"},
      {"a 4 read as A in the line number; a choice the field holds beats a rarer look-alike",
       "O2A C0D6 SB                 CMP   B", {{9, "8"}}, "024 C0D6 8B                 CMP   B"},
      {"a mnemonic spelled with a zero is the instruction it looks like",
       "003 C001 4F                 M0V   C,A", {}, "003 C001 4F                 MOV   C,A"},
      {"numbers in the operand: hex before an H, decimal after a digit; a lone S is $",
       "004 C002 3EB7               MVI   A,OB7H", {}, "004 C002 3EB7               MVI   A,0B7H"},
      {"a decimal operand", "005 C004 06D9               MVI   B,2l7", {}, "005 C004 06D9               MVI   B,217"},
      {"the location counter read as S, and S read as $ before a name",
       "006 C006 C306C0             JMP   S", {}, "006 C006 C306C0             JMP   $"},
      {"S read as $", "007 C009 CA04C1             JZ    $T501+3", {}, "007 C009 CA04C1             JZ    ST501+3"},
      {"quoted text is left as read", "008 C00C 3E4F               MVI   A,'O'", {},
       "008 C00C 3E4F               MVI   A,'O'"},
      {"a star comment is anything", "011                 * OOPS l0", {}, "011                 * OOPS l0"},
      {"the registers and the comma that the instruction takes",
       "012 C00E 79                 MOV   A.C", {}, "012 C00E 79                 MOV   A,C"},
      {"a comma read as a letter", "013 C00F 3E41               MVI   ALB", {}, "013 C00F 3E41               MVI   A,B"},
      {"a register pair", "014 C011 310084             LXI   SP;8400H", {}, "014 C011 310084             LXI   SP,8400H"},
      {"an octal number keeps its suffix", "015 C014 3E10               MVI   A,2O", {},
       "015 C014 3E10               MVI   A,2O"},
      {"ORG's address", "016                         ORG   :DO0O", {}, "016                         ORG   :D000"},
      {"a semicolon between names", "018 C019 0D0A               DB    CR;LF", {}, "018 C019 0D0A               DB    CR,LF"},
      {"quotes read as other marks", "017 C016 4B455A             DB    \"KEZ!", {},
       "017 C016 4B455A             DB    'KEZ'"},
  };
  for (const Case& c : cases) {
    Cells cells = cellsOf(c.read, c.more);
    settleNumbered(cells, names8085());
    EXPECT_EQ(textOf(cells), c.text) << c.what;
  }
}

TEST(LineLayout, WritesPageHeadersAsTheirFixedTextAndSymbolRowsAsLabelsAndHex) {
  Cells header = cellsOf("PACE O1    KFZ FIRMVARE OCOOO-OC7FF  VI.1");
  EXPECT_EQ(headerText(header), "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1");
  // Nine characters of range: a bound of four on each side of the dash.
  Cells later = cellsOf("PAGE O2    KEZ FIRMWARE C8OO-CFFF  V1.1");
  EXPECT_EQ(headerText(later), "PAGE 02    KEZ FIRMWARE C800-CFFF  V1.1");
  Cells row = cellsOf("START  CO00 L00P   CO03 SEEK   C14D");
  settleSymbolRow(row);
  EXPECT_EQ(textOf(row), "START  C000 L00P   C003 SEEK   C14D");
}

TEST(LineLayout, PutsTheEnginesSymbolsInTheInkedCells) {
  PageGeometry g;
  g.pitch = 30, g.left = 100;
  auto symbol = [](double middle, char c, float confidence) {
    return Symbol{static_cast<int>(middle) - 10, static_cast<int>(middle) + 10, {{c, confidence}}};
  };
  struct Case {
    const char* what;
    std::vector<Symbol> symbols;
    const char* text;
  };
  // Cells 0-3 and 6 hold ink (column c spans 100 + 30c to 130 + 30c); cells 4 and 5 are blank.
  const Case cases[] = {
      {"as many symbols as cells: in order, whatever their boxes",
       {symbol(110, 'A', 0.9f), symbol(150, 'B', 0.9f), symbol(170, 'C', 0.9f), symbol(215, 'D', 0.9f),
        symbol(295, 'E', 0.9f)},
       "ABCD  E"},
      {"two in one cell: the surer one; a symbol on a blank cell dropped; an inked cell left empty",
       {symbol(110, 'A', 0.9f), symbol(145, 'B', 0.5f), symbol(148, '8', 0.8f), symbol(250, '.', 0.9f),
        symbol(295, 'E', 0.9f)},
       "A8    E"},
  };
  for (const Case& c : cases) {
    Cells cells = cellsOf("XXXX  X");
    for (Cell& cell : cells) cell.choices.clear(), cell.c = ' ';
    placeSymbols(c.symbols, g, 0, 7, cells);
    EXPECT_EQ(textOf(cells), c.text) << c.what;
  }
}

}  // namespace
}  // namespace romlift::ocr
