// The 8080/8085 table against an independent disassembler: dz80, from Debian's d52 package.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "isa/instruction_set.h"
#include "isa/intel8080.h"
#include "support/prerequisites.h"

namespace romlift::isa {
namespace {

namespace fs = std::filesystem;

// Every opcode is written as opcode, 34H, 12H, after one leading RET (dz80 drops a zero byte at
// the start of a file). 34H (INR M) and 12H (STAX D) are one-byte instructions, so the next
// opcode is always read as one, whatever the length of the one before.
constexpr unsigned kFirstOpcodeAddress = 1;
constexpr unsigned kStride = 3;

struct Disassembled {
  std::string mnemonic;
  std::string operand;
  std::vector<uint8_t> bytes;
};

// A line such as "\tLXI\tB,X1234\t\t; 0004  01 34 12\t.4.": dz80 with -u -d.
bool parseLine(const std::string& line, unsigned& address, Disassembled& out) {
  size_t semi = line.find(';');
  if (line.empty() || line[0] != '\t' || semi == std::string::npos) return false;
  out = {};
  std::istringstream left(line.substr(1, semi - 1));
  left >> out.mnemonic >> out.operand;
  std::istringstream right(line.substr(semi + 1, line.find('\t', semi) - semi - 1));
  right >> std::hex >> address;
  for (unsigned b; right >> b;) out.bytes.push_back(static_cast<uint8_t>(b));
  // dz80 names each address an operand refers to X followed by its four digits.
  if (size_t x = out.operand.find("X1234"); x != std::string::npos) out.operand.replace(x, 5, "1234H");
  return !out.bytes.empty();
}

// What dz80 makes of each opcode, for its 8080 (-80) or 8085 (-85) mnemonics.
std::map<unsigned, Disassembled> disassemble(const std::string& option, const std::string& extension) {
  std::string dir = testing::TempDir() + "isa_dz80_XXXXXX";
  if (!mkdtemp(dir.data())) return {};
  {
    std::ofstream bin(fs::path(dir) / "ops.bin", std::ios::binary);
    bin.put(static_cast<char>(0xC9));
    for (unsigned op = 0; op < 256; ++op) bin << static_cast<char>(op) << '\x34' << '\x12';
  }
  // dz80 takes a '/' in its arguments for an option, so it runs in the folder, on a bare name.
  std::string command = "cd '" + dir + "' && dz80 " + option + " -u -d ops.bin >/dev/null 2>&1";
  std::map<unsigned, Disassembled> byOpcode;
  if (std::system(command.c_str()) == 0) {
    std::ifstream listing(fs::path(dir) / ("ops." + extension));
    Disassembled d;
    unsigned address = 0;
    for (std::string line; std::getline(listing, line);)
      if (parseLine(line, address, d) && address >= kFirstOpcodeAddress &&
          (address - kFirstOpcodeAddress) % kStride == 0)
        byOpcode[d.bytes[0]] = d;
  }
  fs::remove_all(dir);
  return byOpcode;
}

// Operands to try with every mnemonic of the table, to find each opcode it can give.
std::vector<std::string> candidateOperands() {
  const char* regs[] = {"B", "C", "D", "E", "H", "L", "M", "A"};
  std::vector<std::string> out = {"", "SP", "PSW", "34H", "1234H", "SP,1234H", "PSW,1234H", "8"};
  for (const char* r : regs) {
    out.push_back(r);
    out.push_back(std::string(r) + ",34H");
    for (const char* s : regs) out.push_back(std::string(r) + "," + s);
  }
  for (char n = '0'; n <= '7'; ++n) out.push_back(std::string(1, n));
  return out;
}

struct Dialect {
  const char* set;
  const char* option;
  const char* extension;
};

// How gtest shows the parameter beside the test's name: the instruction set and dz80's option,
// the same in every build, rather than the bytes of the struct's pointers.
void PrintTo(const Dialect& d, std::ostream* os) { *os << d.set << " (dz80 " << d.option << ")"; }

class Dz80Agreement : public testing::TestWithParam<Dialect> {};

TEST_P(Dz80Agreement, EveryOpcodeAgreesBothWays) {
  ROMLIFT_SKIP_WITHOUT(kDz80);
  const InstructionSet& set = *findInstructionSet(GetParam().set);
  std::map<unsigned, Disassembled> dz80 = disassemble(GetParam().option, GetParam().extension);
  ASSERT_EQ(dz80.size(), 256u) << "dz80 did not give every opcode";

  // Every real instruction dz80 shows encodes, from its own text, to the bytes dz80 read.
  std::set<unsigned> real;
  for (const auto& [op, d] : dz80) {
    if (d.mnemonic == "DB") continue;
    real.insert(op);
    uint16_t address = static_cast<uint16_t>(kFirstOpcodeAddress + kStride * op);
    Expected e = set.expected({d.mnemonic, d.operand, address}, NoLabels{});
    ASSERT_EQ(e.verdict, Verdict::kExpected) << d.mnemonic << ' ' << d.operand;
    EXPECT_TRUE(e.operandKnown) << d.mnemonic << ' ' << d.operand;
    EXPECT_EQ(std::vector<uint8_t>(e.bytes.begin(), e.bytes.begin() + e.length), d.bytes)
        << d.mnemonic << ' ' << d.operand;
  }

  // Every opcode the table can give is one that dz80 shows with the same mnemonic and length.
  std::set<unsigned> encoded;
  for (const InstructionRow& row : intel8080Rows()) {
    for (const std::string& operand : candidateOperands()) {
      Expected e = set.expected({row.mnemonic, operand, 0}, NoLabels{});
      if (e.verdict != Verdict::kExpected) continue;
      const Disassembled& d = dz80[e.bytes[0]];
      EXPECT_EQ(d.mnemonic, row.mnemonic) << "opcode " << unsigned{e.bytes[0]} << " from " << operand;
      EXPECT_EQ(d.bytes.size(), e.length) << row.mnemonic << ' ' << operand;
      encoded.insert(e.bytes[0]);
    }
  }
  EXPECT_EQ(encoded, real);
}

INSTANTIATE_TEST_SUITE_P(Isa, Dz80Agreement,
                         testing::Values(Dialect{"8080", "-80", "d80"}, Dialect{"8085", "-85", "d85"}),
                         [](const auto& info) { return std::string("i") + info.param.set; });

// The 8085's two additions, by their published opcodes; the 8080 knows neither.
TEST(Isa8085, RimAndSimOnlyOn8085) {
  const InstructionSet& i8085 = *findInstructionSet("8085");
  const InstructionSet& i8080 = *findInstructionSet("8080");
  for (auto [mnemonic, opcode] : {std::pair{"RIM", 0x20}, std::pair{"SIM", 0x30}}) {
    Expected e = i8085.expected({mnemonic, "", 0}, NoLabels{});
    EXPECT_EQ(e.verdict, Verdict::kExpected);
    EXPECT_EQ(e.length, 1);
    EXPECT_EQ(e.bytes[0], opcode);
    EXPECT_EQ(i8080.expected({mnemonic, "", 0}, NoLabels{}).verdict, Verdict::kUnknownMnemonic);
  }
}

}  // namespace
}  // namespace romlift::isa
