// Where the damage may be and what the confusion model says each damaged line may have been.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "bytes/short_text.h"
#include "fix/listing.h"
#include "fix/snapshot.h"

namespace romlift::fix {

// A line that the problems point at: the whole line when a problem shows on it or is blamed on
// it, else only the labels through which a label problem elsewhere reaches it.
struct Suspect {
  bool whole = false;
  std::vector<ShortText> labels;
};

// The lines that the snapshot's problems point at: where a problem shows, the line blamed for
// it, the line an address or number break is counted from, the lines up to a label-only line's
// next token, and the lines that give a label or an address that a label problem or an unknown
// name may be a misreading of.
std::map<size_t, Suspect> suspectLines(const Snapshot& snap);

// Every edit that undoes one OCR slip on a suspect line, completes a whole suspect cut short,
// joins it to a neighbour or splits it in two; in line order, each once.
std::vector<Edit> candidateEdits(const Snapshot& snap, const std::map<size_t, Suspect>& suspects);

// True when OCR may have read one label as the other: look-alikes in the same places, or a
// stray mark more.
bool mayBeMisread(const ShortText& a, const ShortText& b);

}  // namespace romlift::fix
