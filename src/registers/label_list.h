// The records of both label registers: the lists that reports and cross-checks read, and the
// symbol-table register's own record.
#pragma once

#include "bytes/short_text.h"

namespace romlift {

// One label of a label list; lists grow at the head, so they read newest first.
struct LabelNode {
  const char* label;
  LabelNode* next;
};

// One (address, segment) with its labels.
struct AddressEntry {
  const char* adr;
  const char* seg;
  LabelNode* labels;
  AddressEntry* next;
};

// One label of one (address, segment), or an entry that has no label yet.
struct SymbolRecord {
  ShortText adr;
  ShortText label;  // its last byte is kNoLabel for an entry without a label
  const char* seg;
  SymbolRecord* sameAddress;  // the record before it of the same (adr, seg), or nullptr
  static constexpr char kNoLabel = 1;
  bool hasLabel() const { return label.text[sizeof label.text - 1] != kNoLabel; }
};

// True when the label list holds exactly this label.
bool holdsLabel(const LabelNode* list, const char* label);

}  // namespace romlift
