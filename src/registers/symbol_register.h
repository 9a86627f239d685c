// The labels that the symbol tables give for each (address, segment), as the run records them.
//
// The standard run records entries and hears of duplicate labels at once; reports and
// cross-checks read the register through SymbolLists, built from it when they ask. Each label
// is kept as a 32-byte record with an index of its own for the duplicate check.
#pragma once

#include <cstdio>

#include "bytes/padded_text.h"
#include "bytes/short_text.h"
#include "registers/arena.h"
#include "registers/chunk_log.h"
#include "registers/entry_index.h"
#include "registers/label_list.h"

namespace romlift {

class SymbolRegister {
 public:
  // out takes the duplicate-label message; records go to arena (shared by a run's registers).
  SymbolRegister(FILE* out, Arena& arena) : out_(out), arena_(arena), index_(&arena) {}

  // 1 when an entry for (adr, seg) exists.
  int stexistadr(const ShortText& adr, const char* seg) {
    remember(adr, seg);
    return last_.entry() != nullptr ? 1 : 0;
  }
  // New entry without labels; the caller has checked that none exists.
  void stajouteadrlab(const ShortText& adr, const char* seg) {
    SymbolRecord*& newest = slot(adr, seg);
    newest = append(adr, seg, kNone, newest);
  }
  // Adds label to the entry for (adr, seg), or reports it when the entry already holds it. The
  // entry is made first when there is none.
  void staddlab(const ShortText& adr, const char* seg, const ShortText& label) {
    SymbolRecord*& newest = slot(adr, seg);
    for (const SymbolRecord* r = newest; r != nullptr; r = r->sameAddress)
      if (r->label == label && r->hasLabel()) return tellDuplicate(*r);
    if (newest != nullptr && !newest->hasLabel()) {
      newest->label = label;  // the entry's first label goes into the record that made it
    } else {
      newest = append(adr, seg, label, newest);
    }
  }

  const ChunkLog<SymbolRecord>& log() const { return log_; }

 private:
  static constexpr ShortText kNone = [] {
    ShortText none;
    none.text[sizeof none.text - 1] = SymbolRecord::kNoLabel;
    return none;
  }();

  void remember(const ShortText& adr, const char* seg) {
    last_ = index_.lookupShort(adr, seg);
    lastAdr_ = adr;
    lastSeg_ = seg;
  }
  // The slot of the pair's newest record, claimed when it is free. Claiming a slot may move the
  // others, so what is remembered is always the last slot looked up or claimed.
  SymbolRecord*& slot(const ShortText& adr, const char* seg) {
    if (seg != lastSeg_ || !(adr == lastAdr_)) remember(adr, seg);
    SymbolRecord*& claimed = index_.claim(last_, adr, seg);
    last_.slot = &claimed;  // a table that had to grow moved it
    return claimed;
  }
  SymbolRecord* append(const ShortText& adr, const char* seg, const ShortText& label, SymbolRecord* before) {
    return log_.append(arena_, SymbolRecord{adr, label, arena_.copyShared(seg), before});
  }
  void tellDuplicate(const SymbolRecord& r);

  FILE* out_;
  Arena& arena_;
  ChunkLog<SymbolRecord> log_;
  EntryIndexOf<SymbolRecord> index_;  // the newest record of each pair
  // The pair of the last look-up and where it stands: the run asks about one entry three times.
  ShortText lastAdr_;
  const char* lastSeg_ = nullptr;
  EntryIndexOf<SymbolRecord>::Lookup last_;
};

// Splits one symbol-table entry into its label (up to the first blank, at most six characters
// kept) and its address (the next four characters after the blanks, fewer if the text ends at
// len or at a zero byte).
void stlabadr(PaddedText text, ShortText& adr, ShortText& lab);

}  // namespace romlift
