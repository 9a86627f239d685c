#include "output/image_writer.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <utility>

#include "bytes/vector_ops.h"

namespace romlift {
namespace {

constexpr size_t kFileBuffer = 64 * 1024;
constexpr size_t kGathered = 64 * 1024;

// The count at which the current file is full.
int64_t nextBreak(int64_t count) {
  for (int64_t b : kImageBreaks)
    if (count < b) return b;
  return std::numeric_limits<int64_t>::max();
}

}  // namespace

ImageWriter::ImageWriter(FaultFn fault, std::string dir, ImageTarget target)
    : fault_(std::move(fault)), dir_(std::move(dir)), target_(target) {}

ImageWriter::~ImageWriter() { close(); }

void ImageWriter::fault(int errnum) {
  failed_ = true;
  if (currentFaulted_) return;
  currentFaulted_ = true;
  if (fault_) fault_(kImageNames[current_], errnum);
}

std::string ImageWriter::path(int index) const {
  return dir_.empty() ? kImageNames[index] : dir_ + "/" + kImageNames[index];
}

void ImageWriter::open(int index) {
  current_ = index;
  currentFaulted_ = false;
  if (target_ != ImageTarget::Files) return;
  lFichier_ = std::fopen(path(index).c_str(), "wb");
  if (lFichier_ == nullptr) {
    fault(errno);
    return;
  }
  std::setvbuf(lFichier_, nullptr, _IOFBF, kFileBuffer);
}

void ImageWriter::close() {
  if (lFichier_ == nullptr) return;
  flushGathered();
  // A full disk often shows only when the last buffer is written out.
  if (std::fclose(lFichier_) != 0) fault(errno);
  lFichier_ = nullptr;
}

std::vector<const char*> ImageWriter::staleImages() const {
  std::vector<const char*> stale;
  if (target_ != ImageTarget::Files) return stale;
  for (int k = imagesStarted(); k < 3; ++k) {
    struct stat st;
    if (lstat(path(k).c_str(), &st) == 0) stale.push_back(kImageNames[k]);
  }
  return stale;
}

void ImageWriter::ecrireobj(PaddedText digits) {
  size_t pairs = digits.len / 2;
  if (lFichier_ == nullptr || digits.len > 2 * kMaxPairs ||
      nbcarsecrits_ + static_cast<int64_t>(pairs) >= nextBreak(nbcarsecrits_)) {
    ecrireobj(digits.text);  // a file change, the first call, or no file: the general way
    return;
  }
  if (!gathered_) gathered_ = std::make_unique<uint8_t[]>(kGathered);
  if (gatheredLen_ + 8 > kGathered) flushGathered();  // eight bytes are stored
  // Every pair is decoded, and only the line's own count kept.
  decodePairs6(digits.text, gathered_.get() + gatheredLen_);
  gatheredLen_ += pairs;
  nbcarsecrits_ += static_cast<int64_t>(pairs);
}

void ImageWriter::flushGathered() {
  if (gatheredLen_ == 0) return;
  if (lFichier_ != nullptr && fwrite_unlocked(gathered_.get(), 1, gatheredLen_, lFichier_) != gatheredLen_)
    fault(errno);
  gatheredLen_ = 0;
}

void ImageWriter::ecrireobj(const char* text) {
  flushGathered();
  if (nbcarsecrits_ == 0 && current_ < 0) open(0);
  // Pairs up to the terminator; a lone last character is left alone.
  for (const char* p = text; p[0] != '\0' && p[1] != '\0'; p += 2) {
    uint8_t byte = decodePair(p[0], p[1]);
    if (lFichier_ != nullptr) {
      if (putc_unlocked(byte, lFichier_) == EOF) fault(errno);
    } else if (target_ == ImageTarget::Memory) {
      memory_[current_].push_back(static_cast<char>(byte));
    }
    // The next file starts as soon as the last byte of the previous one is written.
    ++nbcarsecrits_;
    if (nbcarsecrits_ == kImageBreaks[0] || nbcarsecrits_ == kImageBreaks[1]) {
      close();
      open(current_ + 1);
    }
  }
}

}  // namespace romlift
