// The records of both label registers and the arena that holds them.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace romlift {

// An address or a label as a code line or a symbol table gives it: at most seven characters,
// zero-padded, so that it is copied, compared and hashed as one word rather than byte by byte.
using ShortText = char[8];

// The first n (at most 8) of the 8 bytes at p as a zero-padded short text; reads all 8.
inline void loadShort(ShortText& text, const char* p, size_t n) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  if (n < sizeof w) {
    if constexpr (std::endian::native == std::endian::little) {
      w &= (uint64_t{1} << (8 * n)) - 1;
    } else {
      w &= n == 0 ? 0 : ~uint64_t{0} << (8 * (sizeof w - n));
    }
  }
  std::memcpy(text, &w, sizeof w);
}

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

// Items appended in order to blocks of an arena: they never move, and are read back in order
// from wherever a reader left off. For registers that log calls and build their lists later.
template <typename T>
class ChunkLog {
  struct Chunk {
    static constexpr size_t kItems = 8192 / sizeof(T);
    Chunk* next;
    size_t used;
    T items[kItems];
  };

 public:
  // Where a reader is; a fresh cursor reads from the first item.
  struct Cursor {
    const Chunk* chunk = nullptr;
    size_t at = 0;
  };

  T* append(Arena& arena, const T& item) {
    if (tail_ == nullptr || tail_->used == Chunk::kItems) {
      Chunk* chunk = arena.zeroed<Chunk>(1);
      (tail_ != nullptr ? tail_->next : head_) = chunk;
      tail_ = chunk;
    }
    T* slot = &tail_->items[tail_->used++];
    *slot = item;
    return slot;
  }

  // The item at the cursor, moving it on; nullptr when none is left yet.
  const T* next(Cursor& c) const {
    if (c.chunk == nullptr) c.chunk = head_;
    while (c.chunk != nullptr) {
      if (c.at < c.chunk->used) return &c.chunk->items[c.at++];
      if (c.chunk->next == nullptr) break;  // more items may come into this chunk
      c.chunk = c.chunk->next;
      c.at = 0;
    }
    return nullptr;
  }

 private:
  Chunk* head_ = nullptr;
  Chunk* tail_ = nullptr;
};

// True when the label list holds exactly this label.
bool holdsLabel(const LabelNode* list, const char* label);

}  // namespace romlift
