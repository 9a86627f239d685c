// Helpers shared by the micro benchmarks: listing text in memory, and the tokens it gives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "listing_gen.h"
#include "scanner/input.h"

namespace romlift::bench {

// A read(2)-like source over text in memory that hands out as much as the caller asks for,
// as a regular file would. The text must outlive the source.
Input::ReadFn memoryReader(std::string_view text);

// A generated listing of about two megabytes (seed 1), made once per variant and kept.
const std::string& sampleListing(Variant variant);

// Every token that the scanner returns for text, in order, without the end of input.
std::vector<int> scanTokens(std::string_view text);

// Number of newline characters in text.
size_t countLines(std::string_view text);

}  // namespace romlift::bench
