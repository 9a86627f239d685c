#include "driver/input_cut.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace romlift {
namespace {

constexpr char kCtrlZ = 0x1A;

bool padding(char c) { return c == kCtrlZ || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

void InputCut::see(const char* bytes, size_t n) {
  if (cut_) return seeTail(bytes, n);
  const char* stop = static_cast<const char*>(std::memchr(bytes, kCtrlZ, n));
  const char* end = stop != nullptr ? stop : bytes + n;
  line_ += static_cast<size_t>(std::count(bytes, end, '\n'));
  if (stop == nullptr) return;
  cut_ = true;
  seeTail(stop + 1, static_cast<size_t>(bytes + n - stop - 1));
}

void InputCut::seeTail(const char* bytes, size_t n) {
  if (n == 0) return;
  tailBytes_ += n;
  tailNewlines_ += static_cast<size_t>(std::count(bytes, bytes + n, '\n'));
  last_ = bytes[n - 1];
  text_ = text_ || !std::all_of(bytes, bytes + n, padding);
}

Input InputCut::watch(int fd) {
  auto source = [this, fd](char* dst, size_t cap) {
    ssize_t n = ::read(fd, dst, cap);
    if (n > 0) see(dst, static_cast<size_t>(n));
    return n;
  };
  return Input(source, isatty(fd) == 1);
}

void InputCut::drain(int fd) {
  if (!cut_ || isatty(fd) == 1) return;
  char block[64 * 1024];
  for (;;) {
    ssize_t n = ::read(fd, block, sizeof block);
    if (n == 0) return;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FatalError(kReadFailed);
    seeTail(block, static_cast<size_t>(n));
  }
}

void InputCut::print(FILE* err) const {
  if (!lostText()) return;
  // The lines after the cut one: the first newline after the Ctrl-Z ends the cut line itself.
  size_t lines = tailNewlines_ == 0 ? 0 : tailNewlines_ - 1 + (last_ != '\n');
  std::fprintf(err,
               "<<< Entr\xC3\xA9" "e coup\xC3\xA9" "e >>> : ligne %zu : Ctrl-Z (octet 1A), %zu %s et %zu %s "
               "ignor\xC3\xA9s apr\xC3\xA8s lui\n",
               line_, lines, lines > 1 ? "lignes" : "ligne", tailBytes_, tailBytes_ > 1 ? "octets" : "octet");
}

}  // namespace romlift
