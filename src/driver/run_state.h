// The fields of the current line that the line actions share.
#pragma once

namespace romlift {

struct RunState {
  char adr[5] = {};   // address text of the current line, 4 characters
  char lab[7] = {};   // label text of the current line, at most 6 characters
  char seg[12] = {};  // address range of the current page; empty before the first header
};

}  // namespace romlift
