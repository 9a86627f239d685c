// Listing text from a file descriptor, read the way a text-mode stream delivers it.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <sys/types.h>

namespace romlift {

// A condition that ends the run: the message is printed on standard error, exit status 2.
class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kReadFailed = "input in flex scanner failed";
inline constexpr const char* kNoMemoryForBuffer = "out of dynamic memory in yy_create_buffer()";
inline constexpr const char* kBufferOverflow = "fatal error - scanner input buffer overflow";

class Input {
 public:
  // Raw bytes from somewhere: like read(2), the count, 0 at end, or -1 with errno set.
  using ReadFn = std::function<ssize_t(char* dst, size_t cap)>;

  explicit Input(int fd);
  // For tests: bytes from a function, so the block boundaries are under the caller's control.
  explicit Input(ReadFn source, bool interactive = false);

  // Fills dst with up to cap bytes (cap >= 2) and returns how many; 0 only at end of input.
  // A carriage return directly before a newline is dropped, also across two reads; a Ctrl-Z
  // byte ends the input. An interrupted read is retried; any other failure throws FatalError.
  size_t read(char* dst, size_t cap);

  // True when the descriptor is a terminal: reads then stop at each line the user enters.
  bool interactive() const { return interactive_; }

 private:
  size_t rawRead(char* dst, size_t cap);
  size_t foldLineEnds(char* dst, size_t len);

  ReadFn source_;
  bool interactive_;
  bool eof_ = false;
  bool pendingCr_ = false;  // a carriage return held back until the next byte is known
};

}  // namespace romlift
