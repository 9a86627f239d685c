// The records of both label registers and the arena that holds them.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

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

// Owns every record and text copy of a register: nothing is freed before the register goes,
// and a record costs a pointer bump instead of an allocation of its own.
class Arena {
 public:
  // A zero-terminated copy of text.
  const char* copy(std::string_view text);
  // Like copy, but hands back the previous copy made this way when the text is the same: a
  // section's entries all share one copy of its segment text.
  const char* copyShared(const char* text);

  template <typename T>
  T* make(const T& value) {
    void* p = allocate(sizeof(T), alignof(T));
    return new (p) T(value);
  }

 private:
  void* allocate(size_t size, size_t align);

  static constexpr size_t kBlockSize = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t left_ = 0;
  const char* shared_ = nullptr;
};

// True when the label list holds exactly this label.
bool holdsLabel(const LabelNode* list, std::string_view label);

}  // namespace romlift
