// Where the label registers keep their records and text copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace romlift {

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

}  // namespace romlift
