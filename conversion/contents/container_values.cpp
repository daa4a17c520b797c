#include "conversion/contents/container_values.h"

#include "conversion/conversion_error.h"

namespace quillfen {
namespace {

// A source that fails this many times in a row has nothing more to give.
constexpr int kFailuresInARow = 8;

}  // namespace

const ContainerValue* FindValue(std::span<const ContainerValue> values, std::u16string_view name) {
  for (const auto& value : values) {
    if (IsNamed(value, name)) return &value;
  }
  return nullptr;
}

std::vector<ContainerValue> ReadAllValues(ContainerKey& key,
                                          std::vector<std::u16string>* problems) {
  std::vector<ContainerValue> values;
  if (problems == nullptr) {
    while (auto value = key.NextValue()) values.push_back(std::move(*value));
    return values;
  }
  for (int failures = 0; failures < kFailuresInARow;) {
    try {
      auto value = key.NextValue();
      if (!value) break;
      values.push_back(std::move(*value));
      failures = 0;
    } catch (const ConversionError& error) {
      problems->push_back(OneLine(error.Message(), u": "));
      ++failures;
    }
  }
  return values;
}

}  // namespace quillfen
