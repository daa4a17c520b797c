#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/file_system.h"

namespace quillfen {

// A registry hive file read through libhivex, the one place that speaks to
// it. Keys and values are handles that stay valid while the hive lives, and
// every failure, a damaged hive's among them, is thrown as RunTimeError with
// the system's error number.
class RegistryHive {
 public:
  using Node = size_t;
  using Value = size_t;

  // The REG_BINARY type of a value.
  static constexpr uint32_t kBinary = 3;

  // Opens the hive whose whole file is `file`. The hive keeps a copy of its
  // own, so that nothing another process does to the file reaches it: a
  // file, since libhivex opens files by name, 0600 in a directory of its own
  // under TMPDIR, whose name goes as soon as libhivex has opened it. The
  // name libhivex gets is looked up from that directory held open, never
  // along the path under TMPDIR, which the caller of sudo may own. A stop
  // signal is looked for between pieces of the copy; a file cut short while
  // it was copied is the read failure FileBytes::Verify() tells.
  explicit RegistryHive(const FileBytes& file);
  RegistryHive(const RegistryHive&) = delete;
  RegistryHive& operator=(const RegistryHive&) = delete;
  ~RegistryHive();

  Node Root() const;
  // The subkeys in the hive's order, which is the order a registry editor
  // exports them in.
  std::vector<Node> Children(Node node) const;
  std::u16string Name(Node node) const;

  std::vector<Value> Values(Node node) const;
  std::u16string ValueName(Value value) const;
  uint32_t ValueType(Value value) const;
  std::vector<uint8_t> ValueBytes(Value value) const;

 private:
  struct Handle;
  Handle* handle_;
};

}  // namespace quillfen
