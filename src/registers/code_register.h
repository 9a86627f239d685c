// The labels that the code lines show at each (segment, address).
//
// The standard run only adds to this register; reports and cross-checks read it. So the calls
// are first written to a compact log (a labelled code line costs 16 bytes there instead of four
// records) and turned into the lists when something first reads them.
#pragma once

#include <cstdio>

#include "registers/chunk_log.h"
#include "registers/entry_index.h"
#include "registers/label_list.h"

namespace romlift {

class CodeRegister {
 public:
  // out takes the cross-check's message. Records go to arena when one is given (a run shares
  // one among its registers), else to an arena of the register's own.
  explicit CodeRegister(FILE* out, Arena* arena = nullptr)
      : out_(out), arena_(arena != nullptr ? *arena : own_), index_(&arena_) {}

  // Pushes a copy of text on the pending labels.
  void addlabel(const char* text);
  // New entry at the head of the register, taking over all pending labels. Segment first.
  void addadr(const char* seg, const char* adr);
  // addlabel(lab) then addadr(seg, adr), for a labelled code line.
  void addLabelledLine(const char* seg, const ShortText& adr, const ShortText& lab);
  // 1 when the newest entry for (adr, seg) holds label; 0 otherwise, with a message when
  // there is no such entry.
  int existadrlab(const char* adr, const char* seg, const char* label);

  // The newest entry for (adr, seg), or nullptr.
  const AddressEntry* find(const char* adr, const char* seg) const;

  const LabelNode* llist() const { return build(), llist_; }
  const AddressEntry* awllist() const { return build(), awllist_; }

 private:
  // One call as logged, in 16 bytes. A labelled line is its address and label words; a short
  // text's last byte is always zero. The other records hold a pointer in the first word and
  // their kind in that last byte: a label's copy (addlabel), an address's copy (addadr), or
  // the segment of the entries that follow, logged when it changes.
  struct Logged {
    ShortText adr;
    ShortText lab;
  };
  enum Kind : char { kLabelledLine = 0, kLabel = 1, kAddress = 2, kSegment = 3 };
  static constexpr size_t kKindByte = sizeof(ShortText) - 1;

  void logPointer(Kind kind, const char* p);
  void logSegment(const char* seg);
  // Applies the logged calls not yet applied to the lists (and to the index once it exists).
  void build() const;
  void pushEntry(const char* seg, const char* adr) const;

  FILE* out_;
  Arena own_;
  Arena& arena_;
  ChunkLog<Logged> log_;
  const char* loggedSeg_ = nullptr;           // the segment of the last logged kSegment
  mutable ChunkLog<Logged>::Cursor applied_;  // the next call to apply
  mutable const char* appliedSeg_ = nullptr;  // the segment in force at applied_
  mutable LabelNode* llist_ = nullptr;
  mutable AddressEntry* awllist_ = nullptr;
  // Built at the first look-up, kept up to date from then on: the standard run never looks
  // anything up, so it never pays for the index.
  mutable EntryIndex index_;
  mutable bool indexed_ = false;
};

// Splits a labelled code line, given from its fifth character on, into its address (the first
// four characters) and its label (from the line's column 20 up to the next blank, the first
// character always taken, at most six). Never reads past the text's terminator.
void copyadr(const char* text, ShortText& adr, ShortText& lab);
// The same for a text whose length is known, followed by at least 32 readable bytes (as a
// token in the scanner's buffer is): the fields are found with vector compares, not loops.
void copyadr(const char* text, size_t len, ShortText& adr, ShortText& lab);

}  // namespace romlift
