// The labels that the code lines show at each (segment, address), as the run records them.
//
// The standard run only adds to this register; reports and cross-checks read it through
// CodeLists, built from it when they ask. So the calls are written to a compact log (a labelled
// code line costs one 16-byte record there instead of four list records).
#pragma once

#include <cstdio>

#include "bytes/padded_text.h"
#include "bytes/short_text.h"
#include "registers/arena.h"
#include "registers/chunk_log.h"

namespace romlift {

class CodeRegister {
 public:
  // Records go to arena (a run shares one among its registers).
  explicit CodeRegister(Arena& arena) : arena_(arena) {}

  // Pushes a copy of label on the pending labels. It waits unlogged: the next address usually
  // takes it at once, in one record.
  void addlabel(const ShortText& label) {
    if (hasPending_) logRecord({}, pending_, Logged::kLabel);
    pending_ = label;
    hasPending_ = true;
  }
  // New entry at the head of the register, taking over all pending labels. Segment first.
  void addadr(const char* seg, const ShortText& adr) {
    if (seg != loggedSeg_) logSegment(seg);
    logRecord(adr, hasPending_ ? pending_ : ShortText{}, hasPending_ ? Logged::kLabelledLine : Logged::kAddress);
    hasPending_ = false;
  }

  // One call as logged, in 16 bytes: the address and label words. A short text's last byte is
  // always zero, so the label's last byte tells the kind. A segment record holds a pointer to
  // the segment text in the address word.
  struct Logged {
    ShortText adr;
    ShortText lab;
    enum Kind : char { kLabelledLine = 0, kLabel = 1, kAddress = 2, kSegment = 3 };
    Kind kind() const { return static_cast<Kind>(lab.text[sizeof lab.text - 1]); }
    const char* segment() const;
  };
  const ChunkLog<Logged>& log() const { return log_; }
  // The label of the last addlabel when no addadr has followed it yet, else nullptr: it is
  // logged together with the address that takes it.
  const ShortText* unlogged() const { return hasPending_ ? &pending_ : nullptr; }

 private:
  void logRecord(const ShortText& adr, const ShortText& lab, Logged::Kind kind) {
    Logged call{adr, lab};
    call.lab.text[sizeof call.lab.text - 1] = kind;
    log_.append(arena_, call);
  }
  void logSegment(const char* seg);

  Arena& arena_;
  ChunkLog<Logged> log_;
  const char* loggedSeg_ = nullptr;  // the segment of the last segment record (the arena's copy)
  ShortText pending_;
  bool hasPending_ = false;
};

// Splits a labelled code line, given from its fifth character on, into its address (the first
// four characters) and its label (from the line's column 20 up to the next blank, the first
// character always taken, at most six). The text ends at len or at a zero byte.
void copyadr(PaddedText text, ShortText& adr, ShortText& lab);

}  // namespace romlift
