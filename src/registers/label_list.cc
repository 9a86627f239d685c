#include "registers/label_list.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace romlift {

namespace {

constexpr size_t kHugePage = 2 * 1024 * 1024;

}  // namespace

Arena::~Arena() {
  for (void* block : blocks_) std::free(block);
}

void* Arena::allocateInNewBlock(size_t size, size_t align) {
  size_t blockSize = std::max(nextBlockSize_, size + align);
  bool huge = blockSize >= kHugePage;
  if (huge) blockSize = (blockSize + kHugePage - 1) / kHugePage * kHugePage;
  void* block = huge ? std::aligned_alloc(kHugePage, blockSize) : std::malloc(blockSize);
  if (block == nullptr) throw std::bad_alloc();
  if (huge) {
    // Hints, fine if refused: huge pages, filled in one call rather than one fault a page.
    madvise(block, blockSize, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    madvise(block, blockSize, MADV_POPULATE_WRITE);
#endif
  }
  blocks_.push_back(block);
  nextBlockSize_ = std::min(2 * nextBlockSize_, kHugePage);
  next_ = static_cast<char*>(block);
  end_ = next_ + blockSize;
  return allocate(size, align);
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
