// Where the damage may be and what the confusion model says each damaged line may have been.
#pragma once

#include <cstddef>
#include <set>
#include <vector>

#include "fix/listing.h"
#include "fix/snapshot.h"

namespace romlift::fix {

// The lines that the snapshot's problems point at: where a problem shows, the line blamed for
// it, the line before an address break, the lines up to a label-only line's next token, and
// the lines that give a label or an address that a label problem may be a misreading of.
std::set<size_t> suspectLines(const Snapshot& snap);

// Every edit that undoes one OCR slip on a suspect line, or joins it to a neighbour, or splits
// it in two; in line order, each once.
std::vector<Edit> candidateEdits(const Snapshot& snap, const std::set<size_t>& suspects);

// True when OCR may have read one label as the other: look-alikes in the same places, or one
// character more.
bool mayBeMisread(const ShortText& a, const ShortText& b);

}  // namespace romlift::fix
