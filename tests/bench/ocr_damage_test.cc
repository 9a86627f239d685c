// The OCR damage model: the share of lines asked for, the same damage from the same seed,
// every record the damage its kind names, and the truth file gives the listing back.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "listing_gen.h"
#include "ocr_damage.h"

namespace romlift::bench::ocr {
namespace {

// The first 1000 lines of a firmware listing.
const std::string& thousandLines() {
  static const std::string text = [] {
    GenOptions options;
    options.variant = Variant::Firmware;
    options.seed = 3;
    options.minBytes = 60000;
    std::string s = makeListing(options);
    size_t end = 0;
    for (int n = 0; n < 1000; ++n) end = s.find('\n', end) + 1;
    return s.substr(0, end);
  }();
  return text;
}

bool lookAlikes(char a, char b) {
  for (std::string_view group : {"0ODQ", "1Il|", "5S", "8B", "2Z", "6Gb", "CG0"})
    if (group.find(a) != std::string_view::npos && group.find(b) != std::string_view::npos) return true;
  return a >= 'A' && a <= 'Z' && b == a + 32;
}

// Whether the damaged lines are what the record's kind does to its original lines.
bool isItsKind(const Record& r, const std::vector<std::string>& lines) {
  if (r.originals.empty())  // a line put in
    return lines.size() == 1 && (r.kind == Kind::BlankLine ? lines[0].empty() : !lines[0].empty() && lines[0].size() <= 3);
  const std::string& o = r.originals[0];
  const std::string d = lines.empty() ? "" : lines[0];
  size_t at = 0;
  while (at < o.size() && at < d.size() && o[at] == d[at]) ++at;
  std::string_view marks = ".,'`:;-_~|^\"!*";
  switch (r.kind) {
    case Kind::LookAlike:
      return d.size() == o.size() && at < d.size() && lookAlikes(o[at], d[at]) && o.substr(at + 1) == d.substr(at + 1);
    case Kind::Blank: {
      const std::string& longer = o.size() > d.size() ? o : d;
      const std::string& shorter = o.size() > d.size() ? d : o;
      return longer.size() == shorter.size() + 1 && longer[at] == ' ' && longer.substr(at + 1) == shorter.substr(at);
    }
    case Kind::Tab:
      return at < d.size() && d[at] == '\t' && o.size() >= d.size() + 1 &&
             o.substr(at, o.size() - d.size() + 1) == std::string(o.size() - d.size() + 1, ' ') &&
             o.substr(at + o.size() - d.size() + 1) == d.substr(at + 1);
    case Kind::Stray:
      return at < d.size() && marks.find(d[at]) != std::string_view::npos &&
             (o.substr(at) == d.substr(at + 1) || (o[at] == ' ' && o.substr(at + 1) == d.substr(at + 1)));
    case Kind::Split:
      return lines.size() == 2 && o.starts_with(d) && o.ends_with(lines[1]) && d.back() != ' ' &&
             o.substr(d.size(), o.size() - d.size() - lines[1].size()).find_first_not_of(' ') == std::string::npos;
    case Kind::Join:
      return r.originals.size() == 2 && (d == o + r.originals[1] || d == o + " " + r.originals[1]);
    case Kind::Cut:
      return d.size() < o.size() && o.starts_with(d) && !d.empty() &&
             o.find_first_not_of(' ', d.size()) != std::string::npos;
    case Kind::Lost:
      return lines.empty();
    case Kind::Mark:
      return std::any_of(d.begin(), d.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80; });
    case Kind::Multi:
      return lines.size() == 1 && d != o;
    case Kind::Duplicate:
      return lines.size() == 2 && lines[0] == o && lines[1] == o;
    case Kind::Inserted:
    case Kind::BlankLine:
      return false;  // they have no original line
    case Kind::Banner:
      return lines.size() == 1 && d != o && (o == std::string(27, '*') || o == "* S Y M B O L   T A B L E *");
  }
  return false;
}

TEST(OcrDamage, DamagesTheShareAskedForAndTheTruthGivesTheListingBack) {
  struct Case {
    double percent;
    size_t damagedLines;  // of the 1000
  };
  for (Case c : {Case{0.5, 5}, Case{2, 20}, Case{5, 50}}) {
    SCOPED_TRACE(c.percent);
    Damaged d = damage(thousandLines(), {c.percent, 11});
    size_t damaged = 0;
    for (const Record& r : d.truth) damaged += std::max<size_t>(r.originals.size(), 1);
    EXPECT_EQ(damaged, c.damagedLines);

    Damaged again = damage(thousandLines(), {c.percent, 11});
    EXPECT_EQ(again.text, d.text);
    EXPECT_EQ(formatTruth(again.truth), formatTruth(d.truth));
    EXPECT_NE(damage(thousandLines(), {c.percent, 12}).text, d.text);

    std::vector<Record> parsed;
    std::string error, restored;
    ASSERT_TRUE(parseTruth(formatTruth(d.truth), parsed, error)) << error;
    ASSERT_TRUE(restore(d.text, parsed, restored));
    EXPECT_EQ(restored, thousandLines());
  }
  std::string unfinished = thousandLines() + "013 C01A 00";
  Damaged d = damage(unfinished, {5, 4});
  std::string restored;
  ASSERT_TRUE(restore(d.text, d.truth, restored));
  EXPECT_EQ(restored, unfinished);
  EXPECT_TRUE(d.text.ends_with("\n013 C01A 00")) << "a last line without a newline is left as it is";
}

TEST(OcrDamage, EveryRecordIsTheDamageOfItsKindAndLookAlikesAndMarksComeFirst) {
  GenOptions options;
  options.variant = Variant::Firmware;
  options.minBytes = 1 << 20;
  Damaged d = damage(makeListing(options), {5, 21});
  std::vector<std::string> lines;
  for (size_t at = 0; at < d.text.size(); at = d.text.find('\n', at) + 1)
    lines.push_back(d.text.substr(at, d.text.find('\n', at) - at));
  std::map<Kind, int> kinds;
  for (const Record& r : d.truth) {
    std::vector<std::string> mine(lines.begin() + static_cast<std::ptrdiff_t>(r.first - 1),
                                  lines.begin() + static_cast<std::ptrdiff_t>(r.first - 1 + r.count));
    EXPECT_TRUE(isItsKind(r, mine)) << kindName(r.kind) << " at line " << r.first;
    ++kinds[r.kind];
  }
  ASSERT_EQ(kinds.size(), kKinds);
  for (auto [kind, n] : kinds) {
    if (kind != Kind::LookAlike && kind != Kind::Stray) {
      EXPECT_LT(n, kinds[Kind::Stray]) << kindName(kind);
      // A banner line is picked only where the banner stands.
      if (kind != Kind::Lost && kind != Kind::Banner) {
        EXPECT_GT(n, kinds[Kind::Lost]) << kindName(kind);
      }
    }
  }
}

}  // namespace
}  // namespace romlift::bench::ocr
