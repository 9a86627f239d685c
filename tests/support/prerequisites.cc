#include "support/prerequisites.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "ocr/engine.h"
#include "support/printed_page.h"

namespace romlift::test {
namespace {

struct Source {
  const char* what;     // as the message names it
  const char* program;  // looked for on PATH, or
  const char* file;     // looked for at this path; neither for the English model
  const char* package;  // the Debian package that brings it
};

Source sourceOf(Prerequisite p) {
  switch (p) {
    case Prerequisite::kDz80: return {"dz80", "dz80", nullptr, "d52"};
    case Prerequisite::kObjcopy: return {"objcopy", "objcopy", nullptr, "binutils"};
    case Prerequisite::kObjdump: return {"objdump", "objdump", nullptr, "binutils"};
    case Prerequisite::kPatch: return {"GNU patch", "patch", nullptr, "patch"};
    case Prerequisite::kGit: return {"git", "git", nullptr, "git"};
    case Prerequisite::kPython3: return {"python3", "python3", nullptr, "python3"};
    case Prerequisite::kFreeMono: return {kFreeMono, nullptr, kFreeMono, "fonts-freefont-ttf"};
    case Prerequisite::kEnglishModel: return {"tesseract's English model", nullptr, nullptr, "tesseract-ocr-eng"};
  }
  return {"?", nullptr, nullptr, "?"};
}

// Whether an executable file of that name is in one of PATH's folders, as the shell finds it.
bool onPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "";
  for (;;) {
    size_t colon = rest.find(':');
    std::string_view dir = rest.substr(0, colon);
    std::string file = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + std::string(program);
    if (access(file.c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

bool present(const Source& s) {
  if (s.program != nullptr) return onPath(s.program);
  if (s.file != nullptr) return access(s.file, R_OK) == 0;
  // The model is where tesseract looks for it, which only the library knows.
  ocr::Engine engine;
  std::string why;
  return engine.open(why);
}

}  // namespace

std::string missing(Prerequisite p) {
  Source s = sourceOf(p);
  if (present(s)) return {};
  return std::string(s.what) + " is missing (Debian package " + s.package + ")";
}

}  // namespace romlift::test
