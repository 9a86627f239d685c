// romlift-report fix: the corrections of a damaged listing as a patch to review and apply.
#pragma once

#include <cstdio>
#include <string_view>

#include "alternatives/alternatives.h"

namespace romlift::fix {

// The name the patch gives the listing when the caller gives none.
inline constexpr std::string_view kDefaultName = "listing";

// Corrects the listing in bytes: the patch goes to out, each ambiguous place, each damage that
// cannot be repaired and the closing counts to err. Returns 0 when the patched listing has no
// problem left, else 1. The OCR engine's alternatives, when given, weigh the readings.
int runFix(std::string_view bytes, std::string_view name, FILE* out, FILE* err,
           const alternatives::Index* alternatives = nullptr);

}  // namespace romlift::fix
