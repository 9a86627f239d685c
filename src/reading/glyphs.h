// How OCR reads the printed characters of a listing: the cost of reading one character as
// another, and the characters that a misread one may stand for in a field that can hold only
// some characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace romlift::reading {

// Costs are in steps of surprise: a character read as itself costs nothing, a frequent
// confusion (O for 0) costs little, a rare one more, and a confusion OCR never makes is out.
using Cost = int;
inline constexpr Cost kNever = 1000;
inline constexpr Cost kLowerCase = 1;  // a letter read in lower case
inline constexpr Cost kFrequent = 2;   // 0/O, 1/I/l
inline constexpr Cost kUsual = 3;      // 5/S, 8/B, 2/Z, 6/G, E/F, ...
inline constexpr Cost kRare = 4;       // 0/D, 8/6, C/G, 1/4, ...
inline constexpr Cost kOther = 6;      // any other printable character read for a printed one
inline constexpr Cost kSpeck = 2;      // a speck read as a mark where nothing was printed
inline constexpr Cost kExtra = 5;      // any other character that was never printed
inline constexpr Cost kLost = 4;       // a printed character that OCR did not read
inline constexpr Cost kShift = 2;      // a blank lost or added: the text after it one column off

// What a field of a listing line can hold.
enum class Alphabet : uint8_t {
  Digit,  // 0-9: the line number
  Hex,    // 0-9 A-F: the address, the object code, a symbol-table address
  Upper,  // A-Z: the mnemonic
  Name,   // A-Z 0-9 ? @ _ $: a label, a register, a name in an operand
  Text,   // any printable character: an operand's numbers and strings, a comment
};

bool holds(Alphabet a, char c);

// The cost of reading the printed character `printed` as `read`.
Cost misreadCost(char printed, char read);

// A character that a read one may stand for, with what that reading costs.
struct Glyph {
  char c;
  uint8_t cost;
};

// The characters of the alphabet that `read` may stand for, cheapest first: itself when the
// alphabet holds it, then its look-alikes (not the characters any read one may stand for). Empty for a mark or a byte that stands for nothing
// the alphabet holds.
std::span<const Glyph> readingsOf(char read, Alphabet a);

// True for the marks that specks on the paper are read as, and for the bytes no printer
// printed (control characters and bytes over 127).
bool isSpeck(char c);

// The cheapest way OCR turns `printed` into `read`: each character read as itself or a
// look-alike, lost, or added (a speck or anything else). kNever when more than `limit`.
Cost channelCost(std::string_view printed, std::string_view read, Cost limit);

// The same with look-alikes only: a character read as one that does not look like it is out.
Cost lookAlikeCost(std::string_view printed, std::string_view read, Cost limit);

// The cost of reading a fixed-width field: character for character, look-alikes only, when
// as many characters were read as were printed; else as lookAlikeCost.
Cost fieldCost(std::string_view printed, std::string_view read, Cost limit);

// The same with look-alikes only, where `printed` was read at the start of `read` and what
// follows it costs nothing.
Cost prefixCost(std::string_view printed, std::string_view read, Cost limit);

// The same, where `printed` may have been read anywhere inside `read`: what stands before and
// after it costs nothing.
Cost channelCostWithin(std::string_view printed, std::string_view read, Cost limit);

}  // namespace romlift::reading
