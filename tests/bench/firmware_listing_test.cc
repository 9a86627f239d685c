// The firmware listing: romlift takes it whole, the same seed gives the same text, and every
// code line's object code encodes its instruction and operand, as dz80 and an evaluator of
// this test's own read them.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "listing_gen.h"
#include "support/prerequisites.h"
#include "support/run_binary.h"

#include <unistd.h>

namespace romlift {
namespace {

struct CodeLine {
  size_t section;
  size_t line;  // input line, from 0
  unsigned address;
  std::string object, label, mnemonic, operand;
};

struct Definition {
  unsigned value;
  size_t line;
  bool constant;  // an EQU
};

struct Section {
  std::map<std::string, Definition> defined;
  std::vector<std::pair<std::string, unsigned>> table;
  bool hasTable = false;
};

struct Parsed {
  std::vector<CodeLine> code;
  std::vector<Section> sections;
  std::map<std::string, std::vector<unsigned>> everywhere;  // every value each name is given
  std::map<std::string, int> seen;                          // features met, and how often
};

std::string field(std::string_view s, size_t from, size_t to) {
  std::string f(s.substr(std::min(from, s.size()), to - from));
  while (!f.empty() && f.back() == ' ') f.pop_back();
  return f;
}

bool allOf(std::string_view s, size_t from, size_t n, const char* set) {
  return s.size() >= from + n && s.substr(from, n).find_first_not_of(set) == std::string_view::npos;
}

constexpr const char* kHex = "0123456789ABCDEF";

unsigned hexValue(std::string_view s) { return static_cast<unsigned>(std::stoul(std::string(s), nullptr, 16)); }

Parsed parse(std::string_view text) {
  Parsed p;
  std::vector<std::string> waiting;  // label-only lines before their code line
  bool inTable = false;
  size_t n = 0;
  auto define = [&](const std::string& name, unsigned value, bool constant = false) {
    p.sections.back().defined[name] = {value, n, constant};
    p.everywhere[name].push_back(value);
  };
  for (size_t at = 0; at < text.size(); ++n) {
    size_t nl = text.find('\n', at);
    std::string_view s = text.substr(at, nl - at);
    at = nl + 1;
    if (s.starts_with("PAGE 01    KEZ FIRMWARE ")) {
      p.sections.emplace_back();
      inTable = false;
    } else if (s == "* S Y M B O L   T A B L E *") {
      inTable = p.sections.back().hasTable = true;
    } else if (inTable && !s.empty() && s[0] != '*' && !s.starts_with("PAGE ")) {
      for (size_t i = 0; i + 11 <= s.size(); i += 12)
        p.sections.back().table.emplace_back(field(s, i, i + 7), hexValue(s.substr(i + 7, 4)));
    } else if (allOf(s, 0, 3, "0123456789") && !inTable) {
      std::string label = field(s, 20, 28), mnemonic = field(s, 28, 34);
      if (mnemonic == "EQU" || mnemonic == "DS") {
        ++p.seen[mnemonic == "EQU" ? "EQU line" : label.empty() ? "DS line without label" : "DS line"];
        if (!label.empty()) define(label, hexValue(s.substr(4, 4)), mnemonic == "EQU");
      } else if (allOf(s, 4, 4, kHex) && allOf(s, 9, 2, kHex)) {
        CodeLine c{p.sections.size() - 1, n, hexValue(s.substr(4, 4)), field(s, 9, 20), label, mnemonic,
                   field(s, 34, 44)};
        if (!label.empty()) define(label, c.address);
        for (const std::string& w : waiting) define(w, c.address);
        if (!waiting.empty()) ++p.seen["two labels on one address"];
        waiting.clear();
        p.code.push_back(std::move(c));
      } else if (s.size() > 20 && s[20] != '*' && s[20] != ' ' && field(s, 0, 20).size() == 3) {
        waiting.push_back(field(s, 20, 28));
      }
    }
  }
  return p;
}

// The value of a term or a sum of terms: numbers in every notation, characters, `$` and names.
class Evaluator {
 public:
  Evaluator(Parsed& p, const CodeLine& line) : p_(p), line_(line) {}

  unsigned value(std::string_view expr) {
    unsigned total = 0;
    int sign = 1;
    for (size_t i = 0; i < expr.size();) {
      size_t end = expr[i] == '\'' ? closingQuote(expr, i) : expr.find_first_of("+-", i + 1);
      if (end == std::string_view::npos) end = expr.size();
      if (i > 0) ++p_.seen[sign > 0 ? "term + n" : "term - n"];
      total += static_cast<unsigned>(sign) * term(expr.substr(i, end - i));
      if (end < expr.size()) sign = expr[end] == '+' ? 1 : -1;
      i = end + 1;
    }
    return total;
  }

  static size_t closingQuote(std::string_view s, size_t open) {
    for (size_t i = open + 1; i < s.size(); ++i) {
      if (s[i] != '\'') continue;
      if (i + 1 < s.size() && s[i + 1] == '\'') {
        ++i;
        continue;
      }
      return i + 1;
    }
    return s.size();
  }

 private:
  unsigned term(std::string_view t) {
    if (t == "$") return ++p_.seen["$"], line_.address;
    if (t == "''''") return ++p_.seen["quote character"], '\'';
    if (t.size() == 3 && t[0] == '\'') return ++p_.seen["character"], static_cast<unsigned char>(t[1]);
    if (t[0] >= '0' && t[0] <= '9') return number(t);
    return name(std::string(t));
  }

  unsigned number(std::string_view t) {
    struct Radix {
      char suffix;
      int base;
      const char* feature;
    };
    for (Radix r : {Radix{'H', 16, "hex"}, {'B', 2, "binary"}, {'Q', 8, "octal Q"}, {'O', 8, "octal O"}}) {
      if (t.back() == r.suffix) {
        ++p_.seen[r.feature];
        return static_cast<unsigned>(std::stoul(std::string(t.substr(0, t.size() - 1)), nullptr, r.base));
      }
    }
    ++p_.seen["decimal"];
    return static_cast<unsigned>(std::stoul(std::string(t)));
  }

  unsigned name(const std::string& n) {
    const Section& own = p_.sections[line_.section];
    if (auto it = own.defined.find(n); it != own.defined.end()) {
      ++p_.seen[it->second.constant            ? "EQU constant"
                : it->second.line < line_.line ? "label defined above"
                                               : "label defined below"];
      return it->second.value;
    }
    const std::vector<unsigned>& values = p_.everywhere[n];
    EXPECT_EQ(values.size(), 1u) << n << " on input line " << line_.line + 1 << " is not one other section's";
    ++p_.seen["label of another section"];
    return values.empty() ? 0 : values[0];
  }

  Parsed& p_;
  const CodeLine& line_;
};

// Operand items, split at the commas outside quotes.
std::vector<std::string> items(std::string_view operand) {
  std::vector<std::string> out;
  for (size_t i = 0; i < operand.size();) {
    size_t end = i;
    while (end < operand.size() && operand[end] != ',')
      end = operand[end] == '\'' ? Evaluator::closingQuote(operand, end) : end + 1;
    out.emplace_back(operand.substr(i, end - i));
    i = end + 1;
  }
  return out;
}

bool isRegister(const std::string& item) {
  static const std::set<std::string> kNames = {"B", "C", "D", "E", "H", "L", "M", "A", "SP", "PSW"};
  return kNames.count(item) != 0;
}

std::string objectBytes(const CodeLine& c) {
  std::string bytes;
  for (size_t i = 0; i + 1 < c.object.size(); i += 2) bytes += static_cast<char>(hexValue(c.object.substr(i, 2)));
  return bytes;
}

const std::string& firmwareListing() {
  static const std::string text = [] {
    bench::GenOptions options;
    options.variant = bench::Variant::Firmware;
    options.seed = 7;
    options.minBytes = 1 << 20;
    return bench::makeListing(options);
  }();
  return text;
}

TEST(FirmwareListing, RomliftTakesEveryLineAndWritesTheObjectCodeInOrder) {
  bench::GenOptions options;
  options.variant = bench::Variant::Firmware;
  options.seed = 7;
  options.minBytes = 1 << 18;
  bench::GenStats stats;
  std::string listing = bench::makeListing(options, &stats);
  std::string object;
  for (const CodeLine& c : parse(listing).code) object += objectBytes(c);
  test::RunResult r = test::runRomlift(listing);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "Nb car écrits : " + std::to_string(stats.objectBytes) + "\n");
  EXPECT_EQ(object.size(), stats.objectBytes);
  EXPECT_EQ(r.contents["511_CodeObjet.bin"] + r.contents["514_CodeObjet.bin"] + r.contents["512_CodeObjet.bin"],
            object);

  EXPECT_EQ(bench::makeListing(options), listing) << "the same seed gives the same listing";
  options.seed = 8;
  EXPECT_NE(bench::makeListing(options), listing);
  uint64_t h = 1469598103934665603ULL;
  for (char ch : listing) h = (h ^ static_cast<unsigned char>(ch)) * 1099511628211ULL;
  EXPECT_EQ(h, 0x8C339F5D99A5DA13ULL) << "the listing's checksum: a change to the generator changes it";
}

TEST(FirmwareListing, DataLinesAndSymbolTablesAgreeWithTheLabels) {
  Parsed p = parse(firmwareListing());
  for (const CodeLine& c : p.code) {
    if (c.mnemonic != "DB" && c.mnemonic != "DW") continue;
    std::string expected;
    for (const std::string& item : items(c.operand)) {
      if (c.mnemonic == "DB" && item.size() > 3 && item[0] == '\'' && item != "''''") {
        ++p.seen["DB string"];
        for (size_t i = 1; i + 1 < item.size(); ++i) expected += static_cast<char>(item[i]);
        continue;
      }
      unsigned v = Evaluator(p, c).value(item);
      expected += static_cast<char>(v & 0xFF);
      if (c.mnemonic == "DW") expected += static_cast<char>((v >> 8) & 0xFF);
    }
    EXPECT_EQ(objectBytes(c), expected) << "input line " << c.line + 1 << ": " << c.mnemonic << " " << c.operand;
    ++p.seen[c.mnemonic + (items(c.operand).size() > 1 ? " list" : "")];
  }
  for (const Section& s : p.sections) {
    if (!s.hasTable) {
      ++p.seen["section without symbol table"];
      continue;
    }
    std::vector<std::pair<std::string, unsigned>> defined;
    for (const auto& [name, d] : s.defined) defined.emplace_back(name, d.value);
    EXPECT_EQ(s.table, defined);
  }
  for (const char* feature : {"EQU line", "DS line", "DS line without label", "DB string", "DB list", "DW",
                              "two labels on one address", "section without symbol table"}) {
    EXPECT_GT(p.seen[feature], 0) << feature;
  }
}

// dz80's value of an operand: 0ABH as 0abh, 12 as 12, an address as a name like X1234.
unsigned dz80Value(const std::string& item) {
  if (item.back() == 'h') return static_cast<unsigned>(std::stoul(item.substr(0, item.size() - 1), nullptr, 16));
  if (item[0] >= '0' && item[0] <= '9') return static_cast<unsigned>(std::stoul(item));
  return static_cast<unsigned>(std::stoul(item.substr(1), nullptr, 16));
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct Disassembled {
  unsigned offset;
  std::string mnemonic;  // upper case
  std::string operand;
};

// dz80 -85 (the 8080 mnemonics with RIM and SIM) over the bytes, all taken for code.
std::vector<Disassembled> dz80(const std::string& bytes) {
  auto dir = std::filesystem::temp_directory_path() / ("romlift-dz80-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "fw.bin", std::ios::binary) << bytes;
  // Without it dz80 takes some FF bytes for unprogrammed ROM and leaves them out.
  char range[32];
  std::snprintf(range, sizeof range, "c 0000-%04zx\n", bytes.size() - 1);
  std::ofstream(dir / "fw.ctl") << range;
  std::string command = "cd '" + dir.string() + "' && dz80 -85 -d fw.bin b >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::vector<Disassembled> out;
  std::ifstream in(dir / "fw.d85");
  for (std::string s; std::getline(in, s);) {
    // [label:]<tab>mnemonic[<tab>operand]<tabs>; OFFSET  bytes
    size_t tab = s.find('\t'), note = s.find("\t; ");
    if (s.empty() || s[0] == ';' || tab == std::string::npos || note == std::string::npos) continue;
    std::string text = s.substr(tab + 1, note - tab - 1);
    while (!text.empty() && text.back() == '\t') text.pop_back();
    size_t split = std::min(text.find('\t'), text.size());
    out.push_back({static_cast<unsigned>(std::stoul(s.substr(note + 3, 4), nullptr, 16)), upper(text.substr(0, split)),
                   text.substr(std::min(split + 1, text.size()))});
  }
  std::filesystem::remove_all(dir);
  return out;
}

// Every 8080 instruction form with its registers, written out apart from the generator's tables.
std::set<std::string> everyForm() {
  std::set<std::string> forms = {"NOP", "RLC", "RRC",  "RAL",  "RAR",  "DAA",  "CMA",  "STC", "CMC",
                                 "HLT", "RET", "XTHL", "PCHL", "SPHL", "XCHG", "DI",   "EI",  "RIM",
                                 "SIM", "ADI", "ACI",  "SUI",  "SBI",  "ANI",  "XRI",  "ORI", "CPI",
                                 "IN",  "OUT", "JMP",  "CALL", "LDA",  "STA",  "LHLD", "SHLD"};
  for (std::string cc : {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"}) {
    for (const char* prefix : {"J", "C", "R"}) forms.insert(prefix + cc);
  }
  const std::string regs = "BCDEHLMA";
  for (char r : regs) {
    for (std::string m : {"INR ", "DCR ", "ADD ", "ADC ", "SUB ", "SBB ", "ANA ", "XRA ", "ORA ", "CMP ", "MVI "})
      forms.insert(m + r);
    for (char s : regs) {
      if (r != 'M' || s != 'M') forms.insert(std::string("MOV ") + r + "," + s);
    }
  }
  for (std::string m : {"LXI ", "INX ", "DCX ", "DAD "}) {
    for (const char* rp : {"B", "D", "H", "SP"}) forms.insert(m + rp);
  }
  for (std::string m : {"LDAX ", "STAX "}) {
    for (const char* rp : {"B", "D"}) forms.insert(m + rp);
  }
  for (std::string m : {"PUSH ", "POP "}) {
    for (const char* rp : {"B", "D", "H", "PSW"}) forms.insert(m + rp);
  }
  for (char n = '0'; n <= '7'; ++n) forms.insert(std::string("RST ") + n);
  return forms;
}

// The instruction lines' object code, one after the other, as dz80 reads it: mnemonic,
// registers and values line by line, values as this test evaluates the operands.
TEST(FirmwareListing, Dz80ReadsEveryInstructionAsWritten) {
  ROMLIFT_SKIP_WITHOUT(kDz80);
  Parsed p = parse(firmwareListing());
  std::map<unsigned, const CodeLine*> at;  // offset in the disassembled bytes
  std::string bytes;
  for (const CodeLine& c : p.code) {
    if (c.mnemonic == "DB" || c.mnemonic == "DW") continue;
    at[static_cast<unsigned>(bytes.size())] = &c;
    bytes += objectBytes(c);
  }
  std::vector<Disassembled> lines = dz80(bytes);
  std::set<std::string> forms;
  for (const Disassembled& d : lines) {
    auto it = at.find(d.offset);
    ASSERT_NE(it, at.end()) << "dz80 split an instruction at " << d.offset;
    const CodeLine& c = *it->second;
    SCOPED_TRACE("input line " + std::to_string(c.line + 1) + ": " + c.mnemonic + " " + c.operand + " / " + d.operand);
    EXPECT_EQ(d.mnemonic, c.mnemonic);
    std::vector<std::string> ours = items(c.operand), theirs = items(d.operand);
    ASSERT_EQ(ours.size(), theirs.size());
    bool registers = !ours.empty() && (isRegister(ours[0]) || c.mnemonic == "RST");
    for (size_t i = 0; i < ours.size(); ++i) {
      if (isRegister(ours[i]) || c.mnemonic == "RST") {
        EXPECT_EQ(upper(theirs[i]), ours[i]);
      } else {
        unsigned mask = c.object.size() == 4 ? 0xFF : 0xFFFF;
        EXPECT_EQ(dz80Value(theirs[i]), Evaluator(p, c).value(ours[i]) & mask);
      }
    }
    forms.insert(c.mnemonic == "MOV" ? "MOV " + c.operand : registers ? c.mnemonic + " " + ours[0] : c.mnemonic);
  }
  EXPECT_EQ(lines.size(), at.size()) << "dz80 gave every instruction";
  EXPECT_EQ(forms, everyForm());
  for (const char* feature :
       {"hex", "decimal", "binary", "octal Q", "octal O", "character", "quote character", "$", "term + n", "term - n",
        "EQU constant", "label defined above", "label defined below", "label of another section"}) {
    EXPECT_GT(p.seen[feature], 0) << feature;
  }
}

}  // namespace
}  // namespace romlift
