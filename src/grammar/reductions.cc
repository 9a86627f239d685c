#include "grammar/reductions.h"

#include <algorithm>
#include <cstring>

namespace romlift {

void Reductions::reduce(int production) {
  if (production == kSegmentAction) {
    // The page's address range becomes the segment text of everything recorded on the page.
    size_t n = std::min(scanner_.yyleng, sizeof state_.seg - 1);
    std::memcpy(state_.seg, scanner_.yytext, n);
    state_.seg[n] = '\0';
  }
}

}  // namespace romlift
