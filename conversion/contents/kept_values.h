#pragma once

#include <optional>
#include <vector>

#include "conversion/container_key.h"

namespace quillfen {

// Hands out the values of another container key and keeps a copy of each,
// so that what a destination writes can be read for its contents after.
class KeptValuesKey : public ContainerKey {
 public:
  explicit KeptValuesKey(ContainerKey& key)
      : ContainerKey(key.Name(), key.User(), key.Wow64()), key_(key) {}

  std::optional<ContainerValue> NextValue() override {
    auto value = key_.NextValue();
    if (value) kept_.push_back(*value);
    return value;
  }

  const std::vector<ContainerValue>& Kept() const { return kept_; }

 private:
  ContainerKey& key_;
  std::vector<ContainerValue> kept_;
};

}  // namespace quillfen
