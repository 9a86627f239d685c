// A label resolver over a map, for the instruction-set tests.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "isa/value.h"

namespace romlift::isa::test {

class MapLabels final : public LabelResolver {
 public:
  MapLabels() = default;
  explicit MapLabels(std::map<std::string, uint16_t> values) : values(std::move(values)) {}
  std::optional<uint16_t> value(std::string_view label) const override {
    auto it = values.find(std::string(label));
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  std::map<std::string, uint16_t> values;
};

}  // namespace romlift::isa::test
