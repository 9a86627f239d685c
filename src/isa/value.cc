#include "isa/value.h"

namespace romlift::isa {
namespace {

constexpr uint32_t kMaxValue = 0xFFFF;
constexpr uint32_t kNotADigit = 16;
constexpr uint16_t kTrue = 0xFFFF;  // what a comparison gives when it holds
constexpr unsigned kWordBits = 16;

// Value of one upper-case digit in any base up to 16.
uint32_t digitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
  return kNotADigit;
}

// Base that a number's last character gives it; 0 when that is no suffix.
uint32_t baseOfSuffix(char c) {
  switch (c) {
    case 'H': return 16;
    case 'B': return 2;
    case 'O':
    case 'Q': return 8;
    case 'D': return 10;
    default: return 0;
  }
}

// The character of a one-character quoted string.
std::optional<uint16_t> quotedChar(std::string_view quoted) {
  size_t count = 0;
  char only = 0;
  forEachQuotedChar(quoted, [&](char c) {
    ++count;
    only = c;
  });
  if (quoted.empty() || count != 1) return std::nullopt;
  return static_cast<uint8_t>(only);
}

bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '?' || c == '@' || c == '_'; }

// What ends a name or a number: a blank, a character that is not printable ASCII, and the
// signs that expressions are made of.
bool endsWord(char c) {
  if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F || isQuote(c)) return true;
  switch (c) {
    case '+': case '-': case '*': case '/': case '(': case ')': case ',': return true;
    default: return false;
  }
}

enum class Kind : uint8_t {
  kEnd, kBad, kNumber, kName, kHere, kString, kOpen, kClose, kComma,
  // operators, by the words or signs that write them
  kPlus, kMinus, kTimes, kDivide, kMod, kShl, kShr, kEq, kNe, kLt, kLe, kGt, kGe, kNot, kAnd, kOr, kXor,
  kHigh, kLow,
};

struct Word {
  std::string_view text;
  Kind kind;
};

constexpr Word kWords[] = {
    {"MOD", Kind::kMod}, {"SHL", Kind::kShl}, {"SHR", Kind::kShr}, {"EQ", Kind::kEq},   {"NE", Kind::kNe},
    {"LT", Kind::kLt},   {"LE", Kind::kLe},   {"GT", Kind::kGt},   {"GE", Kind::kGe},   {"NOT", Kind::kNot},
    {"AND", Kind::kAnd}, {"OR", Kind::kOr},   {"XOR", Kind::kXor}, {"HIGH", Kind::kHigh}, {"LOW", Kind::kLow},
};

Kind wordKind(std::string_view word) {
  for (const Word& w : kWords)
    if (w.text == word) return w.kind;
  return Kind::kName;
}

Kind signKind(char c) {
  switch (c) {
    case '+': return Kind::kPlus;
    case '-': return Kind::kMinus;
    case '*': return Kind::kTimes;
    case '/': return Kind::kDivide;
    case '(': return Kind::kOpen;
    case ')': return Kind::kClose;
    case ',': return Kind::kComma;  // between the parts of an operand, never in an expression
    default: return Kind::kBad;
  }
}

struct Token {
  Kind kind = Kind::kEnd;
  std::string_view text;  // of a number, a name or a quoted string, quotes included
  size_t at = 0;          // where it starts in the operand
};

// Reads an operand's tokens one after the other, blanks between them passed over.
class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) { advance(); }
  const Token& peek() const { return token_; }
  Token take() {
    Token t = token_;
    advance();
    return t;
  }

 private:
  void advance();

  std::string_view text_;
  size_t at_ = 0;
  Token token_;
};

void Lexer::advance() {
  while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
  token_ = Token{Kind::kEnd, {}, at_};
  if (at_ == text_.size()) return;
  char c = text_[at_];
  size_t len = 1;
  if (isQuote(c)) {
    len = quotedLength(text_.substr(at_));
    token_.kind = len == 0 ? Kind::kBad : Kind::kString;
    if (len == 0) len = text_.size() - at_;  // nothing after an open quote is read
  } else if (c == '$') {
    token_.kind = Kind::kHere;
  } else if (isDigit(c) || isNameStart(c)) {
    while (at_ + len < text_.size() && !endsWord(text_[at_ + len])) ++len;
    token_.kind = isDigit(c) ? Kind::kNumber : wordKind(text_.substr(at_, len));
  } else {
    token_.kind = signKind(c);
  }
  token_.text = text_.substr(at_, len);
  at_ += len;
}

using Value = std::optional<uint16_t>;

uint16_t truth(bool holds) { return holds ? kTrue : 0; }

// The binary operators' results in 16-bit arithmetic; nothing for a division by zero.
Value apply(Kind op, uint16_t a, uint16_t b) {
  switch (op) {
    case Kind::kPlus: return static_cast<uint16_t>(a + b);
    case Kind::kMinus: return static_cast<uint16_t>(a - b);
    case Kind::kTimes: return static_cast<uint16_t>(a * b);
    case Kind::kDivide: return b == 0 ? Value() : static_cast<uint16_t>(a / b);
    case Kind::kMod: return b == 0 ? Value() : static_cast<uint16_t>(a % b);
    case Kind::kShl: return b >= kWordBits ? 0 : static_cast<uint16_t>(a << b);
    case Kind::kShr: return b >= kWordBits ? 0 : static_cast<uint16_t>(a >> b);
    case Kind::kEq: return truth(a == b);
    case Kind::kNe: return truth(a != b);
    case Kind::kLt: return truth(a < b);
    case Kind::kLe: return truth(a <= b);
    case Kind::kGt: return truth(a > b);
    case Kind::kGe: return truth(a >= b);
    case Kind::kAnd: return static_cast<uint16_t>(a & b);
    case Kind::kOr: return static_cast<uint16_t>(a | b);
    case Kind::kXor: return static_cast<uint16_t>(a ^ b);
    default: return std::nullopt;
  }
}

// The binary operators of each precedence level, from the loosest binding on.
enum Level : uint8_t { kOrLevel, kAndLevel, kNotLevel, kCompareLevel, kAddLevel, kTimesLevel, kUnaryLevel };

bool atLevel(Kind k, Level level) {
  switch (level) {
    case kOrLevel: return k == Kind::kOr || k == Kind::kXor;
    case kAndLevel: return k == Kind::kAnd;
    case kCompareLevel: return k >= Kind::kEq && k <= Kind::kGe;
    case kAddLevel: return k == Kind::kPlus || k == Kind::kMinus;
    case kTimesLevel: return k >= Kind::kTimes && k <= Kind::kShr;
    default: return false;
  }
}

// Recursive descent over the precedence levels. Stops at the first part that has no value.
class Parser {
 public:
  Parser(std::string_view text, std::optional<uint16_t> here, const LabelResolver& labels)
      : lexer_(text), here_(here), labels_(labels) {}

  Value whole() {
    Value v = expression(kOrLevel);
    return lexer_.peek().kind == Kind::kEnd ? v : std::nullopt;
  }

 private:
  Value expression(Level level);
  Value operand(Level level);
  Value primary();

  Lexer lexer_;
  std::optional<uint16_t> here_;
  const LabelResolver& labels_;
};

// Operands of the level joined by its operators, left to right.
Value Parser::expression(Level level) {
  if (level == kUnaryLevel) return operand(level);
  Value v = operand(level);
  while (v && atLevel(lexer_.peek().kind, level)) {
    Kind op = lexer_.take().kind;
    // Only the first operand of a sum takes a sign of its own.
    Value right = level == kAddLevel ? expression(kTimesLevel) : operand(level);
    v = right ? apply(op, *v, *right) : std::nullopt;
  }
  return v;
}

// One operand of the level's operators: the next level's, after the level's own prefix.
Value Parser::operand(Level level) {
  Kind k = lexer_.peek().kind;
  if (level == kNotLevel && k == Kind::kNot) {
    lexer_.take();
    Value v = operand(level);
    return v ? Value(static_cast<uint16_t>(~*v)) : std::nullopt;
  }
  if (level == kAddLevel && (k == Kind::kPlus || k == Kind::kMinus)) {
    lexer_.take();
    Value v = expression(kTimesLevel);
    return v && k == Kind::kMinus ? Value(static_cast<uint16_t>(-*v)) : v;
  }
  if (level == kUnaryLevel) {
    if (k != Kind::kHigh && k != Kind::kLow) return primary();
    lexer_.take();
    Value v = operand(level);
    return v ? Value(static_cast<uint16_t>(k == Kind::kHigh ? *v >> 8 : *v & 0xFF)) : std::nullopt;
  }
  return expression(static_cast<Level>(level + 1));
}

Value Parser::primary() {
  Token t = lexer_.take();
  switch (t.kind) {
    case Kind::kNumber: return parseNumber(t.text);
    case Kind::kName: return labels_.value(t.text);
    case Kind::kHere: return here_;
    case Kind::kString: return quotedChar(t.text);
    case Kind::kOpen: {
      Value v = expression(kOrLevel);
      return lexer_.take().kind == Kind::kClose ? v : std::nullopt;
    }
    default: return std::nullopt;
  }
}

// A token after which the operand goes on: an operator, a comma, an opening parenthesis.
bool opens(Kind k) { return k == Kind::kComma || k == Kind::kOpen || k >= Kind::kPlus; }

// A token that goes on with what stands before it: a binary operator, a comma, a closing
// parenthesis.
bool continues(Kind k) {
  return k == Kind::kComma || k == Kind::kClose || (k >= Kind::kPlus && k <= Kind::kXor && k != Kind::kNot);
}

}  // namespace

std::optional<uint16_t> parseNumber(std::string_view token) {
  if (token.empty() || !isDigit(token[0])) return std::nullopt;
  uint32_t base = 10;
  if (!isDigit(token.back())) {
    base = baseOfSuffix(token.back());
    if (base == 0) return std::nullopt;
    token.remove_suffix(1);
  }
  uint32_t value = 0;
  for (char c : token) {
    uint32_t d = digitValue(c);
    if (d >= base) return std::nullopt;
    value = value * base + d;
    if (value > kMaxValue) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

size_t quotedLength(std::string_view text) {
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] != text[0]) continue;
    if (i + 1 < text.size() && text[i + 1] == text[0]) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return 0;
}

std::optional<uint16_t> evaluate(std::string_view text, std::optional<uint16_t> here,
                                 const LabelResolver& labels) {
  return Parser(text, here, labels).whole();
}

size_t nextName(std::string_view operand, size_t from, std::string_view* name) {
  Lexer lexer(operand.substr(from));
  for (Token t = lexer.take(); t.kind != Kind::kEnd; t = lexer.take()) {
    if (t.kind != Kind::kName) continue;
    *name = t.text;
    return from + t.at;
  }
  return std::string_view::npos;
}

size_t operandLength(std::string_view text) {
  Lexer lexer(text);
  size_t end = 0;
  bool open = true;  // the operand wants more: at its start, after an operator or a comma
  for (const Token* t = &lexer.peek(); t->kind != Kind::kEnd; t = &lexer.peek()) {
    size_t blanks = t->at - end;
    bool control = t->kind == Kind::kBad && static_cast<unsigned char>(t->text[0]) < ' ';
    if (control || blanks > 1 || (blanks == 1 && !open && !continues(t->kind))) break;
    Token taken = lexer.take();
    end = taken.at + taken.text.size();
    open = opens(taken.kind);
  }
  return end;
}

bool wellFormedOperand(std::string_view operand) {
  // Any name has a value, and not 0: a division by a name is no fault of the operand's form.
  class AnyName final : public LabelResolver {
   public:
    std::optional<uint16_t> value(std::string_view) const override { return 1; }
  };
  Lexer lexer(operand);
  size_t start = 0;
  int depth = 0;
  for (Token t = lexer.take();; t = lexer.take()) {
    if (t.kind == Kind::kOpen) ++depth;
    if (t.kind == Kind::kClose) --depth;
    if ((t.kind != Kind::kComma || depth != 0) && t.kind != Kind::kEnd) continue;
    std::string_view part = operand.substr(start, t.at - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    // A string of any length is a part of a DB.
    bool string = part.size() > 2 && isQuote(part[0]) && quotedLength(part) == part.size();
    if (!string && !evaluate(part, std::nullopt, AnyName())) return false;
    if (t.kind == Kind::kEnd) return true;
    start = t.at + 1;
  }
}

}  // namespace romlift::isa
