// Turns object-code hex text into bytes, in listing order, across the three ROM image files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bytes/padded_text.h"

namespace romlift {

inline constexpr const char* kImageNames[] = {"511_CodeObjet.bin", "514_CodeObjet.bin", "512_CodeObjet.bin"};
inline constexpr int64_t kImageBreaks[] = {8192, 16384};  // bytes after which the next file starts

// Where the decoded bytes go: the image files, three strings in memory, or nowhere.
enum class ImageTarget { Files, Memory, Discard };

class ImageWriter {
 public:
  // Told once per image file that cannot be created, written or closed: its name and errno.
  using FaultFn = std::function<void(const char* file, int errnum)>;

  // Files go to dir (empty: the current directory).
  explicit ImageWriter(FaultFn fault, std::string dir = {}, ImageTarget target = ImageTarget::Files);
  ~ImageWriter();
  ImageWriter(const ImageWriter&) = delete;
  ImageWriter& operator=(const ImageWriter&) = delete;

  // Decodes text two characters at a time and appends one byte per pair; a lone last
  // character is ignored. The first call of the run creates the first file.
  void ecrireobj(const char* text);
  // The same for a code line's object code, zero-terminated. While the bytes stay in one file
  // they are gathered and written in large pieces, without a loop whose length varies from line
  // to line.
  void ecrireobj(PaddedText digits);
  static constexpr size_t kMaxPairs = 6;

  // Closes the current file (end of input, or the next file starts).
  void close();

  int64_t nbcarsecrits() const { return nbcarsecrits_; }
  // With ImageTarget::Memory, the bytes that went to the k-th image (0 to 2).
  const std::string& memoryImage(int k) const { return memory_[k]; }
  // How many image files the run has started: the first ones of kImageNames, in that order.
  int imagesStarted() const { return current_ + 1; }
  // The image files that this run has not started but that stand in its folder all the same,
  // left by an earlier run (none unless the target is ImageTarget::Files).
  std::vector<const char*> staleImages() const;
  // True when some file could not be created, written or closed.
  bool failed() const { return failed_; }

 private:
  std::string path(int index) const;
  void open(int index);
  void flushGathered();
  void fault(int errnum);

  FaultFn fault_;
  std::string dir_;
  ImageTarget target_;
  std::string memory_[3];
  FILE* lFichier_ = nullptr;
  int current_ = -1;          // index of the current file in kImageNames, -1 before the first
  bool currentFaulted_ = false;
  bool failed_ = false;
  int64_t nbcarsecrits_ = 0;  // 64 bits: a count that wrapped would reopen and truncate a file
  std::unique_ptr<uint8_t[]> gathered_;  // bytes of the current file not yet handed to it
  size_t gatheredLen_ = 0;
};

}  // namespace romlift
