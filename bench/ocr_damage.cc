#include "ocr_damage.h"

#include <algorithm>
#include <cmath>

#include "listing_parts.h"

namespace romlift::bench::ocr {
namespace {

struct Weight {
  Kind kind;
  uint32_t weight;
};

// Look-alikes and stray marks are what OCR gets wrong most often; whole lines are seldom lost.
// A banner line is seldom picked, and then mostly read as other marks.
constexpr Weight kWeights[] = {
    {Kind::LookAlike, 30}, {Kind::Stray, 18}, {Kind::Blank, 12},    {Kind::Multi, 9},     {Kind::Tab, 6},
    {Kind::Mark, 6},       {Kind::Cut, 6},    {Kind::Split, 5},     {Kind::Join, 5},      {Kind::Duplicate, 4},
    {Kind::BlankLine, 4},  {Kind::Inserted, 4}, {Kind::Lost, 3},    {Kind::Banner, 200},
};

// Characters that OCR takes for one another.
constexpr std::string_view kLookAlikes[] = {"0ODQ", "1Il|", "5S", "8B", "2Z", "6Gb", "CG0"};
constexpr std::string_view kMarks = ".,'`:;-_~|^\"!*";
constexpr uint32_t kGroupPercent = 75;  // look-alikes from a group; the others lower case
// Bytes no printer printed: UTF-8 marks OCR makes of specks and accents, and control characters
// other than the line ends, the tab and the Ctrl-Z, which mean something to romlift.
constexpr std::string_view kForeignMarks[] = {"\xC2\xB0", "\xC3\xA9", "\xC2\xB7", "\xC2\xB4", "\xC2\xA8", "\x01", "\x07", "\x0B", "\x1B"};
constexpr std::string_view kSpeckLines[] = {".", "' ,", ":", "- .", "KK", "~"};
constexpr std::string_view kStarReadings = "KKKKKXEKR";
constexpr std::string_view kBannerStars = "***************************";
constexpr std::string_view kBannerTitle = "* S Y M B O L   T A B L E *";

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }

// The characters c may be read as, from every group that holds it.
std::string alternatives(char c) {
  std::string alt;
  for (std::string_view group : kLookAlikes) {
    if (group.find(c) == std::string_view::npos) continue;
    for (char m : group)
      if (m != c && alt.find(m) == std::string::npos) alt += m;
  }
  return alt;
}

// Where a field starts after blanks, past the line's first character.
std::vector<size_t> fieldStarts(std::string_view s) {
  std::vector<size_t> starts;
  for (size_t p = 1; p < s.size(); ++p)
    if (s[p] != ' ' && s[p - 1] == ' ') starts.push_back(p);
  return starts;
}

// Runs of two blanks or more that a field follows, as (start, length).
std::vector<std::pair<size_t, size_t>> blankRuns(std::string_view s) {
  std::vector<std::pair<size_t, size_t>> runs;
  for (size_t p = 0; p < s.size();) {
    size_t q = p;
    while (q < s.size() && s[q] == ' ') ++q;
    if (q - p >= 2 && q < s.size()) runs.emplace_back(p, q - p);
    p = q == p ? p + 1 : q;
  }
  return runs;
}

size_t lastNonBlank(std::string_view s) {
  size_t p = s.find_last_not_of(' ');
  return p == std::string_view::npos ? 0 : p;
}

class Damager {
 public:
  Damager(std::string_view listing, const Options& options) : rng_(options.seed) {
    lines_ = splitLines(listing, tail_);
    double wanted = std::round(static_cast<double>(lines_.size()) * options.percent / 100);
    needed_ = std::min(lines_.size(), static_cast<size_t>(std::max(0.0, wanted)));
    result_.text.reserve(listing.size() + listing.size() / 16);
  }

  // Selection sampling: line i is damaged with probability needed / remaining, which damages
  // exactly the share asked for, spread evenly over the listing.
  Damaged run() {
    for (size_t i = 0; i < lines_.size();) {
      uint32_t remaining = static_cast<uint32_t>(lines_.size() - i);
      if (needed_ > 0 && rng_.below(remaining) < needed_) {
        i += damageAt(i);
      } else {
        put(lines_[i++]);
      }
    }
    result_.text += tail_;
    return std::move(result_);
  }

 private:
  // Damages line i (and the next one for a join); returns the number of lines taken.
  size_t damageAt(size_t i) {
    Kind kind = pickKind(i);
    if (kind == Kind::Inserted || kind == Kind::BlankLine) {
      // A line put in before line i: the record holds it alone, and line i stays as printed.
      Record r{kind, written_ + 1, 1, {}};
      put(kind == Kind::BlankLine ? std::string_view() : kSpeckLines[rng_.below(static_cast<uint32_t>(std::size(kSpeckLines)))]);
      result_.truth.push_back(std::move(r));
      put(lines_[i]);
      needed_ -= 1;
      return 1;
    }
    size_t taken = kind == Kind::Join ? 2 : 1;
    Record r{kind, written_ + 1, 0, {}};
    for (size_t k = 0; k < taken; ++k) r.originals.emplace_back(lines_[i + k]);
    std::string s(lines_[i]);
    switch (kind) {
      case Kind::LookAlike: lookAlike(s); break;
      case Kind::Blank: blank(s); break;
      case Kind::Tab: tab(s); break;
      case Kind::Stray: stray(s); break;
      case Kind::Cut: s.resize(static_cast<size_t>(rng_.range(1, static_cast<int>(lastNonBlank(s))))); break;
      case Kind::Join: s += (rng_.percent(50) ? " " : "") + r.originals[1]; break;
      case Kind::Split: split(s); break;
      case Kind::Lost: break;
      case Kind::Mark: mark(s); break;
      case Kind::Multi: multi(s); break;
      case Kind::Duplicate: put(s); break;
      case Kind::Inserted:
      case Kind::BlankLine: break;
      case Kind::Banner: banner(s); break;
    }
    if (kind == Kind::Split) {
      size_t cut = s.find('\n');
      put(std::string_view(s).substr(0, cut));
      put(std::string_view(s).substr(cut + 1));
    } else if (kind != Kind::Lost) {
      put(s);
    }
    r.count = written_ + 1 - r.first;
    result_.truth.push_back(std::move(r));
    needed_ -= taken;
    return taken;
  }

  bool applies(Kind kind, size_t i) const {
    std::string_view s = lines_[i];
    switch (kind) {
      case Kind::LookAlike:
        for (char c : s)
          if (isUpper(c) || !alternatives(c).empty()) return true;
        return false;
      case Kind::Blank:
        return !s.empty();
      case Kind::Tab:
        return !blankRuns(s).empty();
      case Kind::Cut:
        return lastNonBlank(s) >= 1;
      case Kind::Split:
        return fieldStarts(s.substr(s.find_first_not_of(' ') + 1)).size() > 0;
      // An empty line run into another one is a lost line, and counted as one.
      case Kind::Join:
        return needed_ >= 2 && i + 1 < lines_.size() && !s.empty() && !lines_[i + 1].empty();
      case Kind::Banner:
        return s == kBannerStars || s == kBannerTitle;
      case Kind::Multi:
        return s.size() > 8;
      case Kind::Stray:
      case Kind::Lost:
      case Kind::Mark:
      case Kind::Duplicate:
      case Kind::Inserted:
      case Kind::BlankLine:
        return true;
    }
    return false;
  }

  Kind pickKind(size_t i) {
    uint32_t total = 0;
    for (Weight w : kWeights) total += applies(w.kind, i) ? w.weight : 0;
    uint32_t r = rng_.below(total);  // a stray mark always applies
    for (Weight w : kWeights) {
      if (!applies(w.kind, i)) continue;
      if (r < w.weight) return w.kind;
      r -= w.weight;
    }
    return Kind::Stray;
  }

  // A character of a look-alike group for another of its group, or lower case for upper case.
  void lookAlike(std::string& s) {
    bool group = rng_.percent(kGroupPercent);
    for (int attempt = 0; attempt < 2; ++attempt, group = !group) {
      auto fits = [group](char c) { return group ? !alternatives(c).empty() : isUpper(c); };
      size_t candidates = 0;
      for (char c : s) candidates += fits(c) ? 1 : 0;
      if (candidates == 0) continue;
      size_t nth = rng_.below(static_cast<uint32_t>(candidates));
      for (char& c : s) {
        if (!fits(c) || nth-- != 0) continue;
        std::string alt = alternatives(c);
        c = group ? alt[rng_.below(static_cast<uint32_t>(alt.size()))] : static_cast<char>(c + ('a' - 'A'));
        return;
      }
    }
  }

  // The blank before a field lost, or one more: the field moves by a column.
  void blank(std::string& s) {
    std::vector<size_t> starts = fieldStarts(s);
    if (starts.empty()) {
      s.insert(rng_.below(static_cast<uint32_t>(s.size() + 1)), 1, ' ');
      return;
    }
    size_t p = starts[rng_.below(static_cast<uint32_t>(starts.size()))];
    if (rng_.percent(50))
      s.erase(p - 1, 1);
    else
      s.insert(p, 1, ' ');
  }

  void tab(std::string& s) {
    auto runs = blankRuns(s);
    auto [p, n] = runs[rng_.below(static_cast<uint32_t>(runs.size()))];
    s.replace(p, n, 1, '\t');
  }

  // A speck read as a mark: in place of a blank, or pushed in between two characters.
  void stray(std::string& s) {
    char mark = kMarks[rng_.below(static_cast<uint32_t>(kMarks.size()))];
    size_t blanks = static_cast<size_t>(std::count(s.begin(), s.end(), ' '));
    if (blanks > 0 && rng_.percent(50)) {
      size_t nth = rng_.below(static_cast<uint32_t>(blanks));
      for (char& c : s) {
        if (c == ' ' && nth-- == 0) {
          c = mark;
          return;
        }
      }
    }
    s.insert(rng_.below(static_cast<uint32_t>(s.size() + 1)), 1, mark);
  }

  // A byte no printer printed, in place of a blank or pushed in between two characters.
  void mark(std::string& s) {
    std::string_view m = kForeignMarks[rng_.below(static_cast<uint32_t>(std::size(kForeignMarks)))];
    size_t at = rng_.below(static_cast<uint32_t>(s.size() + 1));
    if (at < s.size() && s[at] == ' ' && rng_.percent(50))
      s.replace(at, 1, m);
    else
      s.insert(at, m);
  }

  // Two or three slips on the line, look-alikes first: what a poor scan does to half its lines.
  void multi(std::string& s) {
    int slips = rng_.range(2, 3);
    for (int k = 0; k < slips; ++k) {
      uint32_t pick = rng_.below(10);
      if (pick < 6) {
        lookAlike(s);
      } else if (pick < 8) {
        stray(s);
      } else {
        blank(s);
      }
    }
  }

  // The stars read as a run of letters, longer or shorter, or the title's blanks lost.
  void banner(std::string& s) {
    if (s == kBannerTitle) {
      s = "*SYMBOL   TABLE*";
      return;
    }
    size_t n = static_cast<size_t>(rng_.range(24, 34));
    std::string letters;
    for (size_t k = 0; k < n; ++k) letters += kStarReadings[rng_.below(static_cast<uint32_t>(kStarReadings.size()))];
    s = letters;
  }

  // In two at a field: the first part without its trailing blanks, the second from the field
  // on. The two parts come back joined by a newline.
  void split(std::string& s) {
    size_t lead = s.find_first_not_of(' ') + 1;
    std::vector<size_t> starts = fieldStarts(std::string_view(s).substr(lead));
    size_t p = lead + starts[rng_.below(static_cast<uint32_t>(starts.size()))];
    std::string head = s.substr(0, s.find_last_not_of(' ', p - 1) + 1);
    s = head + '\n' + s.substr(p);
  }

  void put(std::string_view line) {
    result_.text += line;
    result_.text += '\n';
    ++written_;
  }

  parts::Rng rng_;
  std::vector<std::string_view> lines_;
  std::string_view tail_;
  size_t needed_ = 0;   // lines still to damage
  size_t written_ = 0;  // lines of the damaged text so far
  Damaged result_;
};

}  // namespace

Damaged damage(std::string_view listing, const Options& options) { return Damager(listing, options).run(); }

}  // namespace romlift::bench::ocr
