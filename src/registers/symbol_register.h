// The labels that the symbol tables give for each (address, segment).
//
// The standard run only records entries and hears of duplicate labels; reports and
// cross-checks read the lists. While record() is all that has been called, each entry is kept
// as a 32-byte SymbolRecord with an index of its own, and the lists are built from the records
// when anything else is asked.
#pragma once

#include <cstdio>

#include "registers/chunk_log.h"
#include "registers/entry_index.h"
#include "registers/label_list.h"

namespace romlift {

class SymbolRegister {
 public:
  // out takes the duplicate-label and cross-check messages. Records go to arena when one is
  // given, else to an arena of the register's own.
  explicit SymbolRegister(FILE* out, Arena* arena = nullptr)
      : out_(out), arena_(arena != nullptr ? *arena : own_), index_(&arena_), logIndex_(&arena_) {}

  // 1 when an entry for (adr, seg) exists.
  int stexistadr(const char* adr, const char* seg) const;
  // New empty entry at the head of the register; the caller has checked that none exists.
  void stajouteadrlab(const char* adr, const char* seg);
  // Adds label to the entry for (adr, seg), or reports it when the entry already holds it.
  void staddlab(const char* adr, const char* seg, const char* label);
  // 1 when the entry for (adr, seg) holds label; a message when there is no such entry.
  int stexistadrlab(const char* adr, const char* seg, const char* label);

  // One symbol-table entry as the standard run records it: stexistadr, stajouteadrlab when
  // needed, then staddlab, done with a single look-up.
  void record(const ShortText& adr, const char* seg, const ShortText& label);

  // The entry for (adr, seg), or nullptr.
  const AddressEntry* find(const char* adr, const char* seg) const { return build(), index_.find(adr, seg); }

  const AddressEntry* stawllist() const { return build(), stawllist_; }

 private:
  FILE* out_;
  Arena own_;
  Arena& arena_;
  mutable AddressEntry* stawllist_ = nullptr;
  mutable EntryIndex index_;
  ChunkLog<SymbolRecord> log_;
  EntryIndexOf<SymbolRecord> logIndex_;  // the newest record of each pair
  mutable bool built_ = false;           // the lists exist; the log is no longer added to

  // Builds the lists from the records, once.
  void build() const;
  // record() once the lists exist.
  void recordInLists(const ShortText& adr, const char* seg, const ShortText& label);
  AddressEntry* newEntry(const char* adrCopy, const char* segCopy) const;
  // True, with the message, when entry already holds label.
  bool reportDuplicate(const AddressEntry* entry, const char* label);
  void tellDuplicate(const char* label, const char* seg, const char* adr);
};

// Splits one symbol-table entry into its label (up to the first blank, at most six characters
// kept) and its address (the next four characters after the blanks, fewer if the text ends).
void stlabadr(const char* text, ShortText& adr, ShortText& lab);
// The same for a text of len bytes, zero-terminated and followed by at least 32 readable bytes
// (as a token in the scanner's buffer is): the fields are found with vector compares.
void stlabadr(const char* text, size_t len, ShortText& adr, ShortText& lab);

}  // namespace romlift
