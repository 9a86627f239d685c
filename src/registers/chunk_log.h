// An append-only log in an arena, for registers that record calls and build their lists later.
#pragma once

#include <cstddef>

#include "registers/arena.h"

namespace romlift {

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

}  // namespace romlift
