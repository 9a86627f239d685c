// The listing's bytes as lines, kept exactly: a patch made from them applies to the very file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace romlift::fix {

// One line of the input without its newline, and without the carriage return before it that
// romlift drops; what it had of both, and the input line counter (from 1) it stands for.
struct SourceLine {
  std::string text;
  bool cr = false;
  bool newline = true;
  size_t origin = 0;
};

// Replaces count lines from first (counted from 0) with lines.
struct Edit {
  size_t first = 0;
  size_t count = 0;
  std::vector<std::string> lines;
  bool operator==(const Edit&) const = default;
};

class Listing {
 public:
  explicit Listing(std::string_view bytes);

  size_t size() const { return lines_.size(); }
  const SourceLine& line(size_t i) const { return lines_[i]; }

  // The lines as romlift reads them: carriage returns before newlines dropped, nothing from
  // the first Ctrl-Z on. The last one may be cut by a Ctrl-Z.
  size_t readLines() const { return readLines_; }
  std::string_view readLine(size_t i) const { return i == cutLine_ ? std::string_view(cutText_) : lines_[i].text; }
  bool readNewline(size_t i) const { return i != cutLine_ && lines_[i].newline; }
  std::string readText() const;
  // True for a line that romlift reads whole: only these are corrected.
  bool editable(size_t i) const { return i < readLines_ && i != cutLine_; }
  // The line's bytes as in the file, newline included.
  std::string bytes(size_t i) const;

  // The listing with the edits applied; they are sorted and do not overlap. New lines take the
  // line ends and the origin of the first line they replace.
  Listing applied(const std::vector<Edit>& edits) const;

 private:
  Listing() = default;

  std::vector<SourceLine> lines_;
  size_t readLines_ = 0;
  size_t cutLine_ = static_cast<size_t>(-1);  // the line a Ctrl-Z cuts, if any
  std::string cutText_;                       // what romlift reads of it
};

}  // namespace romlift::fix
