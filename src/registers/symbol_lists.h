// The symbol-table register as lists, built from what the run recorded: for reports and
// cross-checks, which read it once the listing has been read.
#pragma once

#include <cstdio>

#include "registers/arena.h"
#include "registers/entry_index.h"
#include "registers/label_list.h"
#include "registers/symbol_register.h"

namespace romlift {

class SymbolLists {
 public:
  // The lists as the register stands now; later calls to it are not seen. out takes the
  // cross-check's message.
  SymbolLists(const SymbolRegister& symbols, FILE* out);
  SymbolLists(const SymbolLists&) = delete;
  SymbolLists& operator=(const SymbolLists&) = delete;

  // Entries, newest first.
  const AddressEntry* stawllist() const { return stawllist_; }

  // The entry for (adr, seg), or nullptr.
  const AddressEntry* find(const char* adr, const char* seg) const { return index_.find(adr, seg); }
  // 1 when the entry for (adr, seg) holds label; a message when there is no such entry.
  int stexistadrlab(const char* adr, const char* seg, const char* label) const;

 private:
  FILE* out_;
  Arena arena_;
  EntryIndex index_{&arena_};
  AddressEntry* stawllist_ = nullptr;
};

}  // namespace romlift
