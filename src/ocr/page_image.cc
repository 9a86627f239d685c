#include "ocr/page_image.h"

#include <leptonica/allheaders.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace romlift::ocr {
namespace {

struct PixDeleter {
  void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// Standard error sent to /dev/null while it lives: the image libraries print their own
// complaints about a damaged file (libpng does, whatever leptonica is told), and the reader
// tells the reason once, in its own words.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    int null = open("/dev/null", O_WRONLY);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

// The pixels of any depth as 8-bit gray (colours by their luminance, a colour map undone).
bool toGray(PIX* pix, GrayImage& out) {
  PixPtr gray(pixGetDepth(pix) == 32 ? pixConvertRGBToLuminance(pix) : pixConvertTo8(pix, 0));
  if (!gray || pixGetDepth(gray.get()) != 8) return false;
  if (pixGetColormap(gray.get()) != nullptr) gray.reset(pixRemoveColormap(gray.get(), REMOVE_CMAP_TO_GRAYSCALE));
  if (!gray) return false;
  int w = pixGetWidth(gray.get()), h = pixGetHeight(gray.get());
  if (w <= 0 || h <= 0) return false;
  out = GrayImage(w, h, 255);
  for (int y = 0; y < h; ++y) {
    const l_uint32* line = pixGetData(gray.get()) + static_cast<ptrdiff_t>(y) * pixGetWpl(gray.get());
    for (int x = 0; x < w; ++x) out.at(x, y) = static_cast<uint8_t>(GET_DATA_BYTE(line, x));
  }
  return true;
}

// The number of pages of a TIFF file, 1 for any other format.
int pageCount(const char* path, int format) {
  if (!L_FORMAT_IS_TIFF(format)) return 1;
  FILE* f = std::fopen(path, "rb");
  l_int32 n = 1;
  if (f != nullptr) {
    if (tiffGetCount(f, &n) != 0 || n < 1) n = 1;
    std::fclose(f);
  }
  return n;
}

}  // namespace

bool readPageImages(const char* path, std::vector<PageImage>& pages, std::string& why) {
  pages.clear();
  setMsgSeverity(L_SEVERITY_NONE);  // the reason is told once, by the caller
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) {
    why = std::strerror(errno);
    return false;
  }
  std::fclose(f);
  l_int32 format = IFF_UNKNOWN;
  if (findFileFormat(path, &format) != 0 || format == IFF_UNKNOWN) {
    why = "format d'image inconnu";
    return false;
  }
  QuietStderr quiet;
  int count = pageCount(path, format);
  for (int n = 0; n < count; ++n) {
    PixPtr pix(L_FORMAT_IS_TIFF(format) ? pixReadTiff(path, n) : pixRead(path));
    pages.emplace_back();
    if (!pix || !toGray(pix.get(), pages.back().image)) pages.back().failure = "image illisible ou tronqu\xC3\xA9" "e";
  }
  return true;
}

}  // namespace romlift::ocr
