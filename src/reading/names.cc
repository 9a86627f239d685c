#include "reading/names.h"

#include <algorithm>
#include <string>

namespace romlift::reading {

void Names::add(std::string_view spelling, uint16_t value, Scope section, bool sure) {
  std::string key(spelling);
  for (size_t i : bySpelling_[key]) {
    if (entries_[i].value != value || entries_[i].section != section) continue;
    entries_[i].sure = entries_[i].sure || sure;
    return;
  }
  size_t at = entries_.size();
  entries_.push_back({key, value, section, sure});
  bySpelling_[key].push_back(at);
  byValue_[value].push_back(at);
  if (!key.empty()) byShape_[bucket(key.size(), key[0])].push_back(at);
  asked_.clear();
}

void Names::addUnknown(std::string_view spelling, Scope section) {
  unknown_[std::string(spelling)].push_back(section);
  asked_.clear();
}

void Names::merge(const Names& other) {
  for (const Entry& e : other.entries_) add(e.spelling, e.value, e.section, e.sure);
  for (const auto& [spelling, scopes] : other.unknown_)
    for (Scope s : scopes) addUnknown(spelling, s);
}

bool Names::sees(size_t i, Scope scope) const {
  const Entry& e = entries_[i];
  if (scope == kAnywhere || e.section == scope) return true;
  auto it = bySpelling_.find(e.spelling);
  if (std::any_of(it->second.begin(), it->second.end(), [&](size_t k) { return entries_[k].section == scope; }))
    return false;
  auto unknown = unknown_.find(e.spelling);
  return unknown == unknown_.end() || std::find(unknown->second.begin(), unknown->second.end(), scope) == unknown->second.end();
}

uint32_t Names::bucket(size_t length, char first) {
  return static_cast<uint32_t>(length) << 8 | static_cast<unsigned char>(first);
}

std::vector<NameMatch> Names::near(std::string_view read, Cost limit, Scope scope) const {
  std::string key = std::string(read) + '\0' + std::to_string(limit) + '\0' + std::to_string(scope);
  if (auto it = asked_.find(key); it != asked_.end()) return it->second;
  std::vector<NameMatch> out;
  // A name within the limit is at most two characters longer or shorter than what was read, and
  // starts with a character that the first or second one read may stand for.
  std::string firsts;
  for (size_t i = 0; i < read.size() && i < 2; ++i)
    for (const Glyph& g : readingsOf(read[i], Alphabet::Name)) firsts += g.c;
  size_t slack = static_cast<size_t>(limit / kShift) + 1;
  for (size_t length = read.size() > slack ? read.size() - slack : 1; length <= read.size() + slack; ++length) {
    for (char first : firsts) {
      auto it = byShape_.find(bucket(length, first));
      if (it == byShape_.end()) continue;
      for (size_t i : it->second) {
        const Entry& e = entries_[i];
        // The cost first: it rules out most names, and the scope takes a lookup.
        Cost c = fieldCost(e.spelling, read, limit);
        if (c > limit || !sees(i, scope)) continue;
        if (std::any_of(out.begin(), out.end(), [&](const NameMatch& m) { return m.spelling == e.spelling && m.value == e.value; }))
          continue;
        out.push_back({e.spelling, e.value, c, e.sure});
      }
    }
  }
  std::stable_sort(out.begin(), out.end(), [](const NameMatch& x, const NameMatch& y) { return x.cost < y.cost; });
  asked_.emplace(std::move(key), out);
  return out;
}

std::vector<NameMatch> Names::withValue(uint16_t value, Scope scope) const {
  std::vector<NameMatch> out;
  auto it = byValue_.find(value);
  if (it != byValue_.end())
    for (size_t i : it->second)
      if (sees(i, scope)) out.push_back({entries_[i].spelling, value, 0, entries_[i].sure});
  return out;
}

std::vector<uint16_t> Names::valuesOf(std::string_view spelling, Scope scope) const {
  std::vector<uint16_t> out;
  auto it = bySpelling_.find(std::string(spelling));
  if (it != bySpelling_.end())
    for (size_t i : it->second)
      if (sees(i, scope) && std::find(out.begin(), out.end(), entries_[i].value) == out.end()) out.push_back(entries_[i].value);
  return out;
}

}  // namespace romlift::reading
