// The code-line register as lists, built from what the run recorded: for reports and
// cross-checks, which read it once the listing has been read.
#pragma once

#include <cstdio>

#include "registers/arena.h"
#include "registers/code_register.h"
#include "registers/entry_index.h"
#include "registers/label_list.h"

namespace romlift {

class CodeLists {
 public:
  // The lists as the register stands now; later calls to it are not seen. out takes the
  // cross-check's message.
  CodeLists(const CodeRegister& codes, FILE* out);
  CodeLists(const CodeLists&) = delete;
  CodeLists& operator=(const CodeLists&) = delete;

  // Pending labels and entries, newest first.
  const LabelNode* llist() const { return llist_; }
  const AddressEntry* awllist() const { return awllist_; }

  // The newest entry for (adr, seg), or nullptr.
  const AddressEntry* find(const char* adr, const char* seg) const { return index_.find(adr, seg); }
  // 1 when the newest entry for (adr, seg) holds label; 0 otherwise, with a message when
  // there is no such entry.
  int existadrlab(const char* adr, const char* seg, const char* label) const;

 private:
  void push(const char* label);
  void pushEntry(const char* seg, const char* adr);

  FILE* out_;
  Arena arena_;
  EntryIndex index_{&arena_};
  LabelNode* llist_ = nullptr;
  AddressEntry* awllist_ = nullptr;
};

}  // namespace romlift
