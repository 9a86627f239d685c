// Building blocks of the generated listings: the random number generator, the 8080
// instruction shapes and the words that labels and comments are made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace romlift::bench::parts {

// splitmix64: small, fast and the same on every platform.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}

  uint64_t next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 to n - 1.
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(((next() >> 32) * n) >> 32); }
  // lo to hi, both included.
  int range(int lo, int hi) { return lo + static_cast<int>(below(static_cast<uint32_t>(hi - lo + 1))); }
  // True with probability percent / 100.
  bool percent(uint32_t percent) { return below(100) < percent; }

 private:
  uint64_t s_;
};

// Columns of the listing layout, counted from 0.
inline constexpr size_t kObjectCol = 9;
inline constexpr size_t kLabelCol = 20;
inline constexpr size_t kMnemonicCol = 28;
inline constexpr size_t kOperandCol = 34;
inline constexpr size_t kCommentCol = 44;
inline constexpr size_t kMaxOperand = 8;  // characters, no blank among them

inline constexpr size_t kFlushAt = 1 << 20;
inline constexpr uint32_t kDamagePercent = 5;

// 8080 instruction shapes: how the operand is written and how the object code is formed.
enum class Shape : uint8_t {
  None,     // op
  RegHigh,  // op + 8 r           INR r
  RegLow,   // op + r             ADD r
  Pair,     // op + 16 p          INX rp
  Move,     // 40 + 8 d + s       MOV d,s
  RegImm,   // op + 8 r, n        MVI r,n
  Imm,      // op, n              CPI n
  Port,     // op, n              OUT n
  Address,  // op, lo, hi         JMP a
  PairImm,  // op + 16 p, lo, hi  LXI rp,nn
  Data,     // 1 to 3 data bytes  DB
};

struct Insn {
  const char* mnemonic;
  Shape shape;
  uint8_t op;
  int weight;  // relative frequency in typical firmware
};

inline constexpr Insn kInsns[] = {
    {"MOV", Shape::Move, 0x40, 28},     {"MVI", Shape::RegImm, 0x06, 14}, {"LXI", Shape::PairImm, 0x01, 10},
    {"CALL", Shape::Address, 0xCD, 16}, {"JMP", Shape::Address, 0xC3, 8}, {"JZ", Shape::Address, 0xCA, 6},
    {"JNZ", Shape::Address, 0xC2, 8},   {"JC", Shape::Address, 0xDA, 2},  {"JNC", Shape::Address, 0xD2, 2},
    {"CZ", Shape::Address, 0xCC, 1},    {"CNZ", Shape::Address, 0xC4, 1}, {"LDA", Shape::Address, 0x3A, 4},
    {"STA", Shape::Address, 0x32, 4},   {"LHLD", Shape::Address, 0x2A, 2}, {"SHLD", Shape::Address, 0x22, 2},
    {"RET", Shape::None, 0xC9, 10},     {"RZ", Shape::None, 0xC8, 2},     {"RNZ", Shape::None, 0xC0, 2},
    {"RC", Shape::None, 0xD8, 1},       {"XCHG", Shape::None, 0xEB, 2},   {"PCHL", Shape::None, 0xE9, 1},
    {"NOP", Shape::None, 0x00, 2},      {"EI", Shape::None, 0xFB, 1},     {"DI", Shape::None, 0xF3, 1},
    {"HLT", Shape::None, 0x76, 1},      {"RAL", Shape::None, 0x17, 1},    {"RAR", Shape::None, 0x1F, 1},
    {"CMA", Shape::None, 0x2F, 1},      {"STC", Shape::None, 0x37, 1},    {"INX", Shape::Pair, 0x03, 8},
    {"DCX", Shape::Pair, 0x0B, 4},      {"DAD", Shape::Pair, 0x09, 2},    {"PUSH", Shape::Pair, 0xC5, 4},
    {"POP", Shape::Pair, 0xC1, 4},      {"INR", Shape::RegHigh, 0x04, 4}, {"DCR", Shape::RegHigh, 0x05, 6},
    {"ADD", Shape::RegLow, 0x80, 4},    {"SUB", Shape::RegLow, 0x90, 2},  {"ANA", Shape::RegLow, 0xA0, 2},
    {"XRA", Shape::RegLow, 0xA8, 4},    {"ORA", Shape::RegLow, 0xB0, 4},  {"CMP", Shape::RegLow, 0xB8, 2},
    {"CPI", Shape::Imm, 0xFE, 6},       {"ANI", Shape::Imm, 0xE6, 4},     {"ORI", Shape::Imm, 0xF6, 2},
    {"XRI", Shape::Imm, 0xEE, 1},       {"ADI", Shape::Imm, 0xC6, 2},     {"SUI", Shape::Imm, 0xD6, 1},
    {"IN", Shape::Port, 0xDB, 4},       {"OUT", Shape::Port, 0xD3, 6},    {"DB", Shape::Data, 0x00, 6},
};

inline constexpr const char* kRegs[] = {"B", "C", "D", "E", "H", "L", "M", "A"};
inline constexpr const char* kPairs[] = {"B", "D", "H", "SP"};

inline constexpr const char* kWords[] = {
    "LOOP",  "INIT",  "START", "GETC",  "PUTC",  "PUTS",  "WAIT",  "DELAY", "CKSUM", "RESET", "TEST",  "FAIL",
    "HANG",  "SCAN",  "READ",  "WRITE", "SEND",  "RECV",  "NEXT",  "DONE",  "EXIT",  "SKIP",  "CHECK", "CLEAR",
    "FILL",  "MOVE",  "COPY",  "FIND",  "KEY",   "DISP",  "SHOW",  "BEEP",  "TIMER", "TICK",  "IRQ",   "NMI",
    "BOOT",  "MAIN",  "CMD",   "PARSE", "HEX",   "CONV",  "TABLE", "BUF",   "PTR",   "CNT",   "FLAG",  "MODE",
    "SAVE",  "LOAD",  "EXEC",  "STEP",  "BRK",   "TRAP",  "ERR",   "ACK",   "NAK",   "PROMPT", "BANNER", "VINIT",
    "VGETC", "SINIT", "CLRRAM", "STROBE", "LATCH", "MOTOR", "HOME",  "SEEK",  "PRINT", "LINE",  "CHAR",  "CRLF",
};

inline constexpr const char* kPhrases[] = {
    "COLD START",         "STACK AT TOP OF RAM", "ALL LEDS OFF",       "CLEAR 1K OF RAM",     "ROM CHECKSUM",
    "SET UP THE USART",   "PRINT THE BANNER",    "SHOW THE PROMPT",    "WAIT FOR A KEY",      "ECHO IT",
    "RECOMPUTE THE SUM",  "ALL LEDS ON",         "NOTHING MORE TO DO", "SIGN-ON TEXT",        "CR LF",
    "USART STATUS",       "RXRDY?",              "TXRDY?",             "STRIP PARITY",        "A ZERO ENDS IT",
    "NEXT CHARACTER",     "SAVE BC",             "RESTORE BC",         "WAIT C X 256 LOOPS",  "CHECK THE ROMS",
    "FIRST ROM BYTE",     "6K OF ROM",           "THREE ZEROS FIRST",  "INTERNAL RESET",      "RX AND TX ON",
    "ASYNC X16 8 BITS",   "POINT AT THE TABLE",  "ONE MORE ENTRY",     "END OF TABLE?",       "KEEP THE COUNT",
    "MOTOR ON",           "STEP OUT ONE TRACK",  "TRACK 0 REACHED?",   "LATCH THE DATA",      "STROBE LOW",
    "BUSY?",              "TIMER TICK",          "BUMP THE CLOCK",     "HL = BUFFER",         "DE = COUNT",
};

inline constexpr const char* kTitles[] = {
    "KEZ FIRMWARE V1.1",
    "COLD START AND COMMAND LOOP",
    "SERIAL I/O - 8251 USART AT PORTS 10H/11H",
    "ENTRY VECTORS, CALLED FROM THE OTHER ROMS",
    "CHECKSUM AND DELAY ROUTINES",
    "PRINTER DRIVER - CENTRONICS PORT AT 30H",
    "FLOPPY CONTROLLER - STEP, SEEK AND READ",
    "REAL TIME CLOCK INTERRUPT SERVICE",
    "KEYBOARD SCAN AND DEBOUNCE",
    "HEX AND DECIMAL CONVERSION",
};

inline constexpr char kStars[] = "***************************";
inline constexpr char kBannerTitle[] = "* S Y M B O L   T A B L E *";

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

inline void appendHex(std::string& s, unsigned value, int digits) {
  for (int i = digits - 1; i >= 0; --i) s += kHexDigits[(value >> (4 * i)) & 0xF];
}

inline void appendNumber(std::string& s, int n) {
  s += static_cast<char>('0' + n / 100);
  s += static_cast<char>('0' + n / 10 % 10);
  s += static_cast<char>('0' + n % 10);
}

inline void padTo(std::string& s, size_t col) {
  if (s.size() < col) s.append(col - s.size(), ' ');
}

// An assembler constant: hex with an H suffix, a leading 0 when it would start with a letter.
inline std::string hexConstant(unsigned value, int digits) {
  std::string s;
  appendHex(s, value, digits);
  if (s[0] > '9') s.insert(s.begin(), '0');
  s += 'H';
  return s;
}

}  // namespace romlift::bench::parts
