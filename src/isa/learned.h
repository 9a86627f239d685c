// An instruction set learned from the listing itself, for mnemonics no table knows: lines of
// the same shape should have the same first byte and length, so the rare line that does not
// is probably misread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace romlift::isa {

// A line's mnemonic and operand with register names (and conditions) kept and every other term
// (number, quoted string, $, label) written n: MVI A,0FFH and MVI A,CR are both "MVI A,n". A
// number written as one decimal digit is kept too, and RST's operand whole: RST 7, RST 38H,
// IM 1 and BIT 3,A put it in the opcode.
class Shape {
 public:
  static constexpr size_t kMaxSize = 48;
  // False when the shape would be longer than kMaxSize.
  bool assign(std::string_view mnemonic, std::string_view operand);
  std::string_view view() const { return {text_, size_}; }

 private:
  bool put(char c);
  bool put(std::string_view s);

  char text_[kMaxSize];
  size_t size_ = 0;
};

// A line whose first byte or length differs from those of nearly every line of its shape.
struct Disagreement {
  uint32_t line;                // the caller's reference
  uint8_t firstByte;            // as the line has them
  uint8_t length;
  uint8_t expectedFirstByte;    // as the shape's majority has them
  uint8_t expectedLength;
  uint32_t agreeing;            // lines of the shape that have the expected byte and length
  uint32_t shapeLines;          // all lines of the shape
  uint32_t variantLines;        // lines of the shape with the line's own byte and length
  std::string_view shape;       // valid as long as the learned set
};

class LearnedSet {
 public:
  // A line is reported when at least this many other lines of its shape agree among
  // themselves, and they make nine in ten of the shape's other lines.
  static constexpr uint32_t kMinAgreeing = 4;
  static constexpr uint32_t kAgreeingTenths = 9;

  // Adds one code line and returns how many lines of its shape have its first byte and length
  // so far, itself included. Data directives (DB, DW, DS) and other directives are not
  // learned, nor lines whose shape is too long: 0 for those.
  uint32_t feed(std::string_view mnemonic, std::string_view operand, uint8_t firstByte, uint8_t length,
                uint32_t line);
  // The lines that disagree with a clear majority of their shape, by line reference.
  std::vector<Disagreement> disagreements() const;
  // The lines that agree with a clear majority of their shape's other lines: at least
  // kMinAgreeing of them, nine in ten, have the line's first byte and length.
  uint64_t agreeingLines() const;
  // Memory the set holds, in bytes, near enough: allocator overhead is not counted.
  size_t memoryBytes() const;

 private:
  // The lines of one shape with one first byte and length. Their references are kept as
  // variable-length differences from the previous one: a byte or two for lines in order.
  struct Variant {
    uint8_t firstByte;
    uint8_t length;
    uint32_t count = 0;
    uint32_t lastLine = 0;
    std::vector<uint8_t> lines;
  };
  struct ShapeLines {
    std::string_view text;
    std::vector<Variant> variants;
  };
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  static void addLine(Variant& v, uint32_t line);
  // The shape's most frequent variant, and in total the number of its lines.
  static const Variant& majorityOf(const ShapeLines& shape, uint32_t& total);
  static bool clearMajority(uint64_t agreeing, uint64_t others);
  static void appendLines(const ShapeLines& shape, const Variant& majority, uint32_t total,
                          std::vector<Disagreement>& out);

  std::unordered_map<std::string, uint32_t, TextHash, std::equal_to<>> index_;
  std::vector<ShapeLines> shapes_;
};

}  // namespace romlift::isa
