// Finds a register's newest entry for an (address, segment) pair without walking the list.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "registers/label_list.h"

namespace romlift {

class EntryIndex {
 public:
  // The newest entry with exactly this address and segment text, or nullptr.
  AddressEntry* find(std::string_view adr, std::string_view seg) const {
    auto it = map_.find(Key{adr, seg});
    return it == map_.end() ? nullptr : it->second;
  }

  // Makes entry the one found for its pair; its texts must outlive the index.
  void put(AddressEntry* entry) { map_[Key{entry->adr, entry->seg}] = entry; }

 private:
  struct Key {
    std::string_view adr, seg;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const {
      std::hash<std::string_view> h;
      return h(k.adr) * 31 + h(k.seg);
    }
  };
  std::unordered_map<Key, AddressEntry*, KeyHash> map_;
};

}  // namespace romlift
