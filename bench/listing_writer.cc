#include "listing_writer.h"

#include <algorithm>

namespace romlift::bench {

using namespace parts;

ListingWriter::ListingWriter(uint64_t seed, uint64_t minBytes, const std::function<void(std::string_view)>& sink)
    : rng_(seed), minBytes_(minBytes), sink_(sink) {
  out_.reserve(kFlushAt + (kFlushAt >> 4));
}

GenStats ListingWriter::run() {
  do {
    section();
    if (out_.size() >= kFlushAt) flush();
  } while (stats_.bytes + out_.size() < minBytes_);
  flush();
  return stats_;
}

uint32_t ListingWriter::sectionBase(uint64_t index) {
  uint64_t k = index + 24;  // the first section is 0C000-0C7FF
  // The bits of k are spread over the 18-bit start.
  return static_cast<uint32_t>(((k & 127) << 11) | (((k >> 7) & 127) << 4) | ((k >> 14) & 15));
}

void ListingWriter::openSection() {
  uint32_t start = sectionBase(stats_.sections++);
  uint32_t end = (start + 0x7FF) & 0x3FFFF;
  seg_.clear();
  appendHex(seg_, start, 5);
  seg_ += '-';
  appendHex(seg_, end, 5);
  lineNo_ = 1;
  numberedInSection_ = 0;
  page_ = 1;
  onPage_ = 0;
  pageLength_ = rng_.range(52, 58);
  symbols_.clear();
  names_.clear();
  adr_ = static_cast<uint16_t>(start & 0xFFFF);

  emit("PAGE 01    KEZ FIRMWARE " + seg_ + "  V1.1");
  emit("");
  orgLine();
  int titles = rng_.range(1, 3);
  for (int i = 0; i < titles; ++i) com1(kTitles[rng_.below(std::size(kTitles))]);
}

void ListingWriter::closeSection(bool withTable) {
  std::string endLine = numbered();
  endLine += ' ';
  appendHex(endLine, adr_, 4);
  endLine.append(20, ' ');
  endLine += "END";
  emit(endLine);
  emit("");
  if (withTable) {
    symbolTable();
  } else {
    emit("");
  }
}

std::string ListingWriter::numbered() {
  std::string s;
  s.reserve(64);
  appendNumber(s, lineNo_);
  lineNo_ = lineNo_ == 999 ? 1 : lineNo_ + 1;
  ++numberedInSection_;
  return s;
}

void ListingWriter::orgLine() {
  std::string s = numbered();
  s.append(25, ' ');
  s += "ORG   :";
  appendHex(s, adr_, 4);
  emit(s);
}

void ListingWriter::com1(const char* text) {
  std::string s = numbered();
  padTo(s, kLabelCol);
  s += "* ";
  s += text != nullptr ? text : kPhrases[rng_.below(std::size(kPhrases))];
  emit(s);
}

void ListingWriter::com2() {
  std::string s = numbered();
  padTo(s, kCommentCol);
  s += kTitles[rng_.below(std::size(kTitles))];
  emit(s);
}

void ListingWriter::routineTitle() {
  if (rng_.percent(30)) {
    numberedEmpty();
    com1(nullptr);
  }
}

void ListingWriter::fillerLine(uint32_t r) {
  if (r < 50) {
    com1(nullptr);
  } else if (r < 70) {
    com2();
  } else if (r < 140) {
    numberedEmpty();
  } else if (r < 170) {
    emit("");
  } else {
    adr_ = static_cast<uint16_t>((adr_ + 0x100) & 0xFF00);
    orgLine();
  }
}

void ListingWriter::labelOnly(std::string name) {
  std::string s = numbered();
  padTo(s, kLabelCol);
  s += name;
  symbols_.emplace_back(std::move(name), adr_);
  emit(s);
}

std::string ListingWriter::newName() {
  for (;;) {
    std::string name;
    uint32_t style = rng_.below(100);
    std::string_view word = kWords[rng_.below(std::size(kWords))];
    if (style < 55) {
      name = word.substr(0, 6);
      if (name.size() < 6 && rng_.percent(40)) name += static_cast<char>('0' + rng_.below(10));
    } else if (style < 85) {
      size_t prefix = std::min<size_t>(word.size(), static_cast<size_t>(rng_.range(2, 4)));
      name = word.substr(0, prefix);
      int digits = rng_.range(1, static_cast<int>(std::min<size_t>(3, 6 - prefix)));
      for (int i = 0; i < digits; ++i) name += static_cast<char>('0' + rng_.below(10));
    } else {
      int len = rng_.range(2, 6);
      for (int i = 0; i < len; ++i) name += static_cast<char>('A' + rng_.below(26));
    }
    if (names_.insert(name).second) return name;
  }
}

// Every label once, sorted, four entries to a line.
void ListingWriter::symbolTable() {
  std::sort(symbols_.begin(), symbols_.end());
  emit(kStars);
  emit(kBannerTitle);
  emit(kStars);
  emit("");
  std::string s;
  for (size_t i = 0; i < symbols_.size(); i += 4) {
    pageBreakIfDue();
    s.clear();
    for (size_t j = i; j < symbols_.size() && j < i + 4; ++j) {
      if (j > i) s += ' ';
      s += symbols_[j].first;
      padTo(s, (j - i) * 12 + 7);
      appendHex(s, symbols_[j].second, 4);
    }
    emit(s);
  }
  stats_.labels += symbols_.size();
  emit("");
  emit("");
}

void ListingWriter::pageBreakIfDue() {
  if (onPage_ < pageLength_ || page_ >= 99) return;
  ++page_;
  std::string s = "PAGE ";
  s += static_cast<char>('0' + page_ / 10);
  s += static_cast<char>('0' + page_ % 10);
  s += "    KEZ FIRMWARE ";
  s += seg_;
  s += "  V1.1";
  emit(s);
  emit("");
  onPage_ = 2;
  pageLength_ = rng_.range(52, 58);
}

void ListingWriter::emit(std::string line) {
  alter(line);
  out_ += line;
  out_ += '\n';
  ++stats_.lines;
  ++onPage_;
}

void ListingWriter::flush() {
  if (out_.empty()) return;
  stats_.bytes += out_.size();
  sink_(out_);
  out_.clear();
}

}  // namespace romlift::bench
