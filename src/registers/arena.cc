#include "registers/arena.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

#include "bytes/short_text.h"

namespace romlift {

namespace {

constexpr size_t kHugePage = 2 * 1024 * 1024;
constexpr size_t kFirstBlock = 64 * 1024;

}  // namespace

Arena::~Arena() {
  for (const Block& block : blocks_) {
    if (block.length == 0) {
      std::free(block.start);
    } else {
      munmap(block.start, block.length);
    }
  }
}

// The first block is a small one from the heap, so that a short listing or an unused register
// costs next to nothing. Later blocks of 2 MB come straight from the system, aligned and marked
// for huge pages: a long listing's registers fill hundreds of megabytes, and in a virtual
// machine a page fault costs more than the work done on its page, so one fault a block beats
// 512. A block's memory is only touched, and paid for, once a record goes there.
void* Arena::allocateInNewBlock(size_t size, size_t align) {
  if (blocks_.empty() && size + align <= kFirstBlock) {
    char* first = static_cast<char*>(std::malloc(kFirstBlock));
    if (first == nullptr) throw std::bad_alloc();
    blocks_.push_back({first, 0});
    next_ = first;
    end_ = first + kFirstBlock;
    return allocate(size, align);
  }
  size_t blockSize = (size + align + kHugePage - 1) / kHugePage * kHugePage;
  size_t mapped = blockSize + kHugePage;
  void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) throw std::bad_alloc();
  char* start = static_cast<char*>(map);
  char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1));
  if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
  size_t tail = static_cast<size_t>(start + mapped - (aligned + blockSize));
  if (tail > 0) munmap(aligned + blockSize, tail);
  madvise(aligned, blockSize, MADV_HUGEPAGE);  // a hint, fine if refused
  blocks_.push_back({aligned, blockSize});
  next_ = aligned;
  end_ = aligned + blockSize;
  return allocate(size, align);
}

const char* Arena::copy(std::string_view text) {
  char* p = static_cast<char*>(allocate(text.size() + 1, 1));
  std::memcpy(p, text.data(), text.size());
  p[text.size()] = '\0';
  return p;
}

const char* Arena::copyShared(const char* text) {
  if (text != shared_ && (shared_ == nullptr || !sameText(shared_, text))) shared_ = copy(text);
  return shared_;
}

}  // namespace romlift
