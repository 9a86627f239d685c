// The score of a correction of OCR damage, against the truth the damage model kept.
//
// Per damage kind it counts the damaged code lines (code lines of the original listing) that
// the correction restored in their fields (columns 0-43 as in the original), left alone
// (its damaged lines are still there as they were), or got wrong (changed them, but not back
// to the original); damage outside the fields that was left alone counts apart, and so do the
// wrong ones cut short that give their line number, address and object code back as a code line
// (completed from the object code). It also counts the edits on lines that were
// not damaged at all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ocr_damage.h"

namespace romlift::bench::ocr {

struct KindScore {
  uint64_t damaged = 0;  // code lines of the original under this kind of damage
  uint64_t restored = 0;
  uint64_t left = 0;
  uint64_t wrong = 0;
  uint64_t outside = 0;  // damaged after column 43 only, and left alone
  uint64_t completed = 0;  // of the wrong: a line cut short that gives its bytes back, its text written anew
};

struct Score {
  std::array<KindScore, kKinds> kinds{};
  uint64_t wrongEdits = 0;  // lines not damaged that the correction changed, removed or added
};

// Pairs the lines of a with those of b: for each line of a, the index of the equal line of b
// it stands for, or kUnmatched. Equal lines are taken in order; where they stop, the pairing
// goes on at the nearest place where three lines (or the ends) agree again.
inline constexpr size_t kUnmatched = static_cast<size_t>(-1);
std::vector<size_t> matchLines(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b);

// True for a line with a line number, an address and object code at their columns.
bool isCodeLine(std::string_view line);

// The truth must turn damaged into original (see restore()); patched is the damaged text
// with the correction applied.
Score score(const std::vector<Record>& truth, std::string_view original, std::string_view damaged,
            std::string_view patched);

// A table, one row per kind and one for all, then one line of name=value pairs that starts
// with `fix_score`.
std::string formatScore(const Score& score);

}  // namespace romlift::bench::ocr
