#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/container_key.h"
#include "host/ascii.h"
#include "support/crypto.h"

namespace quillfen {

// True when `value` is called `name`: value names compare as the registry's
// fixed names do, ASCII letter case aside.
inline bool IsNamed(const ContainerValue& value, std::u16string_view name) {
  return EqualIgnoringAsciiCase(value.name, name);
}

// The value of `values` called `name`, or nullptr.
const ContainerValue* FindValue(std::span<const ContainerValue> values, std::u16string_view name);

// Every value of `key`, in its source's order. Without `problems`, a value
// the source cannot give throws its ConversionError. With `problems`, such a
// value is said there on one line and the next one is read, so that one bad
// value hides no other; a source that fails again and again is given up.
std::vector<ContainerValue> ReadAllValues(ContainerKey& key,
                                          std::vector<std::u16string>* problems = nullptr);

// Hands out the values of another container key and keeps a copy of those
// named in `kept` (header.key and name.key, say), so that what a destination
// writes can be read for its contents after; the others, keys and masks
// among them, are not copied.
class KeptValuesKey : public ContainerKey {
 public:
  KeptValuesKey(ContainerKey& key, std::vector<std::u16string> kept)
      : ContainerKey(key.Name(), key.User(), key.Wow64()), key_(key), names_(std::move(kept)) {}

  std::optional<ContainerValue> NextValue() override {
    auto value = key_.NextValue();
    if (value) {
      for (const auto& name : names_) {
        if (IsNamed(*value, name)) kept_.push_back(*value);
      }
    }
    return value;
  }

  const std::vector<ContainerValue>& Kept() const { return kept_; }

 private:
  ContainerKey& key_;
  std::vector<std::u16string> names_;
  std::vector<ContainerValue> kept_;
};

// Clears the bytes of `values` before they are freed: masks and masked keys
// do not stay behind in memory given back.
inline void WipeValues(std::vector<ContainerValue>& values) {
  for (auto& value : values) Wipe(value.bytes);
}

// A container's values held in memory, handed out in order and wiped when it
// goes: what a run reads whole before it acts with other rights.
class HeldContainerKey : public ContainerKey {
 public:
  HeldContainerKey(std::u16string name, std::u16string user, bool wow64,
                   std::vector<ContainerValue> values)
      : ContainerKey(std::move(name), std::move(user), wow64), values_(std::move(values)) {}
  // Every value of `key`, read now.
  explicit HeldContainerKey(ContainerKey& key)
      : ContainerKey(key.Name(), key.User(), key.Wow64()), values_(ReadAllValues(key)) {}
  ~HeldContainerKey() override { WipeValues(values_); }

  std::optional<ContainerValue> NextValue() override {
    if (next_ == values_.size()) return std::nullopt;
    return values_[next_++];
  }

 private:
  std::vector<ContainerValue> values_;
  size_t next_ = 0;
};

}  // namespace quillfen
