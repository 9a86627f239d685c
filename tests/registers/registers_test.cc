// The two label registers: how entries and labels are recorded, what the cross-checks answer
// and print, and how listing lines and symbol-table entries are split into address and label.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "registers/code_lists.h"
#include "support/capture.h"
#include "registers/registers.h"
#include "registers/symbol_lists.h"

namespace romlift {
namespace {

using Strings = std::vector<std::string>;
using namespace std::string_literals;

// Each entry as "segment/address:label,label,", newest first.
Strings entries(const AddressEntry* e) {
  Strings out;
  for (; e; e = e->next) {
    out.push_back(std::string(e->seg) + "/" + e->adr + ":");
    for (const LabelNode* n = e->labels; n; n = n->next) out.back() += std::string(n->label) + ",";
  }
  return out;
}

const char kSeg[] = "0C000-0C7FF";
const char kSeg2[] = "0D000-0D7FF";

// The run's order for one symbol-table entry (address, segment, label).
void record(SymbolRegister& reg, const char* a, const char* s, const char* l) {
  if (!reg.stexistadr(a, s)) reg.stajouteadrlab(a, s);
  reg.staddlab(a, s, l);
}

TEST(CodeRegister, PendingLabelsJoinTheNextEntryNewestFirst) {
  test::Captured out;
  Registers reg(out.file());
  for (const char* l : {"L1", "L2", "L3"}) reg.codes.addlabel(l);
  reg.codes.addadr(kSeg, "C000");
  EXPECT_EQ(CodeLists(reg.codes, out.file()).llist(), nullptr);
  reg.codes.addlabel("SOLO");
  reg.codes.addadr(kSeg, "C003");
  CodeLists lists(reg.codes, out.file());
  EXPECT_EQ(lists.llist(), nullptr);
  EXPECT_EQ(entries(lists.awllist()), (Strings{kSeg + "/C003:SOLO,"s, kSeg + "/C000:L3,L2,L1,"s}));
  EXPECT_EQ(out.text(), "");
}

// The register logs its calls in chunks; lists built at any point, across many chunks, must
// show exactly the calls made so far, pending labels and the index included.
TEST(CodeRegister, ListsBuiltBetweenCallsSeeEveryCallSoFar) {
  test::Captured out;
  Registers reg(out.file());
  Strings want;         // newest first, as entries() shows the register
  std::string pending;  // labels not yet in an entry, newest first
  for (int i = 0; i < 2000; ++i) {
    char adr[8], lab[8];
    snprintf(adr, sizeof adr, "%04X", i);
    snprintf(lab, sizeof lab, "L%d", i);
    const char* seg = i % 300 < 150 ? kSeg : kSeg2;
    if (i % 3 == 0 || i % 5 == 0) {
      reg.codes.addlabel(lab);
      pending = lab + ","s + pending;
    } else {
      reg.codes.addadr(seg, adr);
      want.insert(want.begin(), seg + "/"s + adr + ":" + pending);
      pending.clear();
    }
    if (i % 7 == 0 || i > 1990) {
      CodeLists lists(reg.codes, out.file());
      ASSERT_EQ(entries(lists.awllist()), want) << i;
      std::string got;
      for (const LabelNode* n = lists.llist(); n; n = n->next) got += n->label + ","s;
      ASSERT_EQ(got, pending) << i;
      if (!want.empty()) {
        ASSERT_EQ(lists.find(want[0].substr(12, 4).c_str(), want[0].substr(0, 11).c_str()), lists.awllist());
      }
    }
  }
  EXPECT_EQ(out.text(), "");
}

TEST(CodeRegister, CrossCheckAnswersFromTheNewestEntryOfThePair) {
  test::Captured out;
  Registers reg(out.file());
  const char* lines[][3] = {{kSeg, "C000", "OLD"}, {kSeg, "C000", "NEW"},  // same pair twice
                            {kSeg2, "C000", "LOOP  "}, {"0-1", "C000", "X"}};
  for (auto& l : lines) reg.codes.addlabel(l[2]), reg.codes.addadr(l[0], l[1]);
  CodeLists lists(reg.codes, out.file());
  ASSERT_EQ(entries(lists.awllist()).size(), 4u);
  const std::string absent = " absente des lignes de code avec label\n";
  struct Case {
    const char *adr, *seg, *label;
    int want;
    std::string msg;
  } cases[] = {
      {"C000", kSeg, "NEW", 1, ""},
      {"C000", kSeg, "OLD", 0, ""},  // only in the older entry, which does not count
      {"C000", kSeg, "new", 0, ""},
      {"C000", kSeg2, "LOOP  ", 1, ""},
      {"C000", kSeg2, "LOOP", 0, ""},  // stored trailing blanks are part of the label
      {"C000", "0-1", "X", 1, ""},
      {"C00", "00-1", "X", 0, "<<< Erreur >>> : adresse 00-1 C00" + absent},  // other split
      {"C001", kSeg, "NEW", 0, "<<< Erreur >>> : adresse 0C000-0C7FF C001" + absent},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.adr) + " " + c.seg + " " + c.label);
    size_t before = out.text().size();
    EXPECT_EQ(lists.existadrlab(c.adr, c.seg, c.label), c.want);
    EXPECT_EQ(out.text().substr(before), c.msg);
  }
}

TEST(CodeAndSymbolRegisters, StoreCopiesOfTheCallersTexts) {
  test::Captured out;
  Registers reg(out.file());
  char adr[5] = "C000", seg[12] = "0C000-0C7FF", lab[7] = "START";
  reg.codes.addlabel(lab);
  reg.codes.addadr(seg, adr);
  record(reg.symbols, adr, seg, lab);
  strcpy(adr, "FFFF"), strcpy(seg, "0F000-0F7FF"), strcpy(lab, "ZZZZZZ");
  CodeLists codes(reg.codes, out.file());
  SymbolLists symbols(reg.symbols, out.file());
  EXPECT_EQ(entries(codes.awllist()), Strings{"0C000-0C7FF/C000:START,"});
  EXPECT_EQ(entries(symbols.stawllist()), Strings{"0C000-0C7FF/C000:START,"});
  EXPECT_EQ(codes.existadrlab("C000", kSeg, "START"), 1);
  EXPECT_EQ(symbols.stexistadrlab("C000", kSeg, "START"), 1);
  EXPECT_EQ(reg.symbols.stexistadr("FFFF", "0F000-0F7FF"), 0);
  EXPECT_EQ(out.text(), "");
}

// A listing line "001 C0nn 00" with the label text placed at the given column.
std::string line(const std::string& adr, size_t col, const std::string& label) {
  std::string s = "001 " + adr + " 00" + std::string(60, ' ');
  return s.replace(col, label.size(), label).replace(28, 3, "NOP");
}

// A token as the scanner's buffer holds it: zero-terminated, then more listing text.
class InBuffer {
 public:
  explicit InBuffer(const std::string& text) : bytes_(text + '\0' + std::string(kPadding, 'X')) {
    for (size_t i = text.size() + 2; i < bytes_.size(); i += 3) bytes_[i] = ' ';
  }
  PaddedText from(size_t offset) const { return {bytes_.data() + offset, bytes_.size() - kPadding - 1 - offset}; }

 private:
  std::string bytes_;
};

// The split's words hold the text and zeros after it: they are hashed and compared whole.
void expectPadded(const ShortText& got, const char* want) {
  EXPECT_EQ(std::string(got.text, sizeof got.text), std::string(want) + std::string(8 - strlen(want), '\0'));
}

TEST(CopyAdr, SplitsALabelledCodeLine) {
  struct Case {
    const char* name;
    std::string line;  // copyadr sees it from column 4 on
    const char *adr, *lab;
  } cases[] = {
      {"six-char label at column 20", line("C000", 20, "START6"), "C000", "START6"},
      {"label at column 21 keeps a leading blank", line("C003", 21, "LOOP"), "C003", " LOOP"},
      {"six-char label at column 21 is cut", line("C004", 21, "ABCDEF"), "C004", " ABCDE"},
      {"label from column 18", line("C005", 18, "ABCDEF"), "C005", "CDEF"},
      {"label ending before column 20", line("C006", 16, "AB"), "C006", " "},
      {"line ends after the label", "007 C007 00         END", "C007", "END"},
      {"overlong label without blank", "008 C008 00         ABCDEFGHIJ", "C008", "ABCDEF"},
      {"line ends at column 20", "010 C00A 00         ", "C00A", ""},
      {"short line", "011 C00B C3", "C00B", ""},
      {"address cut short", "012 C0", "C0", ""},
      {"zero byte inside the address", line("C000", 20, "START").replace(6, 1, 1, '\0'), "C0", ""},
      {"zero byte inside the label", line("C000", 20, "START").replace(23, 1, 1, '\0'), "C000",
       "STA"},
      {"zero byte at column 20", line("C000", 20, "START").replace(20, 1, 1, '\0'), "C000", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShortText adr = "######", lab = "######";
    copyadr(InBuffer(c.line).from(4), adr, lab);
    expectPadded(adr, c.adr);
    expectPadded(lab, c.lab);
  }
}

TEST(Stlabadr, SplitsASymbolTableEntry) {
  struct Case {
    std::string text;
    const char *lab, *adr;
  } cases[] = {
      {"LABEL6 C000", "LABEL6", "C000"}, {"A      C1F0", "A", "C1F0"},
      {"ABCDEFGHIJK", "ABCDEF", ""},  // no blank: the label scan takes everything
      {"ABCDEFGH C0", "ABCDEF", "C0"},  // the address starts after the first blank
      {"LOOP       ", "LOOP", ""},      {"LOOP   C0", "LOOP", "C0"},
      {"LOOP C00012", "LOOP", "C000"},  {"", "", ""},
      {"LOO\0P  C000"s, "LOO", ""},     {"LOOP  C0\0001"s, "LOOP", "C0"},
      {"LOOP  \0C000"s, "LOOP", ""},     {"A B C D E F", "A", "B C "},
      // Longer than an entry: read byte by byte, with the same rules.
      {"LOOP" + std::string(40, ' ') + "C0001", "LOOP", "C000"},
      {std::string(40, 'L') + " C000", "LLLLLL", "C000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    ShortText adr = "######", lab = "######";
    stlabadr(InBuffer(c.text).from(0), adr, lab);
    expectPadded(lab, c.lab);
    expectPadded(adr, c.adr);
  }
}

TEST(SymbolRegister, RecordsEachLabelOncePerPair) {
  struct Case {
    const char* name;
    std::vector<std::array<const char*, 3>> input;  // address, segment, label
    Strings want;
    std::string msg;
  } cases[] = {
      {"duplicate label", {{"C000", kSeg, "LOOP"}, {"C000", kSeg, "LOOP"}},
       {"0C000-0C7FF/C000:LOOP,"}, "Erreur Label LOOP dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/C000\n"},
      {"two labels at one pair", {{"C000", kSeg, "L1"}, {"C000", kSeg, "L2"}},
       {"0C000-0C7FF/C000:L2,L1,"}, ""},
      {"duplicate of the older of two labels", {{"C000", kSeg, "L1"}, {"C000", kSeg, "L2"}, {"C000", kSeg, "L1"}},
       {"0C000-0C7FF/C000:L2,L1,"}, "Erreur Label L1 dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/C000\n"},
      {"same label and address in two segments", {{"C000", kSeg, "LOOP"}, {"C000", kSeg2, "LOOP"}},
       {"0D000-0D7FF/C000:LOOP,", "0C000-0C7FF/C000:LOOP,"}, ""},
      {"duplicate in an older entry", {{"C000", kSeg, "A"}, {"C010", kSeg, "B"}, {"C000", kSeg, "A"}},
       {"0C000-0C7FF/C010:B,", "0C000-0C7FF/C000:A,"},
       "Erreur Label A dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/C000\n"},
      {"labels differing in case or blanks",
       {{"C000", kSeg, "LOOP"}, {"C000", kSeg, "loop"}, {"C000", kSeg, "LOOP "}},
       {"0C000-0C7FF/C000:LOOP ,loop,LOOP,"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::Captured out;
    Registers reg(out.file());
    for (const auto& e : c.input) record(reg.symbols, e[0], e[1], e[2]);
    EXPECT_EQ(out.text(), c.msg);  // duplicates are told as they come, before any read
    EXPECT_EQ(entries(SymbolLists(reg.symbols, out.file()).stawllist()), c.want);
  }
}

// Many entries, over many log chunks and two segments, some addresses and labels repeated,
// against a plain model of the register: pairs in order of first appearance, labels kept once.
TEST(SymbolRegister, ManyRecordsReadBackAsAModelOfTheRegister) {
  test::Captured out;
  Registers reg(out.file());
  std::vector<std::string> order;                         // pairs, oldest first
  std::map<std::string, std::vector<std::string>> model;  // pair -> labels, oldest first
  int duplicates = 0;
  for (int i = 0; i < 3000; ++i) {
    char a[8], l[8];
    snprintf(a, sizeof a, "%04X", i % 700);  // later entries go back to earlier addresses
    snprintf(l, sizeof l, "L%d", i % 1400);  // and from i = 1400 on, labels come again
    const char* seg = i / 100 % 2 ? kSeg2 : kSeg;
    record(reg.symbols, a, seg, l);
    std::string pair = seg + "/"s + a + ":";
    auto [it, fresh] = model.try_emplace(pair);
    if (fresh) order.push_back(pair);
    if (std::find(it->second.begin(), it->second.end(), l) != it->second.end()) {
      ++duplicates;
    } else {
      it->second.push_back(l);
    }
  }
  Strings want;
  for (auto p = order.rbegin(); p != order.rend(); ++p) {
    std::string row = *p;
    for (auto l = model[*p].rbegin(); l != model[*p].rend(); ++l) row += *l + ",";
    want.push_back(row);
  }
  EXPECT_EQ(entries(SymbolLists(reg.symbols, out.file()).stawllist()), want);
  std::string text = out.text();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), duplicates);
  EXPECT_GT(duplicates, 0);
}

TEST(SymbolRegister, CrossCheck) {
  test::Captured out;
  Registers reg(out.file());
  record(reg.symbols, "C000", kSeg, "START");
  reg.symbols.stajouteadrlab("C100", kSeg);     // entry without labels
  reg.symbols.staddlab("C200", kSeg, "ORPHAN");  // no entry yet: the label is kept in a new one
  SymbolLists lists(reg.symbols, out.file());
  const std::string absent = " absente des tables de symboles (label : START)\n";
  struct Case {
    const char *adr, *seg, *label;
    int exist, want;
    std::string msg;
  } cases[] = {
      {"C000", kSeg, "START", 1, 1, ""},
      {"C000", kSeg, "STAR", 1, 0, ""},
      {"C100", kSeg, "START", 1, 0, ""},
      {"C200", kSeg, "ORPHAN", 1, 1, ""},
      {"C000", kSeg2, "START", 0, 0, "<<< Erreur >>> : adresse 0D000-0D7FF C000" + absent},
      {"C00", "00C000-0C7FF", "START", 0, 0, "<<< Erreur >>> : adresse 00C000-0C7FF C00" + absent},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.adr) + " " + c.seg + " " + c.label);
    size_t before = out.text().size();
    EXPECT_EQ(reg.symbols.stexistadr(c.adr, c.seg), c.exist);
    EXPECT_EQ(lists.stexistadrlab(c.adr, c.seg, c.label), c.want);
    EXPECT_EQ(out.text().substr(before), c.msg);
  }
  EXPECT_EQ(entries(lists.stawllist()), (Strings{kSeg + "/C200:ORPHAN,"s, kSeg + "/C100:"s, kSeg + "/C000:START,"s}));
}

TEST(CodeAndSymbolRegisters, ManyPairsStayDistinct) {
  test::Captured out;
  Registers reg(out.file());
  const int kPairs = 20000;
  auto adr = [](int i) { char b[8]; return snprintf(b, sizeof b, "%04X", i), std::string(b); };
  auto seg = [](int i) { return std::string(i % 2 ? kSeg2 : kSeg); };
  auto lab = [](int i) { char b[12]; return snprintf(b, sizeof b, "L%d", i), std::string(b); };
  for (int i = 0; i < kPairs; ++i) {
    reg.codes.addlabel(lab(i).c_str());
    reg.codes.addadr(seg(i).c_str(), adr(i).c_str());
    record(reg.symbols, adr(i).c_str(), seg(i).c_str(), lab(i).c_str());
  }
  CodeLists code(reg.codes, out.file());
  SymbolLists sym(reg.symbols, out.file());
  EXPECT_EQ(entries(sym.stawllist()).size(), size_t(kPairs));
  EXPECT_EQ(entries(code.awllist()).size(), size_t(kPairs));
  for (int i = 0; i < kPairs; i += 7) {
    ASSERT_EQ(code.existadrlab(adr(i).c_str(), seg(i).c_str(), lab(i).c_str()), 1) << i;
    ASSERT_EQ(sym.stexistadrlab(adr(i).c_str(), seg(i).c_str(), lab(i).c_str()), 1) << i;
    ASSERT_EQ(sym.stexistadrlab(adr(i).c_str(), seg(i + 1).c_str(), lab(i).c_str()), 0) << i;
  }
  std::string text = out.text();  // one message per wrong-segment probe, nothing else
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), (kPairs + 6) / 7);
  record(reg.symbols, "0000", kSeg, "L0");
  EXPECT_EQ(out.text().substr(text.size()),
            "Erreur Label L0 dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/0000\n");
}

}  // namespace
}  // namespace romlift
