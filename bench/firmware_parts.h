// The Intel 8080 instruction set, with the 8085's RIM and SIM, as the firmware listings use
// it. The object code of every generated line is computed from these opcodes and the operand
// fields alone: the generator is a reference of its own for the checks on object code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace romlift::bench::firmware {

// How a form's operand is written and where its fields go in the object code.
enum class Form : uint8_t {
  Implied,  // op                  RET, XCHG, RIM
  Reg3,     // op + 8 r            INR r, DCR r
  Reg0,     // op + r              ADD r ... CMP r
  Move,     // 40 + 8 d + s        MOV d,s (never M,M: that is HLT)
  RegImm,   // op + 8 r, n         MVI r,n
  Pair,     // op + 16 p           INX rp (B D H SP)
  PairImm,  // op + 16 p, lo, hi   LXI rp,nn
  PairBD,   // op + 16 p           LDAX rp (B D)
  PairPsw,  // op + 16 p           PUSH rp (B D H PSW)
  Imm,      // op, n               CPI n
  Port,     // op, n               OUT n
  Jump,     // op, lo, hi          JMP a, CALL a
  Memory,   // op, lo, hi          LDA a
  Restart,  // op + 8 n            RST n
  Bytes,    // 1 to 3 bytes        DB
  Word,     // lo, hi              DW
};

struct Op {
  const char* mnemonic;
  Form form;
  uint8_t op;
  uint8_t weight;  // relative frequency in typical firmware
};

// A form's mnemonic, opcode and weight.
struct Member {
  const char* mnemonic;
  uint8_t op;
  uint8_t weight;
};

inline constexpr Member kImplied[] = {
    {"NOP", 0x00, 2},  {"RLC", 0x07, 1},  {"RRC", 0x0F, 1},  {"RAL", 0x17, 1},  {"RAR", 0x1F, 1},
    {"DAA", 0x27, 1},  {"CMA", 0x2F, 1},  {"STC", 0x37, 1},  {"CMC", 0x3F, 1},  {"HLT", 0x76, 1},
    {"RET", 0xC9, 10}, {"XTHL", 0xE3, 1}, {"PCHL", 0xE9, 1}, {"SPHL", 0xF9, 1}, {"XCHG", 0xEB, 2},
    {"DI", 0xF3, 1},   {"EI", 0xFB, 1},   {"RIM", 0x20, 1},  {"SIM", 0x30, 1},
};
inline constexpr Member kReg3[] = {{"INR", 0x04, 4}, {"DCR", 0x05, 5}};
inline constexpr Member kMove[] = {{"MOV", 0x40, 28}};
inline constexpr Member kRegImm[] = {{"MVI", 0x06, 14}};
inline constexpr Member kPair[] = {{"INX", 0x03, 8}, {"DCX", 0x0B, 4}, {"DAD", 0x09, 2}};
inline constexpr Member kPairImm[] = {{"LXI", 0x01, 10}};
inline constexpr Member kPairBD[] = {{"LDAX", 0x0A, 2}, {"STAX", 0x02, 2}};
inline constexpr Member kPairPsw[] = {{"PUSH", 0xC5, 4}, {"POP", 0xC1, 4}};
inline constexpr Member kPort[] = {{"IN", 0xDB, 4}, {"OUT", 0xD3, 6}};
inline constexpr Member kJump[] = {{"JMP", 0xC3, 8}, {"CALL", 0xCD, 16}};
inline constexpr Member kMemory[] = {{"LDA", 0x3A, 4}, {"STA", 0x32, 4}, {"LHLD", 0x2A, 2}, {"SHLD", 0x22, 2}};
inline constexpr Member kRestart[] = {{"RST", 0xC7, 2}};
inline constexpr Member kBytes[] = {{"DB", 0x00, 5}};
inline constexpr Member kWord[] = {{"DW", 0x00, 2}};

// The forms that belong to no family below, by how they are written.
struct Group {
  Form form;
  std::span<const Member> members;
};

inline constexpr Group kGroups[] = {
    {Form::Implied, kImplied}, {Form::Reg3, kReg3},       {Form::Move, kMove},     {Form::RegImm, kRegImm},
    {Form::Pair, kPair},       {Form::PairImm, kPairImm}, {Form::PairBD, kPairBD}, {Form::PairPsw, kPairPsw},
    {Form::Port, kPort},       {Form::Jump, kJump},       {Form::Memory, kMemory}, {Form::Restart, kRestart},
    {Form::Bytes, kBytes},     {Form::Word, kWord},
};

// Eight forms whose opcodes step by 8 from the first one's: bits 3-5 give the operation or
// the condition. A mnemonic is the prefix and the member's name.
struct Family {
  const char* prefix;
  const char* const* names;
  Form form;
  uint8_t first;
  uint8_t weights[8];
};

inline constexpr const char* kConditions[] = {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"};
inline constexpr const char* kAluOps[] = {"ADD", "ADC", "SUB", "SBB", "ANA", "XRA", "ORA", "CMP"};
inline constexpr const char* kAluImmediates[] = {"ADI", "ACI", "SUI", "SBI", "ANI", "XRI", "ORI", "CPI"};

inline constexpr Family kFamilies[] = {
    {"", kAluOps, Form::Reg0, 0x80, {4, 2, 2, 1, 2, 3, 4, 2}},
    {"", kAluImmediates, Form::Imm, 0xC6, {2, 1, 1, 1, 4, 1, 2, 6}},
    {"J", kConditions, Form::Jump, 0xC2, {8, 6, 2, 2, 1, 1, 1, 1}},
    {"C", kConditions, Form::Jump, 0xC4, {1, 1, 1, 1, 1, 1, 1, 1}},
    {"R", kConditions, Form::Implied, 0xC0, {2, 2, 1, 1, 1, 1, 1, 1}},
};

// Register pairs as PUSH and POP name them: the fourth is the accumulator and flags.
inline constexpr const char* kStackPairs[] = {"B", "D", "H", "PSW"};

// Vectors at the start of a section of a given number: 2 to 4 JMPs, three bytes apart.
inline constexpr int vectorCount(uint64_t section) { return 2 + static_cast<int>(section % 3); }

// Operand parts, counted in the listing's statistics.
inline constexpr uint8_t kUsesLabel = 1;
inline constexpr uint8_t kUsesEqu = 2;
inline constexpr uint8_t kUsesDollar = 4;
inline constexpr uint8_t kUsesExpr = 8;

}  // namespace romlift::bench::firmware
