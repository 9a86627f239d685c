// sums, ihex and srec on the object code of any run, checked against what they promise.
#pragma once

#include <string>

#include "formats/object_code.h"

namespace romlift {

// An empty string when sums has a row for each image and each section, and the records (Intel
// HEX at the listing's addresses, S-records at the offsets) are well formed, hold each byte the code lines
// give once, and report and count every run of overlapping bytes; else what broke. code must
// keep its lines (ObjectCode::Keep::Lines) and have its images attached.
std::string checkFormats(const formats::ObjectCode& code);

}  // namespace romlift
