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
  for (const Block& block : blocks_) munmap(block.start, block.length);
}

// Blocks come straight from the system, already filled with pages: in a virtual machine a page
// fault costs more than the work done on the page, and a long listing's registers fill
// hundreds of megabytes. Blocks of 2 MB and up are aligned for huge pages.
void* Arena::allocateInNewBlock(size_t size, size_t align) {
  constexpr size_t kPage = 4096;
  size_t blockSize = (std::max(nextBlockSize_, size + align) + kPage - 1) / kPage * kPage;
  bool huge = blockSize >= kHugePage;
  if (huge) blockSize = (blockSize + kHugePage - 1) / kHugePage * kHugePage;
  size_t mapped = huge ? blockSize + kHugePage : blockSize;
  void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | (huge ? 0 : MAP_POPULATE),
                   -1, 0);
  if (map == MAP_FAILED) throw std::bad_alloc();
  char* start = static_cast<char*>(map);
  if (huge) {
    char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1));
    if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
    size_t tail = static_cast<size_t>(start + mapped - (aligned + blockSize));
    if (tail > 0) munmap(aligned + blockSize, tail);
    start = aligned;
    madvise(start, blockSize, MADV_HUGEPAGE);  // hints, fine if refused
#ifdef MADV_POPULATE_WRITE
    madvise(start, blockSize, MADV_POPULATE_WRITE);
#endif
  }
  blocks_.push_back({start, blockSize});
  nextBlockSize_ = std::min(2 * nextBlockSize_, kHugePage);
  next_ = start;
  end_ = start + blockSize;
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
