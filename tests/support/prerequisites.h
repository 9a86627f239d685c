// The programs and files that some tests check romlift against or print pages with, and that a
// machine may lack. A test that needs one starts with ROMLIFT_SKIP_WITHOUT(kName): where it is
// missing, the test is skipped with a message that names the Debian package that brings it.
// scripts/prerequisites counts these lines to tell, before a build, how many tests will skip.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace romlift::test {

enum class Prerequisite {
  kDz80,          // the 8080/Z80 disassembler that checks the instruction table
  kObjcopy,       // reads the Intel HEX and S-records back into bytes
  kObjdump,       // tells which shared libraries a program needs
  kPatch,         // GNU patch applies fix's patches
  kGit,           // git apply applies them too
  kPython3,       // zlib's CRC32 and hashlib's SHA-1 of the images
  kFreeMono,      // the face the printed pages are set in
  kEnglishModel,  // tesseract's English model, which reads them
};

// Empty when `p` is there; else what is missing and the Debian package that brings it.
std::string missing(Prerequisite p);

}  // namespace romlift::test

#define ROMLIFT_SKIP_WITHOUT(name)                                                                      \
  if (const std::string romlift_missing = ::romlift::test::missing(::romlift::test::Prerequisite::name); \
      !romlift_missing.empty())                                                                         \
  GTEST_SKIP() << romlift_missing
