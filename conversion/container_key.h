#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

// One value of a container key: a file of the container directory.
struct ContainerValue {
  std::u16string name;
  std::vector<uint8_t> bytes;
};

// A container as a source found it: the key's name below Keys, the user key
// it sits under, whether that is the 32-bit view (Wow6432Node), and its
// values, read one at a time so that a conversion decodes and writes value
// by value and the first bad value decides the message.
class ContainerKey {
 public:
  ContainerKey(std::u16string name, std::u16string user, bool wow64)
      : name_(std::move(name)), user_(std::move(user)), wow64_(wow64) {}
  virtual ~ContainerKey() = default;

  const std::u16string& Name() const { return name_; }
  const std::u16string& User() const { return user_; }
  bool Wow64() const { return wow64_; }

  // The next value in the source's order, or nothing after the last. A value
  // the source cannot take throws ConversionError.
  virtual std::optional<ContainerValue> NextValue() = 0;

 private:
  std::u16string name_;
  std::u16string user_;
  bool wow64_;
};

}  // namespace quillfen
