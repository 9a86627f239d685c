#include "scanner/input.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace romlift {

Input::Input(int fd)
    : source_([fd](char* dst, size_t cap) { return ::read(fd, dst, cap); }),
      interactive_(isatty(fd) == 1) {}

Input::Input(ReadFn source, bool interactive)
    : source_(std::move(source)), interactive_(interactive) {}

size_t Input::rawRead(char* dst, size_t cap) {
  for (;;) {
    ssize_t n = source_(dst, cap);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw FatalError(kReadFailed);
  }
}

// Drops each carriage return that stands before a newline; a carriage return at the very
// end of the block is held back until the next read shows what follows it.
size_t Input::foldLineEnds(char* dst, size_t len) {
  char* const end = dst + len;
  char* cr = static_cast<char*>(std::memchr(dst, '\r', len));
  if (cr == nullptr) return len;
  char* w = cr;
  const char* r = cr;
  while (r < end) {
    const char* next = static_cast<const char*>(std::memchr(r, '\r', end - r));
    if (next == nullptr) next = end;
    std::memmove(w, r, next - r);
    w += next - r;
    r = next;
    if (r == end) break;
    if (r + 1 < end) {
      if (r[1] != '\n') *w++ = '\r';
    } else if (eof_) {
      *w++ = '\r';
    } else {
      pendingCr_ = true;
    }
    ++r;
  }
  return static_cast<size_t>(w - dst);
}

size_t Input::read(char* dst, size_t cap) {
  for (;;) {
    size_t have = 0;
    if (pendingCr_) {
      dst[have++] = '\r';
      pendingCr_ = false;
    }
    if (eof_) return have;
    size_t n = rawRead(dst + have, cap - have);
    if (n == 0) {
      eof_ = true;
      return have;
    }
    if (void* stop = std::memchr(dst + have, 0x1A, n)) {
      n = static_cast<size_t>(static_cast<char*>(stop) - (dst + have));
      eof_ = true;
    }
    size_t len = foldLineEnds(dst, have + n);
    if (len > 0 || eof_) return len;
    // The whole block was one held-back carriage return: read on.
  }
}

}  // namespace romlift
