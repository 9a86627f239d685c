#include "fix/listing.h"

namespace romlift::fix {
namespace {

constexpr char kCtrlZ = 0x1A;  // romlift's input ends at this byte

}  // namespace

Listing::Listing(std::string_view bytes) {
  size_t stop = bytes.find(kCtrlZ);
  for (size_t at = 0; at < bytes.size();) {
    size_t nl = bytes.find('\n', at);
    SourceLine line;
    line.newline = nl != std::string_view::npos;
    size_t end = line.newline ? nl : bytes.size();
    line.cr = line.newline && end > at && bytes[end - 1] == '\r';
    line.text = bytes.substr(at, end - at - (line.cr ? 1 : 0));
    line.origin = lines_.size() + 1;
    if (stop != std::string_view::npos && stop >= at && stop <= end && cutLine_ == static_cast<size_t>(-1)) {
      cutLine_ = lines_.size();
      cutText_ = bytes.substr(at, stop - at);
    }
    bool newline = line.newline;
    lines_.push_back(std::move(line));
    at = newline ? end + 1 : end;
  }
  readLines_ = cutLine_ == static_cast<size_t>(-1) ? lines_.size() : cutLine_ + (cutText_.empty() ? 0 : 1);
}

std::string Listing::readText() const {
  std::string text;
  for (size_t i = 0; i < readLines_; ++i) {
    text += readLine(i);
    if (readNewline(i)) text += '\n';
  }
  return text;
}

std::string Listing::bytes(size_t i) const {
  const SourceLine& l = lines_[i];
  return l.text + (l.cr ? "\r" : "") + (l.newline ? "\n" : "");
}

Listing Listing::applied(const std::vector<Edit>& edits) const {
  Listing out;
  out.lines_.reserve(lines_.size());
  size_t next = 0;
  auto copyUpTo = [&](size_t end) {
    for (; next < end; ++next) out.lines_.push_back(lines_[next]);
  };
  for (const Edit& e : edits) {
    copyUpTo(e.first);
    const SourceLine& first = lines_[e.first];
    bool lastNewline = lines_[e.first + e.count - 1].newline;
    for (size_t k = 0; k < e.lines.size(); ++k) {
      bool last = k + 1 == e.lines.size();
      out.lines_.push_back({e.lines[k], first.cr && (!last || lastNewline), !last || lastNewline, first.origin});
    }
    next = e.first + e.count;
  }
  copyUpTo(lines_.size());
  // Edits stand before any cut line, which moves with the lines they add or take away.
  auto moved = [&](size_t i) { return i + out.lines_.size() - lines_.size(); };
  out.cutText_ = cutText_;
  out.cutLine_ = cutLine_ == static_cast<size_t>(-1) ? cutLine_ : moved(cutLine_);
  out.readLines_ = moved(readLines_);
  return out;
}

}  // namespace romlift::fix
