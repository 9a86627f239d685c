#include "registers/label_list.h"

#include <cstdint>
#include <cstring>

namespace romlift {

void* Arena::allocate(size_t size, size_t align) {
  size_t pad = (align - reinterpret_cast<uintptr_t>(next_) % align) % align;
  if (next_ == nullptr || pad + size > left_) {
    size_t blockSize = size + align > kBlockSize ? size + align : kBlockSize;
    blocks_.emplace_back(new char[blockSize]);
    next_ = blocks_.back().get();
    left_ = blockSize;
    pad = (align - reinterpret_cast<uintptr_t>(next_) % align) % align;
  }
  char* p = next_ + pad;
  next_ = p + size;
  left_ -= pad + size;
  return p;
}

const char* Arena::copy(std::string_view text) {
  char* p = static_cast<char*>(allocate(text.size() + 1, 1));
  std::memcpy(p, text.data(), text.size());
  p[text.size()] = '\0';
  return p;
}

const char* Arena::copyShared(const char* text) {
  if (shared_ == nullptr || std::strcmp(shared_, text) != 0) shared_ = copy(text);
  return shared_;
}

bool holdsLabel(const LabelNode* list, std::string_view label) {
  for (; list != nullptr; list = list->next)
    if (label == list->label) return true;
  return false;
}

}  // namespace romlift
