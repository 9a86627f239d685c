#include "output/image_writer.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace romlift {
namespace {

constexpr size_t kFileBuffer = 64 * 1024;

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

void ImageWriter::open(int index) {
  current_ = index;
  currentFaulted_ = false;
  if (target_ != ImageTarget::Files) return;
  std::string path = dir_.empty() ? kImageNames[index] : dir_ + "/" + kImageNames[index];
  lFichier_ = std::fopen(path.c_str(), "wb");
  if (lFichier_ == nullptr) {
    fault(errno);
    return;
  }
  std::setvbuf(lFichier_, nullptr, _IOFBF, kFileBuffer);
}

void ImageWriter::closeCurrent() {
  if (lFichier_ == nullptr) return;
  // A full disk often shows only when the last buffer is written out.
  if (std::fclose(lFichier_) != 0) fault(errno);
  lFichier_ = nullptr;
}

void ImageWriter::close() { closeCurrent(); }

void ImageWriter::ecrireobj(const char* text) {
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
      closeCurrent();
      open(current_ + 1);
    }
  }
}

}  // namespace romlift
