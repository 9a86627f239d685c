#include "fix/line_facts.h"

#include <cstring>
#include <optional>

#include "bytes/padded_text.h"
#include "checks/directives.h"
#include "checks/listing_text.h"
#include "fix/confusion.h"
#include "registers/code_register.h"
#include "registers/symbol_register.h"
#include "scanner/rules.h"
#include "scanner/token.h"

namespace romlift::fix {
namespace {

constexpr std::string_view kPage = "PAGE ";
constexpr size_t kBannerLines = 3;

Kind kindOfToken(int token) {
  switch (token) {
    case ORG: return Kind::Org;
    case END: return Kind::End;
    case COM1:
    case COM2: return Kind::Comment;
    case NUMLINEVIDE: return Kind::NumberedEmpty;
    case LABELSUP: return Kind::LabelOnly;
    default: return Kind::Code;
  }
}

bool labelledToken(int token) { return token == CODEL || token == CODELO || token == CODELC || token == CODELOC; }

// Reads the lines one after the other, holding what the scanner holds between them.
class Reader {
 public:
  Reader(const std::vector<LineRef>& lines, Facts& facts, const std::string& segment, bool inTable)
      : lines_(lines), facts_(facts), table_(inTable) {
    if (!segment.empty()) {
      facts_.segments.push_back(segment);
      segment_ = 0;
    }
  }

  void run() {
    facts_.lines.reserve(lines_.size());
    for (size_t i = 0; i < lines_.size();) i += readLine(i);
  }

 private:
  // Reads line i and returns how many lines it took (three for a banner).
  size_t readLine(size_t i) {
    const LineRef& line = lines_[i];
    LineFacts f;
    f.segment = segment_;
    f.inTable = table_;
    if (bannerAt(i)) {
      f.kind = Kind::Banner;
      for (size_t k = 0; k < kBannerLines; ++k) facts_.lines.push_back(f);
      table_ = true;
      return kBannerLines;
    }
    if (line.text.empty()) {
      f.kind = Kind::Empty;
    } else {
      PaddedText padded = pad(line.text);
      LineMatch m = matchLineStart(padded, line.newline, table_ ? Mode::TABLESYMB : Mode::NORMAL);
      if (m.token == ENTETE1) {
        header(f, padded);
      } else if (m.token == SYMBOLTABLE) {
        entries(f, padded, 0);
      } else if (m.token != 0) {
        numbered(f, m.token, padded);
      } else if (m.len != 0) {
        f.kind = Kind::PageHeader;  // inside a table, a later page's header is taken whole
      } else if (table_) {
        entries(f, padded, 1);  // the first character goes alone, entries follow
      } else {
        skipped(f, i, padded);
      }
    }
    facts_.lines.push_back(f);
    return 1;
  }

  bool bannerAt(size_t i) const {
    if (i + 2 >= lines_.size() || !lines_[i].newline || !isBannerStars(lines_[i].text.data(), lines_[i].text.size()))
      return false;
    const LineRef& title = lines_[i + 1];
    const LineRef& last = lines_[i + 2];
    return title.newline && title.text == kBannerTitle && last.newline &&
           isBannerStars(last.text.data(), last.text.size());
  }

  // The range and version mark that the scanner finds after the header's fixed text, each at
  // the first place where one of them fits.
  void header(LineFacts& f, PaddedText s) {
    f.kind = Kind::Header;
    std::vector<int> tokens;
    for (size_t at = kFirstPageHeaderLen; at < s.len;) {
      size_t i = at, len = 0;
      int token = SEGMENT;
      for (; i < s.len; ++i) {
        len = matchSegmentRange(s.text + i, s.len - i);
        token = SEGMENT;
        if (len == 0 && s.len - i >= kVersionMarkLen && std::memcmp(s.text + i, kVersionMark, kVersionMarkLen) == 0) {
          len = kVersionMarkLen;
          token = ENTETE2;
        }
        if (len != 0) break;
      }
      if (len == 0) break;
      tokens.push_back(token);
      if (token == SEGMENT) {
        facts_.segments.emplace_back(s.text + i, std::min<size_t>(len, kSegmentChars));
        segment_ = static_cast<int>(facts_.segments.size() - 1);
        directives_.newPage();
        f.newPage = true;
      }
      at = i + len;
    }
    f.segment = segment_;
    f.headerOk = tokens.size() == 2 && tokens[0] == SEGMENT && tokens[1] == ENTETE2;
    table_ = false;
  }

  void entries(LineFacts& f, PaddedText s, size_t from) {
    f.kind = Kind::Table;
    f.firstEntry = static_cast<uint32_t>(facts_.entries.size());
    for (size_t i = from; i + kSymbolEntryWidth <= s.len; ++i) {
      if (!isLetter(s.text[i])) continue;
      char entry[kSymbolEntryWidth + kPadding] = {};
      std::memcpy(entry, s.text + i, kSymbolEntryWidth);
      TableEntry e;
      e.column = static_cast<uint16_t>(i);
      stlabadr({entry, kSymbolEntryWidth}, e.adr, e.label);
      facts_.entries.push_back(e);
      i += kSymbolEntryWidth - 1;
    }
    f.endEntry = static_cast<uint32_t>(facts_.entries.size());
  }

  void numbered(LineFacts& f, int token, PaddedText s) {
    f.kind = kindOfToken(token);
    f.number = lineNumber({s.text, s.len});
    if (f.kind == Kind::LabelOnly) {
      f.label = loadShort(s.text + col::kLabel, std::min(s.len - col::kLabel, kMaxLabel));
    } else if (f.kind == Kind::Code) {
      f.token = token;
      f.value = static_cast<uint16_t>(addressValue(s.text));
      size_t digits = 0;
      while (col::kObject + digits < s.len && s.text[col::kObject + digits] != ' ') ++digits;
      f.bytes = static_cast<uint8_t>(digits / 2);
      for (size_t k = 0; k < f.bytes && k < sizeof f.object; ++k)
        f.object[k] = static_cast<uint8_t>(hexValue(s.text + col::kObject + 2 * k, 2));
      ShortText adr;
      if (labelledToken(token)) copyadr({s.text + col::kAddress, s.len - col::kAddress}, adr, f.label);
    }
  }

  // A line outside a symbol table that gives no token: the checks read EQU and DS lines.
  void skipped(LineFacts& f, size_t i, PaddedText s) {
    std::string_view text(s.text, s.len);
    if (std::optional<Directive> d = directives_.read(static_cast<int>(i + 1), s)) {
      f.kind = d->kind == Directive::Kind::Equ ? Kind::Equ : Kind::Ds;
      f.number = lineNumber(text);
      f.value = d->value;
      f.label = d->label;
      f.dsSize = d->size ? *d->size : -1;
    } else if (text.substr(0, kPage.size()) == kPage) {
      f.kind = Kind::PageHeader;
    } else if (text.find_first_not_of(" \t") == std::string_view::npos) {
      f.kind = Kind::Blank;
    } else {
      f.kind = Kind::Unreadable;
      f.mayHoldLine = mayHoldNumber(text);
    }
  }

  // The text followed by the padding that the scanner's rules read past a line.
  PaddedText pad(std::string_view text) {
    pad_.assign(text);
    pad_.append(kPadding, '\0');
    return {pad_.data(), text.size()};
  }

  static constexpr size_t kSegmentChars = 11;  // what the run keeps of a range

  const std::vector<LineRef>& lines_;
  Facts& facts_;
  int segment_ = -1;
  bool table_ = false;
  DirectiveReader directives_;
  std::string pad_;
};

}  // namespace

Facts readFacts(const std::vector<LineRef>& lines, const std::string& segment, bool inTable) {
  Facts facts;
  Reader(lines, facts, segment, inTable).run();
  return facts;
}

bool yieldsToken(const LineFacts& f) {
  switch (f.kind) {
    case Kind::Blank:
    case Kind::PageHeader:
    case Kind::Banner:
    case Kind::Equ:
    case Kind::Ds:
    case Kind::Unreadable: return false;
    case Kind::Table: return f.endEntry > f.firstEntry;
    default: return true;
  }
}

int lineNumber(std::string_view text) {
  if (text.size() < kNumberWidth || (text.size() > kNumberWidth && text[kNumberWidth] != ' ')) return -1;
  int n = 0;
  for (size_t i = 0; i < kNumberWidth; ++i) {
    if (!isDigit(text[i])) return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

std::optional<uint16_t> printedAddress(std::string_view text) {
  constexpr size_t kEnd = col::kAddress + kAddressWidth;
  if (lineNumber(text) < 0 || text.size() < kEnd || (text.size() > kEnd && text[kEnd] != ' ')) return std::nullopt;
  for (size_t k = col::kAddress; k < kEnd; ++k)
    if (!isHex(text[k])) return std::nullopt;
  return static_cast<uint16_t>(addressValue(text.data()));
}

}  // namespace romlift::fix
