#include "reading/structure.h"

#include <algorithm>

#include "reading/glyphs.h"
#include "reading/layout.h"
#include "reading/words.h"
#include "scanner/rules.h"

namespace romlift::reading {
namespace {

constexpr size_t kRestartLookahead = 4;  // lines after a header where its first numbered line stands
constexpr int kRestartCost = 4;          // a first line number read this close to 001 or 002
constexpr int kSameRange = 6;            // two readings of a range this close are one range
constexpr int kTitleLimit = 24;          // the banner's title read this badly is still found
constexpr size_t kRangeReadings = 6;
constexpr int kPageSlack = 4;            // a later page's number read this close to the next one

// A page number read as two digits: the page it says, whatever the pages around it.
bool exactPage(const Surveyed& s) {
  return s.pageText.size() == 2 && s.pageText[0] >= '0' && s.pageText[0] <= '9' && s.pageText[1] >= '0' &&
         s.pageText[1] <= '9';
}

// A range read as two bounds of five hex digits that differs from the section's in two places
// or more: another section's range printed whole, not a misreading of this one's.
bool otherRangeWhole(std::string_view read, std::string_view range) {
  auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  if (read.size() != range.size() || read.size() != 11 || read[5] != '-') return false;
  size_t differ = 0;
  for (size_t k = 0; k < read.size(); ++k) {
    if (k != 5 && !hex(read[k])) return false;
    differ += read[k] != range[k];
  }
  return differ >= 2;
}

std::string headerRest(std::string_view range) { return std::string("KEZ FIRMWARE ") + std::string(range) + kVersionMark; }

}  // namespace

Structure::Structure(const std::vector<std::string_view>& lines, const std::vector<Surveyed>& shapes)
    : lines_(lines), shapes_(shapes) {
  split();
  for (Section& s : sections_) {
    if (s.header == kNone) continue;
    decideRange(s);
    findBanner(s);
    rewriteHeaders(s);
  }
}

bool Structure::startsSection(size_t h, int expectedPage, const std::string& lastRange) const {
  const Surveyed& hs = shapes_[h];
  if (exactPage(hs)) return hs.page == 1;
  Cost first = numberCost(1, 2, hs.pageText);
  Cost next = expectedPage > 1 ? numberCost(expectedPage, 2, hs.pageText) : kNever;
  bool restart = false;
  for (size_t i = h + 1; i < lines_.size() && i <= h + kRestartLookahead; ++i) {
    if (shapes_[i].shape == Shape::Header) break;
    if (shapes_[i].shape != Shape::Numbered) continue;
    std::string number = numberedFields(lines_[i]).number;
    restart = numberCost(1, 3, number) <= kRestartCost || numberCost(2, 3, number) <= kRestartCost;
    break;
  }
  bool otherRange = lastRange.empty() || channelCost(lastRange, hs.range, kSameRange) > kSameRange;
  if (first + kRare < next) return true;
  if (next + kRare < first) return restart && otherRange;
  return restart || (first <= next && otherRange);
}

void Structure::split() {
  Section before;
  before.begin = 0;
  int expectedPage = 1;
  std::string lastRange;
  std::vector<size_t> pages;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (shapes_[i].shape != Shape::Header) continue;
    if (!startsSection(i, expectedPage, lastRange)) {
      (sections_.empty() ? before : sections_.back()).pages.push_back(i);
      ++expectedPage;
      continue;
    }
    (sections_.empty() ? before : sections_.back()).end = i;
    if (sections_.empty()) sections_.push_back(before);
    Section s;
    s.header = i;
    s.begin = i + 1;
    sections_.push_back(s);
    expectedPage = 2;
    lastRange = shapes_[i].range;
  }
  if (sections_.empty()) sections_.push_back(before);
  sections_.back().end = lines_.size();
  for (Section& s : sections_) s.bodyEnd = s.end;
}

void Structure::decideRange(Section& s) {
  std::vector<size_t> headers{s.header};
  headers.insert(headers.end(), s.pages.begin(), s.pages.end());
  std::vector<std::string> candidates;
  for (size_t h : headers)
    for (const RangeReading& r : rangeReadings(shapes_[h].range, kRangeReadings))
      if (std::find(candidates.begin(), candidates.end(), r.range) == candidates.end()) candidates.push_back(r.range);
  Cost best = kNever, second = kNever;
  for (const std::string& c : candidates) {
    Cost total = 0;
    for (size_t h : headers) total += std::min(channelCost(c, shapes_[h].range, kNever - 1), kExtra * 3);
    if (total < best) {
      second = best;
      best = total;
      s.range = c;
    } else if (total < second) {
      second = total;
    }
  }
  if (best == kNever || second <= best) s.range.clear();
}

void Structure::findBanner(Section& s) {
  // The banner's title, read well enough to tell by its letters, or else the line after the
  // section's END that looks most like it.
  size_t end = s.end;
  for (size_t i = s.begin; i < s.end && s.title == kNone; ++i)
    if (shapes_[i].shape == Shape::Title) s.title = i;
  for (size_t i = s.begin; i < s.end && s.title == kNone; ++i) {
    if (shapes_[i].shape != Shape::Numbered || numberedFields(lines_[i]).mnemonic.find("END") == std::string::npos) continue;
    Cost best = kTitleLimit + 1;
    for (size_t k = i + 1; k + 1 < end && k <= i + 4; ++k) {
      Cost c = channelCostWithin(kBannerTitle, lines_[k], kTitleLimit);
      if (c < best) {
        best = c;
        s.title = k;
      }
    }
  }
  if (s.title == kNone || s.title == 0) return;
  s.bodyEnd = s.title - 1;
  auto starsAt = [&](size_t i) {
    if (i < s.begin || i >= s.end || shapes_[i].shape == Shape::Numbered || shapes_[i].shape == Shape::Header) return;
    std::string stars(kBannerWidth, '*');
    if (lines_[i] != stars) rewrites_[i] = stars;
  };
  starsAt(s.title - 1);
  starsAt(s.title + 1);
  if (lines_[s.title] != kBannerTitle) rewrites_[s.title] = kBannerTitle;
}

void Structure::rewriteHeaders(const Section& s) {
  if (s.range.empty()) return;
  // A header that reads whole as another range is left as printed: a section whose first
  // header went unread has its pages counted with the section before.
  std::string first = firstPageHeader(s.range);
  if (lines_[s.header] != first && !otherRangeWhole(shapes_[s.header].range, s.range)) rewrites_[s.header] = first;
  int page = 1;
  for (size_t h : s.pages) {
    int read = shapes_[h].page;
    Cost expected = numberCost(page + 1, 2, shapes_[h].pageText);
    page = exactPage(shapes_[h]) ? read : expected <= kPageSlack || read <= page ? page + 1 : read;
    std::string text = pageHeader(page, headerRest(s.range));
    if (lines_[h] != text && !otherRangeWhole(shapes_[h].range, s.range)) rewrites_[h] = text;
  }
}

}  // namespace romlift::reading
