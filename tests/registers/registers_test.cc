// The two label registers: how entries and labels are recorded, what the cross-checks answer
// and print, and how listing lines and symbol-table entries are split into address and label.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "registers/code_register.h"
#include "registers/symbol_register.h"

namespace romlift {
namespace {

using Strings = std::vector<std::string>;
using namespace std::string_literals;

// Collects what a register prints.
struct Capture {
  char* buf = nullptr;
  size_t len = 0;
  FILE* f = open_memstream(&buf, &len);
  ~Capture() { fclose(f), free(buf); }
  std::string text() { return fflush(f), std::string(buf, len); }
};

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

TEST(CodeRegister, PendingLabelsJoinTheNextEntryNewestFirst) {
  Capture out;
  CodeRegister reg(out.f);
  for (const char* l : {"L1", "L2", "L3"}) reg.addlabel(l);
  reg.addadr(kSeg, "C000");
  EXPECT_EQ(reg.llist(), nullptr);
  reg.addlabel("SOLO");
  reg.addadr(kSeg, "C003");
  EXPECT_EQ(reg.llist(), nullptr);
  EXPECT_EQ(entries(reg.awllist()), (Strings{kSeg + "/C003:SOLO,"s, kSeg + "/C000:L3,L2,L1,"s}));
  EXPECT_EQ(out.text(), "");
}

// The register logs its calls and builds the lists when they are read: reads between calls,
// across many log chunks, must see exactly the calls made so far, the index included.
TEST(CodeRegister, ReadsBetweenCallsSeeEveryCallSoFar) {
  Capture out;
  CodeRegister reg(out.f);
  Strings want;         // newest first, as entries() shows the register
  std::string pending;  // labels not yet in an entry, newest first
  for (int i = 0; i < 2000; ++i) {
    char adr[8], lab[8];
    snprintf(adr, sizeof adr, "%04X", i);
    snprintf(lab, sizeof lab, "L%d", i);
    const char* seg = i % 300 < 150 ? kSeg : kSeg2;
    switch (i % 3) {
      case 0:
        reg.addlabel(lab);
        pending = lab + ","s + pending;
        break;
      case 1:
        reg.addadr(seg, adr);
        want.insert(want.begin(), seg + "/"s + adr + ":" + pending);
        pending.clear();
        break;
      case 2: {
        ShortText a = {}, l = {};
        std::strcpy(a, adr), std::strcpy(l, lab);
        reg.addLabelledLine(seg, a, l);
        want.insert(want.begin(), seg + "/"s + adr + ":" + lab + "," + pending);
        pending.clear();
        break;
      }
    }
    if (i % 7 == 0 || i > 1990) {
      ASSERT_EQ(entries(reg.awllist()), want) << i;
      std::string got;
      for (const LabelNode* n = reg.llist(); n; n = n->next) got += n->label + ","s;
      ASSERT_EQ(got, pending) << i;
    }
    if (i % 3 == 2 && i % 11 == 0) {
      ASSERT_EQ(reg.existadrlab(adr, seg, lab), 1) << i;
    }
  }
  EXPECT_EQ(out.text(), "");
}

TEST(CodeRegister, CrossCheckAnswersFromTheNewestEntryOfThePair) {
  Capture out;
  CodeRegister reg(out.f);
  const char* lines[][3] = {{kSeg, "C000", "OLD"}, {kSeg, "C000", "NEW"},  // same pair twice
                            {kSeg2, "C000", "LOOP  "}, {"0-1", "C000", "X"}};
  for (auto& l : lines) reg.addlabel(l[2]), reg.addadr(l[0], l[1]);
  ASSERT_EQ(entries(reg.awllist()).size(), 4u);
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
    EXPECT_EQ(reg.existadrlab(c.adr, c.seg, c.label), c.want);
    EXPECT_EQ(out.text().substr(before), c.msg);
  }
}

TEST(CodeAndSymbolRegisters, StoreCopiesOfTheCallersTexts) {
  Capture out;
  CodeRegister code(out.f);
  SymbolRegister sym(out.f);
  char adr[5] = "C000", seg[12] = "0C000-0C7FF", lab[7] = "START";
  code.addlabel(lab);
  code.addadr(seg, adr);
  sym.stajouteadrlab(adr, seg);
  sym.staddlab(adr, seg, lab);
  strcpy(adr, "FFFF"), strcpy(seg, "0F000-0F7FF"), strcpy(lab, "ZZZZZZ");
  EXPECT_EQ(entries(code.awllist()), Strings{"0C000-0C7FF/C000:START,"});
  EXPECT_EQ(entries(sym.stawllist()), Strings{"0C000-0C7FF/C000:START,"});
  EXPECT_EQ(code.existadrlab("C000", kSeg, "START"), 1);
  EXPECT_EQ(sym.stexistadrlab("C000", kSeg, "START"), 1);
  EXPECT_EQ(sym.stexistadr("FFFF", "0F000-0F7FF"), 0);
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
  explicit InBuffer(const std::string& text) : bytes_(text + '\0' + std::string(48, 'X')) {
    for (size_t i = text.size() + 2; i < bytes_.size(); i += 3) bytes_[i] = ' ';
  }
  const char* text() const { return bytes_.data(); }

 private:
  std::string bytes_;
};

// The split's words hold the text and zeros after it: they are hashed and compared whole.
void expectPadded(const ShortText& got, const char* want, bool lengthKnown) {
  EXPECT_EQ(std::string(got, sizeof got), std::string(want) + std::string(8 - strlen(want), '\0'))
      << (lengthKnown ? "with the length" : "without the length");
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
    // The run gives the length it knows; both ways must agree, zero bytes included, and leave
    // the words zero-padded (they are hashed and compared whole).
    for (bool lengthKnown : {false, true}) {
      ShortText adr, lab;
      memset(adr, '#', sizeof adr), memset(lab, '#', sizeof lab);
      if (lengthKnown) {
        InBuffer token(c.line);
        copyadr(token.text() + 4, c.line.size() - 4, adr, lab);
      } else {
        copyadr(c.line.c_str() + 4, adr, lab);
      }
      expectPadded(adr, c.adr, lengthKnown);
      expectPadded(lab, c.lab, lengthKnown);
    }
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
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    for (bool lengthKnown : {false, true}) {
      ShortText adr, lab;
      memset(adr, '#', sizeof adr), memset(lab, '#', sizeof lab);
      if (lengthKnown) {
        InBuffer token(c.text);
        stlabadr(token.text(), c.text.size(), adr, lab);
      } else {
        stlabadr(c.text.c_str(), adr, lab);
      }
      expectPadded(lab, c.lab, lengthKnown);
      expectPadded(adr, c.adr, lengthKnown);
    }
  }
}

// The run's order for one symbol-table entry (address, segment, label).
void record(SymbolRegister& reg, const std::string& a, const std::string& s, const char* l) {
  if (!reg.stexistadr(a.c_str(), s.c_str())) reg.stajouteadrlab(a.c_str(), s.c_str());
  reg.staddlab(a.c_str(), s.c_str(), l);
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
  // The run's own way keeps compact records until the lists are read; both ways must agree.
  for (const auto& c : cases) {
    for (bool runsWay : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (runsWay ? ", as the run records" : ""));
      Capture out;
      SymbolRegister reg(out.f);
      for (const auto& e : c.input) {
        if (runsWay) {
          ShortText a = {}, l = {};
          std::strncpy(a, e[0], sizeof a - 1), std::strncpy(l, e[2], sizeof l - 1);
          reg.record(a, e[1], l);
        } else {
          record(reg, e[0], e[1], e[2]);
        }
      }
      EXPECT_EQ(out.text(), c.msg);  // duplicates are told as they come, before any read
      EXPECT_EQ(entries(reg.stawllist()), c.want);
    }
  }
}

// Many entries, over many log chunks and two segments, some addresses and labels repeated:
// the run's compact records must read back as the general calls build the lists.
TEST(SymbolRegister, CompactRecordsReadBackAsTheGeneralCalls) {
  Capture outRun, outCalls;
  SymbolRegister run(outRun.f), calls(outCalls.f);
  for (int i = 0; i < 3000; ++i) {
    ShortText a = {}, l = {};
    snprintf(a, sizeof a, "%04X", i % 700);  // later entries go back to earlier addresses
    snprintf(l, sizeof l, "L%d", i % 1400);  // and from i = 1400 on, labels come again
    const char* seg = i / 100 % 2 ? kSeg2 : kSeg;
    run.record(a, seg, l);
    record(calls, a, seg, l);
  }
  EXPECT_EQ(outRun.text(), outCalls.text());
  EXPECT_NE(outRun.text(), "");
  EXPECT_EQ(entries(run.stawllist()), entries(calls.stawllist()));
}

TEST(SymbolRegister, CrossCheck) {
  Capture out;
  SymbolRegister reg(out.f);
  record(reg, "C000", kSeg, "START");
  reg.stajouteadrlab("C100", kSeg);     // entry without labels
  reg.staddlab("C200", kSeg, "ORPHAN");  // no entry yet: the label is kept in a new one
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
    EXPECT_EQ(reg.stexistadr(c.adr, c.seg), c.exist);
    EXPECT_EQ(reg.stexistadrlab(c.adr, c.seg, c.label), c.want);
    EXPECT_EQ(out.text().substr(before), c.msg);
  }
}

TEST(CodeAndSymbolRegisters, ManyPairsStayDistinct) {
  Capture out;
  CodeRegister code(out.f);
  SymbolRegister sym(out.f);
  const int kPairs = 20000;
  auto adr = [](int i) { char b[8]; return snprintf(b, sizeof b, "%04X", i), std::string(b); };
  auto seg = [](int i) { return std::string(i % 2 ? kSeg2 : kSeg); };
  auto lab = [](int i) { char b[12]; return snprintf(b, sizeof b, "L%d", i), std::string(b); };
  for (int i = 0; i < kPairs; ++i) {
    code.addlabel(lab(i).c_str());
    code.addadr(seg(i).c_str(), adr(i).c_str());
    record(sym, adr(i), seg(i), lab(i).c_str());
  }
  EXPECT_EQ(entries(sym.stawllist()).size(), size_t(kPairs));
  EXPECT_EQ(entries(code.awllist()).size(), size_t(kPairs));
  for (int i = 0; i < kPairs; i += 7) {
    ASSERT_EQ(code.existadrlab(adr(i).c_str(), seg(i).c_str(), lab(i).c_str()), 1) << i;
    ASSERT_EQ(sym.stexistadrlab(adr(i).c_str(), seg(i).c_str(), lab(i).c_str()), 1) << i;
    ASSERT_EQ(sym.stexistadrlab(adr(i).c_str(), seg(i + 1).c_str(), lab(i).c_str()), 0) << i;
  }
  std::string text = out.text();  // one message per wrong-segment probe, nothing else
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), (kPairs + 6) / 7);
  record(sym, "0000", kSeg, "L0");
  EXPECT_EQ(out.text().substr(text.size()),
            "Erreur Label L0 dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/0000\n");
}

// The run records symbol-table entries and labelled code lines through padded-word shortcuts;
// whatever way an entry came in, the other way must find it and report the same duplicates.
TEST(Registers, ShortcutsAgreeWithTheGeneralCalls) {
  const char* adrs[] = {"C000", "", "7", "ABCDEFG", "C00", "0000"};
  for (bool shortcutFirst : {true, false}) {
    SCOPED_TRACE(shortcutFirst ? "shortcut first" : "general calls first");
    Capture out;
    SymbolRegister sym(out.f);
    CodeRegister code(out.f);
    auto add = [&](const char* a, bool shortcut) {
      if (shortcut) {
        ShortText w = {}, l = "LAB";
        std::strncpy(w, a, sizeof w - 1);
        sym.record(w, kSeg, l);
        code.addLabelledLine(kSeg, w, l);
      } else {
        record(sym, a, kSeg, "LAB");
        code.addlabel("LAB");
        code.addadr(kSeg, a);
      }
    };
    for (const char* a : adrs) add(a, shortcutFirst);
    for (const char* a : adrs) add(a, !shortcutFirst);
    EXPECT_EQ(entries(sym.stawllist()).size(), std::size(adrs));
    for (const char* a : adrs) {
      EXPECT_EQ(sym.stexistadrlab(a, kSeg, "LAB"), 1) << a;
      EXPECT_EQ(code.existadrlab(a, kSeg, "LAB"), 1) << a;
    }
    std::string text = out.text();  // the second round is all duplicates
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::ssize(adrs)) << text;
  }
}

}  // namespace
}  // namespace romlift
