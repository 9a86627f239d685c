#include "bench_support.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "scanner/scanner.h"

namespace romlift::bench {

Input::ReadFn memoryReader(std::string_view text) {
  return [text, pos = size_t{0}](char* dst, size_t cap) mutable -> ssize_t {
    size_t n = std::min(cap, text.size() - pos);
    std::memcpy(dst, text.data() + pos, n);
    pos += n;
    return static_cast<ssize_t>(n);
  };
}

const std::string& sampleListing(Variant variant) {
  static std::map<Variant, std::string> cache;
  auto it = cache.find(variant);
  if (it == cache.end()) {
    GenOptions options;
    options.variant = variant;
    options.minBytes = 2'000'000;
    it = cache.emplace(variant, makeListing(options)).first;
  }
  return it->second;
}

std::vector<int> scanTokens(std::string_view text) {
  Scanner scanner(Input(memoryReader(text)), [] { return 1; });
  std::vector<int> tokens;
  while (int t = scanner.yylex()) tokens.push_back(t);
  return tokens;
}

size_t countLines(std::string_view text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace romlift::bench
