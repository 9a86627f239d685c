// What a Ctrl-Z byte cuts off a listing: the input ends at it, so the checks must say what
// they never read.
#pragma once

#include <cstddef>
#include <cstdio>

#include "scanner/input.h"

namespace romlift {

class InputCut {
 public:
  // Takes the bytes of the input in order, as they are read.
  void see(const char* bytes, size_t n);
  // Input from fd that passes every byte it reads through see().
  Input watch(int fd);
  // Reads fd to its end for the part of the input that the cut left unread, unless fd is a
  // terminal (nobody types on after a Ctrl-Z). Throws FatalError when fd cannot be read.
  void drain(int fd);

  // True when the input held a Ctrl-Z and more after it than Ctrl-Z padding and blanks, as
  // CP/M leaves at the end of a file.
  bool lostText() const { return cut_ && text_; }
  // Prints "<<< Entrée coupée >>> : ligne L : ..." on err when some text was lost.
  void print(FILE* err) const;

 private:
  void seeTail(const char* bytes, size_t n);

  bool cut_ = false;
  size_t line_ = 1;        // the input line of the first Ctrl-Z, counted from 1
  size_t tailBytes_ = 0;   // after it
  size_t tailNewlines_ = 0;
  char last_ = 0;          // the last byte after it
  bool text_ = false;      // a byte after it other than Ctrl-Z, blank, tab or a line end
};

}  // namespace romlift
