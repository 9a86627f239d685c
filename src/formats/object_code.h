// The object code of one run as the format commands read it: its sections, its code lines in
// compact records, and the image bytes the run produced in memory.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "grammar/line_observer.h"
#include "output/image_writer.h"

namespace romlift::formats {

class ObjectCode : public LineObserver {
 public:
  // What to keep of the run: the sections only, or every code line as well (for the records
  // placed at the listing's addresses).
  enum class Keep { Sections, Lines };

  struct Section {
    char seg[12] = {};         // the header's address range, as the run's segment text
    int lineno = 0;            // input line of the first-page header
    uint32_t low = 0, high = 0;  // the range's bounds, high digit included
    int64_t firstOffset = 0;   // where the section's bytes start in the object-code stream
    int64_t bytes = 0;
    size_t firstLine = 0;      // index of its first code line in lines() (Keep::Lines)
  };

  // One accepted code line in 16 bytes.
  struct Line {
    int64_t offset;         // of its first byte in the object-code stream
    int32_t lineno;         // input line counter
    uint32_t address : 24;  // of its first byte, the section's high bits included
    uint32_t bytes : 8;     // a code line carries at most three bytes
  };

  explicit ObjectCode(Keep keep = Keep::Sections) : keep_(keep) {}

  void page(int lineno, const char* seg) override;
  void codeLine(int lineno, const char* seg, const char* line, int64_t offset, int bytes) override;
  // Called once the run is over: the image bytes come from the writer (ImageTarget::Memory),
  // which must outlive this object.
  void attachImages(const ImageWriter& writer) { writer_ = &writer; }

  const std::vector<Section>& sections() const { return sections_; }
  const std::vector<Line>& lines() const { return lines_; }
  // The section that holds lines()[index].
  const Section& sectionOfLine(size_t index) const;

  // The image files the standard run writes (the first imageCount() of kImageNames) and the
  // bytes of each.
  int imageCount() const { return writer_ != nullptr ? writer_->imagesStarted() : 0; }
  std::string_view image(int k) const;
  // Bytes in the object-code stream: the images one after the other.
  int64_t streamSize() const;

  // Calls fn(offset, piece) for the pieces of the stream from `from` to `to`, in order: one
  // piece per image file the range touches.
  template <typename Fn>
  void forEachPiece(int64_t from, int64_t to, Fn&& fn) const {
    for (int k = 0; k < imageCount() && from < to; ++k) {
      int64_t start = imageStart(k);
      std::string_view bytes = image(k);
      int64_t end = start + static_cast<int64_t>(bytes.size());
      if (from >= end) continue;
      int64_t stop = to < end ? to : end;
      fn(from, bytes.substr(static_cast<size_t>(from - start), static_cast<size_t>(stop - from)));
      from = stop;
    }
  }

  // The full address of a line's 16-bit address in a section whose header range is
  // [low, high]: the range's bits above 16, one bank further when that keeps it in the range.
  static uint32_t fullAddress(uint32_t address16, uint32_t low, uint32_t high);

 private:
  static int64_t imageStart(int k) { return k == 0 ? 0 : kImageBreaks[k - 1]; }

  Keep keep_;
  std::vector<Section> sections_;
  std::vector<Line> lines_;
  const ImageWriter* writer_ = nullptr;
};

}  // namespace romlift::formats
