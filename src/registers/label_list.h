// The records of both label registers and the arena that holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "registers/short_text.h"

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

// A symbol-table entry as the standard run records it: the symbol register keeps these until
// something other than the run's own recording asks for its lists.
struct SymbolRecord {
  ShortText adr;
  ShortText label;
  const char* seg;
  SymbolRecord* sameAddress;  // another record of the same (adr, seg), or nullptr
};

// Owns every record and text copy of a register: nothing is freed before the register goes,
// and a record costs a pointer bump instead of an allocation of its own.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena();

  // A zero-terminated copy of text.
  const char* copy(std::string_view text);
  // The same for a zero-terminated text. Labels and addresses are a few characters: they are
  // measured while copied, straight into the block, rather than by two calls.
  const char* copy(const char* text) {
    char* p = next_;
    size_t room = static_cast<size_t>(end_ - next_);
    for (size_t i = 0; i < room; ++i) {
      if ((p[i] = text[i]) == '\0') {
        next_ = p + i + 1;
        return p;
      }
    }
    return copy(std::string_view(text));  // the block is full
  }
  // A copy of a short text, padding included.
  const char* copyShort(const ShortText& text) {
    char* p = static_cast<char*>(allocate(sizeof(ShortText), 1));
    std::memcpy(p, text, sizeof(ShortText));
    return p;
  }
  // Like copy, but hands back the previous copy made this way when the text is the same: a
  // section's entries all share one copy of its segment text. Handing that copy back in costs
  // a pointer comparison.
  const char* copyShared(const char* text);

  // Room for count objects of type T, zero-filled.
  template <typename T>
  T* zeroed(size_t count) {
    void* p = allocate(count * sizeof(T), alignof(T));
    std::memset(p, 0, count * sizeof(T));
    return static_cast<T*>(p);
  }

  template <typename T>
  T* make(const T& value) {
    return new (allocate(sizeof(T), alignof(T))) T(value);
  }

 private:
  void* allocate(size_t size, size_t align) {
    uintptr_t at = (reinterpret_cast<uintptr_t>(next_) + align - 1) & ~(uintptr_t{align} - 1);
    if (next_ != nullptr && at + size <= reinterpret_cast<uintptr_t>(end_)) {
      next_ = reinterpret_cast<char*>(at + size);
      return reinterpret_cast<void*>(at);
    }
    return allocateInNewBlock(size, align);
  }
  void* allocateInNewBlock(size_t size, size_t align);

  struct Block {
    char* start;
    size_t length;  // of the mapping; 0 for the first block, which comes from the heap
  };
  std::vector<Block> blocks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  const char* shared_ = nullptr;
};

// Equality of two zero-terminated texts, compared inline: register texts are a few characters.
inline bool sameText(const char* a, const char* b) {
  for (; *a == *b; ++a, ++b)
    if (*a == '\0') return true;
  return false;
}

// True when the label list holds exactly this label.
bool holdsLabel(const LabelNode* list, const char* label);

}  // namespace romlift
