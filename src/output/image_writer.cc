#include "output/image_writer.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace romlift {
namespace {

constexpr size_t kFileBuffer = 64 * 1024;
constexpr size_t kGathered = 64 * 1024;

// Decodes the kMaxPairs pairs at text into out[0..8): decodePair on each pair, all at once.
void decodePairs(const char* text, char* out) {
  static_assert(ImageWriter::kMaxPairs == 6);
#if defined(__SSE2__)
  uint64_t first;
  uint32_t last;
  std::memcpy(&first, text, sizeof first);
  std::memcpy(&last, text + sizeof first, sizeof last);
  __m128i x = _mm_set_epi64x(last, static_cast<int64_t>(first));
  // v(x): x - 48, and 7 less from 'A' (65) on; bytes wrap as in decodePair.
  __m128i above = _mm_cmpeq_epi8(_mm_max_epu8(x, _mm_set1_epi8(65)), x);
  __m128i v = _mm_sub_epi8(_mm_sub_epi8(x, _mm_set1_epi8(48)), _mm_and_si128(above, _mm_set1_epi8(7)));
  // Each 16-bit lane holds a pair, its first character low: 16 * low byte + high byte.
  __m128i bytes = _mm_add_epi16(_mm_slli_epi16(v, 4), _mm_srli_epi16(v, 8));
  bytes = _mm_and_si128(bytes, _mm_set1_epi16(0xFF));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(bytes, bytes));
#else
  for (size_t i = 0; i < ImageWriter::kMaxPairs; ++i) out[i] = static_cast<char>(decodePair(text[2 * i], text[2 * i + 1]));
#endif
}

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
  flushGathered();
  // A full disk often shows only when the last buffer is written out.
  if (std::fclose(lFichier_) != 0) fault(errno);
  lFichier_ = nullptr;
}

void ImageWriter::close() { closeCurrent(); }

void ImageWriter::ecrireobj(const char* text, size_t len) {
  size_t pairs = len / 2;
  if (lFichier_ == nullptr || len > 2 * kMaxPairs ||
      nbcarsecrits_ + static_cast<int64_t>(pairs) >= nextBreak(nbcarsecrits_)) {
    ecrireobj(text);  // a file change, the first call, or no file: the general way
    return;
  }
  if (!gathered_) gathered_ = std::make_unique<char[]>(kGathered);
  if (gatheredLen_ + 8 > kGathered) flushGathered();  // eight bytes are stored
  // Every pair is decoded, and only the line's own count kept.
  decodePairs(text, gathered_.get() + gatheredLen_);
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
      closeCurrent();
      open(current_ + 1);
    }
  }
}

}  // namespace romlift
