#include "fix/unified_diff.h"

#include <algorithm>
#include <cstdio>

namespace romlift::fix {
namespace {

constexpr std::string_view kNoNewline = "\\ No newline at end of file\n";

// One hunk: the edits [from, to) of the list with their context.
class HunkWriter {
 public:
  HunkWriter(const Listing& before, const Listing& after, std::string& out) : before_(before), after_(after), out_(out) {}

  // delta: lines that the edits before this hunk added (negative: took away).
  void write(const std::vector<Edit>& edits, size_t from, size_t to, ptrdiff_t delta) {
    size_t oldStart = edits[from].first >= kContextLines ? edits[from].first - kContextLines : 0;
    const Edit& last = edits[to - 1];
    size_t oldEnd = std::min(before_.size(), last.first + last.count + kContextLines);
    ptrdiff_t growth = 0;
    for (size_t k = from; k < to; ++k)
      growth += static_cast<ptrdiff_t>(edits[k].lines.size()) - static_cast<ptrdiff_t>(edits[k].count);
    size_t newStart = static_cast<size_t>(static_cast<ptrdiff_t>(oldStart) + delta);
    size_t oldLen = oldEnd - oldStart;
    size_t newLen = static_cast<size_t>(static_cast<ptrdiff_t>(oldLen) + growth);
    char header[96];
    std::snprintf(header, sizeof header, "@@ -%zu,%zu +%zu,%zu @@\n", oldLen == 0 ? oldStart : oldStart + 1, oldLen,
                  newLen == 0 ? newStart : newStart + 1, newLen);
    out_ += header;
    size_t at = oldStart;
    ptrdiff_t shift = delta;  // where old line `at` stands in the new listing
    for (size_t k = from; k < to; ++k) {
      const Edit& e = edits[k];
      for (; at < e.first; ++at) put(' ', before_, at);
      for (size_t i = 0; i < e.count; ++i) put('-', before_, e.first + i);
      size_t newFirst = static_cast<size_t>(static_cast<ptrdiff_t>(e.first) + shift);
      for (size_t i = 0; i < e.lines.size(); ++i) put('+', after_, newFirst + i);
      at = e.first + e.count;
      shift += static_cast<ptrdiff_t>(e.lines.size()) - static_cast<ptrdiff_t>(e.count);
    }
    for (; at < oldEnd; ++at) put(' ', before_, at);
  }

 private:
  void put(char mark, const Listing& listing, size_t i) {
    out_ += mark;
    out_ += listing.bytes(i);
    if (!listing.line(i).newline) {
      out_ += '\n';
      out_ += kNoNewline;
    }
  }

  const Listing& before_;
  const Listing& after_;
  std::string& out_;
};

}  // namespace

std::string unifiedDiff(const Listing& before, const std::vector<Edit>& edits, std::string_view name) {
  std::string out;
  if (edits.empty()) return out;
  Listing after = before.applied(edits);
  out.append("--- a/").append(name).append("\n+++ b/").append(name).append("\n");
  HunkWriter writer(before, after, out);
  ptrdiff_t delta = 0;
  for (size_t from = 0; from < edits.size();) {
    size_t to = from + 1;
    // Changes whose context would touch or overlap go into one hunk.
    while (to < edits.size() && edits[to].first <= edits[to - 1].first + edits[to - 1].count + 2 * kContextLines) ++to;
    writer.write(edits, from, to, delta);
    for (size_t k = from; k < to; ++k)
      delta += static_cast<ptrdiff_t>(edits[k].lines.size()) - static_cast<ptrdiff_t>(edits[k].count);
    from = to;
  }
  return out;
}

}  // namespace romlift::fix
