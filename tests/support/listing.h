// Listing lines that many tests share: page headers and the symbol-table banner.
#pragma once

#include <string>

namespace romlift::test {

inline const std::string kHeader = "PAGE 01    KEZ FIRMWARE 0C000-0C7FF  V1.1\n";
inline const std::string kHeader2 = "PAGE 01    KEZ FIRMWARE 0C800-0CFFF  V1.1\n";
inline const std::string kLaterHeader = "PAGE 02    KEZ FIRMWARE 0C000-0C7FF  V1.1\n";
inline const std::string kBanner =
    "***************************\n"
    "* S Y M B O L   T A B L E *\n"
    "***************************\n";

// A section of Z80 code at C000: it shares mnemonics with the 8080 (CP, JP, CALL, RET) but few of
// their encodings, and 20 of its 22 code lines are not the 8080's.
inline const std::string kZ80Section = kHeader + "001                         ORG   :C000\n" +
    "002 C000 3E0D               LD    A,0DH\n003 C002 FE0D               CP    0DH\n"
    "004 C004 2802               JR    Z,$+4\n005 C006 060A               LD    B,10\n"
    "006 C008 10FE               DJNZ  $\n007 C00A C300C0             JP    0C000H\n"
    "008 C00D CD00C0             CALL  0C000H\n009 C010 C9                 RET\n"
    "010 C011 210000             LD    HL,0\n011 C014 23                 INC   HL\n"
    "012 C015 3D                 DEC   A\n013 C016 B7                 OR    A\n"
    "014 C017 C8                 RET   Z\n015 C018 E5                 PUSH  HL\n"
    "016 C019 E1                 POP   HL\n017 C01A EB                 EX    DE,HL\n"
    "018 C01B AF                 XOR   A\n019 C01C E60F               AND   0FH\n"
    "020 C01E D630               SUB   30H\n021 C020 FE41               CP    'A'\n"
    "022 C022 80                 ADD   A,B\n023 C023 77                 LD    (HL),A\n";

// The same text with carriage-return-and-newline line ends.
inline std::string toCrlf(const std::string& lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A section at E000 of lines that real assemblers print outside the layout: a blank in the
// operand, more than three bytes, an operand over eight characters; line 007 fits.
inline const std::string kOutsideHeader = "PAGE 01    KEZ FIRMWARE 0E000-0E7FF  V1.1\n001                         ORG   :E000\n";
inline const std::string kOutsideLines =
    "002 E000 FE20               CPI   ' '       SPACE?\n"
    "003 E002 11CA               DB    011H, 0CAH\n"
    "004 E004 48454C4C4F MSG     DB    'HELLO'   GREETING\n"
    "005 E009 210001             LXI   H,1 SHL 8\n"
    "006 E00C 3E07               MVI   A,BUFLEN+OFFSET\n"
    "007 E00E C9                 RET\n"
    "008 E00F 48454C4C4F20574F524C44 DB 'HELLO WORLD'\n"
    "009 E01A 0D0A0000000000000000 CRLF DB 0DH,0AH,0,0,0,0,0,0,0,0 TEN\n";

}  // namespace romlift::test
